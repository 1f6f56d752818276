#include "conversation/picture_request.h"

#include "protocol/codes.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <vector>

using namespace vantor::conversation;
using namespace std::string_literals;
using vantor::protocol::Cmd;
using vantor::protocol::ConversationKey;
using vantor::protocol::Message;
using vantor::wire::Guid;
using vantor::wire::storeU32;

namespace {

std::string le32(uint32_t v) {
    std::string b(4, '\0');
    storeU32(b.data(), v);
    return b;
}

// Group 11223344-5566-7788-99AA-BBCCDDEEFF00 in the Windows layout.
const std::string kGroupBytes = "\x44\x33\x22\x11\x66\x55\x88\x77\x99\xAA\xBB\xCC\xDD\xEE\xFF\x00"s;

Guid groupGuid() {
    return Guid::fromBytes(reinterpret_cast<const uint8_t*>(kGroupBytes.data()));
}

ConversationKey oneToOne(uint32_t a, uint32_t b) {
    ConversationKey k;
    k.userA = a;
    k.userB = b;
    return k;
}

ConversationKey groupKey(uint32_t a) {
    ConversationKey k;
    k.groupId = groupGuid();
    k.kind = vantor::protocol::kGroupConversation;
    k.userA = a;
    return k;
}

TEST(PictureRecords, PictureRequestBytes) {
    PictureRequest r;
    r.ownerId = 0x01020304;
    r.requesterId = 7;
    r.key = groupKey(7);
    r.fileName = "AB12.jpg";
    std::string expect = le32(0x01020304) + le32(7) + kGroupBytes + "\x01\x00"s + le32(7) + le32(0) +
                         le32(0) +
                         "\x08"
                         "AB12.jpg";
    expect.resize(159, '\0');
    ASSERT_EQ(expect.size(), PictureRequest::kSize);
    EXPECT_EQ(vantor::wire::encode(r), expect);

    PictureRequest back;
    ASSERT_TRUE(vantor::wire::decode(expect, back));
    EXPECT_EQ(back.ownerId, 0x01020304u);
    EXPECT_EQ(back.requesterId, 7u);
    EXPECT_EQ(back.key.groupId, groupGuid());
    EXPECT_EQ(back.key.kind, 1);
    EXPECT_EQ(back.fileName, "AB12.jpg");
    EXPECT_FALSE(vantor::wire::decode(expect.substr(0, 158), back));
}

TEST(PictureRecords, ImageFileHeadBytes) {
    ImageFileHead h;
    h.userId = -1;
    h.imageKind = 2;
    h.fileSize = 0x0A0B0C0D;
    h.fileName = "PC42.JPG";
    h.conversationGuid = groupGuid();
    std::string expect = "\xFF\xFF\xFF\xFF\x02"s + le32(0x0A0B0C0D) +
                         "\x08"
                         "PC42.JPG";
    expect.resize(50, '\0');
    expect += kGroupBytes;
    ASSERT_EQ(expect.size(), ImageFileHead::kSize);
    EXPECT_EQ(vantor::wire::encode(h), expect);
}

// Records what the requester sends.
struct Sent {
    std::vector<Message> server;
    std::vector<std::pair<uint32_t, Message>> relayed;
    PictureSenders senders() {
        return {[this](const Message& m) { server.push_back(m); },
                [this](uint32_t peer, const Message& m) { relayed.emplace_back(peer, m); }};
    }
};

TEST(PictureRequester, Routes) {
    const std::string name41(37, 'A');
    struct Case {
        const char* what;
        ConversationKey key;
        uint32_t owner;
        uint8_t status;
        std::string name;
        PictureRoute route;
    } cases[] = {
        {"online owner", oneToOne(7, 9), 9, 0, "AB12.jpg", PictureRoute::Peer},
        {"busy owner", oneToOne(7, 9), 9, 1, "AB12.jpg", PictureRoute::Peer},
        {"offline owner", oneToOne(7, 9), 9, 8, "AB12.jpg", PictureRoute::Server},
        {"mobile owner", oneToOne(7, 9), 9, 10, "AB12.jpg", PictureRoute::Server},
        {"offline owner in a group", groupKey(7), 9, 8, "AB12.jpg", PictureRoute::Server},
        {"41 bytes fit the peer request", oneToOne(7, 9), 9, 0, name41 + ".jpg", PictureRoute::Peer},
        {"41 bytes do not fit the server request", oneToOne(7, 9), 9, 8, name41 + ".jpg",
         PictureRoute::Refused},
        {"name that leaves the folder", oneToOne(7, 9), 9, 0, "../IM.Dat", PictureRoute::Refused},
        {"own picture", oneToOne(7, 9), 7, 0, "AB12.jpg", PictureRoute::Refused},
        {"no owner", oneToOne(7, 9), 0, 0, "AB12.jpg", PictureRoute::Refused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Sent sent;
        PictureRequester requester(7, sent.senders());
        EXPECT_EQ(requester.request(c.key, c.owner, c.status, c.name), c.route);
        EXPECT_EQ(sent.server.size(), c.route == PictureRoute::Server ? 1u : 0u);
        EXPECT_EQ(sent.relayed.size(), c.route == PictureRoute::Peer ? 1u : 0u);
        if (c.route == PictureRoute::Peer) {
            EXPECT_EQ(sent.relayed[0].first, c.owner);
            EXPECT_EQ(sent.relayed[0].second.cmd(), Cmd::PictureRequest);
            PictureRequest r;
            ASSERT_TRUE(vantor::wire::decode(sent.relayed[0].second.body, r));
            EXPECT_EQ(r.ownerId, c.owner);
            EXPECT_EQ(r.requesterId, 7u);
            EXPECT_EQ(r.fileName, c.name);
        }
        if (c.route == PictureRoute::Server) {
            EXPECT_EQ(sent.server[0].cmd(), Cmd::ImageFile);
            ImageFileHead h;
            ASSERT_TRUE(vantor::wire::decode(sent.server[0].body, h));
            EXPECT_EQ(h.userId, c.key.groupId.isNull() ? int32_t(c.owner) : -1);
            EXPECT_EQ(h.imageKind, kImageKindConversation);
            EXPECT_EQ(h.fileSize, 0u);
            EXPECT_EQ(h.fileName, c.name);
            EXPECT_EQ(h.conversationGuid, c.key.groupId);
        }
    }
}

// An Images folder inside an account folder that also holds a file the peer must never get.
class ImagesFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        QDir(root.path()).mkpath("Images/sub.jpg");
        put(root.filePath("IM.Dat"), "secret");
        put(images(), "AB12.jpg", "picture");
        QFile::link(root.filePath("IM.Dat"), QDir(images()).filePath("link.jpg"));
    }
    static void put(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void put(const QString& folder, const char* name, const QByteArray& bytes) {
        put(QDir(folder).filePath(name), bytes);
    }
    QString images() const { return root.filePath("Images"); }

    QTemporaryDir root;
};

struct FakeTransfer : IPictureTransfer {
    bool accept = true;
    std::vector<std::pair<uint32_t, QString>> started;
    bool startPictureTransfer(uint32_t requester, const ConversationKey&, const QString& path,
                              const std::string&) override {
        started.emplace_back(requester, path);
        return accept;
    }
};

TEST_F(ImagesFixture, ResponderSendsOnlyPlainNamesFromImages) {
    using O = PictureResponder::Outcome;
    struct Case {
        const char* what;
        uint32_t owner;
        uint32_t requester;
        std::string name;
        bool accept;
        O outcome;
    } cases[] = {
        {"held picture", 7, 9, "AB12.jpg", true, O::Started},
        {"unknown requester", 7, 9, "AB12.jpg", false, O::UnknownRequester},
        {"missing picture", 7, 9, "none.jpg", true, O::Missing},
        {"a folder", 7, 9, "sub.jpg", true, O::Missing},
        {"a link out of the folder", 7, 9, "link.jpg", true, O::Missing},
        {"relative escape", 7, 9, "../IM.Dat", true, O::NotPlain},
        {"absolute", 7, 9, "/etc/passwd", true, O::NotPlain},
        {"another owner", 8, 9, "AB12.jpg", true, O::NotForUs},
        {"our own request", 7, 7, "AB12.jpg", true, O::NotForUs},
    };
    const ImagesFolder folder(images());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeTransfer transfer;
        transfer.accept = c.accept;
        PictureResponder responder(7, folder, transfer);
        PictureRequest r;
        r.ownerId = c.owner;
        r.requesterId = c.requester;
        r.key = oneToOne(9, 7);
        r.fileName = c.name;
        EXPECT_EQ(responder.answer(vantor::wire::encode(r)), c.outcome);
        const bool tried = c.outcome == O::Started || c.outcome == O::UnknownRequester;
        ASSERT_EQ(transfer.started.size(), tried ? 1u : 0u);
        if (tried) {
            EXPECT_EQ(transfer.started[0].first, c.requester);
            EXPECT_EQ(transfer.started[0].second, QDir(images()).filePath("AB12.jpg"));
        }
    }
    FakeTransfer transfer;
    PictureResponder responder(7, folder, transfer);
    EXPECT_EQ(responder.answer(std::string(158, '\0')), O::Malformed);
}

TEST_F(ImagesFixture, RenderFindsStoredPicturesWithoutRequest) {
    const ImagesFolder folder(images());
    const Rendered r = renderPlainText("/{AB12.jpg}/{none.jpg}/{link.jpg}", folder.lookup());
    ASSERT_EQ(r.segments.size(), 3u);
    EXPECT_EQ(r.segments[0].picture, PictureState::Stored);
    EXPECT_EQ(r.stored, std::vector<std::string>{"AB12.jpg"});
    EXPECT_EQ(r.missing, (std::vector<std::string>{"none.jpg", "link.jpg"}));
}

TEST_F(ImagesFixture, UploadOfOwnPictures) {
    const ImagesFolder folder(images());
    const auto upload = pictureUpload(7, groupKey(7), folder, "AB12.jpg");
    ASSERT_TRUE(upload);
    EXPECT_EQ(upload->cmd(), Cmd::ImageUpload);
    std::string expect = le32(7) + "\x02"s + le32(7) +
                         "\x08"
                         "AB12.jpg";
    expect.resize(50, '\0');
    expect += kGroupBytes + "picture";
    EXPECT_EQ(upload->body, expect);

    for (const char* name : {"none.jpg", "link.jpg", "../IM.Dat"})
        EXPECT_FALSE(pictureUpload(7, groupKey(7), folder, name)) << name;

    struct Case {
        ConversationKey key;
        uint8_t status;
        bool upload;
    } cases[] = {
        {groupKey(7), 0, true},    {oneToOne(7, 9), 0, false}, {oneToOne(7, 9), 3, false},
        {oneToOne(7, 9), 8, true}, {oneToOne(7, 9), 10, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(shouldUploadPictures(c.key, c.status), c.upload) << int(c.key.kind) << "/" << int(c.status);
}

} // namespace
