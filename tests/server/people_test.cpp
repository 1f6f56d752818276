// The server's side of requests, details and pictures against clients that do not play by the
// rules: answers to requests never made, names and ids written by the sender, photos that are no
// pictures, picture names that would leave their folder, pictures of groups asked by outsiders,
// and requests beyond their bound.
#include "server_fixture.h"

#include "protocol/picture.h"
#include "protocol/user_detail.h"
#include "server/server.h"

#include <QDir>
#include <QFile>

namespace vantor::testing {
namespace {

Message upload(int32_t user, uint8_t kind, const std::string& name, const std::string& bytes,
               wire::Guid guid = {}) {
    protocol::ImageFileHead h;
    h.userId = user;
    h.imageKind = kind;
    h.fileName = name;
    h.fileSize = uint32_t(bytes.size());
    h.conversationGuid = guid;
    return Message{uint8_t(Cmd::ImageUpload), wire::encode(h) + bytes};
}

Message pictureQuery(int32_t user, uint8_t kind, const std::string& name, wire::Guid guid = {}) {
    protocol::ImageFileHead h;
    h.userId = user;
    h.imageKind = kind;
    h.fileName = name;
    h.conversationGuid = guid;
    return protocol::makeMessage(Cmd::ImageFile, h);
}

const std::string kJpeg = std::string("\xFF\xD8\xFF\xE0", 4) + std::string(60, 'j');

TEST_F(ServerTest, OnlyRequestsThatWereMadeCanBeAnsweredAndTheServerNamesTheRequester) {
    auto a = signedIn('a'); // 11, keeps 12 in contact group 1
    auto c = signedIn('c'); // 13
    protocol::ContactRequest r;
    r.requesterId = 11;
    r.targetId = 13;
    r.contactGroupId = 1;
    r.requesterName = protocol::toGbk("老板"); // not its name
    a->send(protocol::makeMessage(Cmd::AddContactRequest, r));
    const auto got = c->waitFor(Cmd::AddContactRequest);
    ASSERT_TRUE(got);
    protocol::ContactRequest asked;
    ASSERT_TRUE(wire::decode(got->body, asked));
    EXPECT_EQ(protocol::fromGbk(asked.requesterName), "张三");

    // 13 "accepts" a request of 12 that 12 never made: dropped, no links.
    protocol::ContactRequest forged;
    forged.requesterId = 12;
    forged.targetId = 13;
    forged.answer = protocol::kRequestAccepted;
    c->send(protocol::makeMessage(Cmd::AddContactRequest, forged));
    // The real answer links both sides and reaches the requester.
    protocol::ContactRequest answer = asked;
    answer.answer = protocol::kRequestAccepted;
    c->send(protocol::makeMessage(Cmd::AddContactRequest, answer));
    ASSERT_TRUE(a->waitFor(Cmd::AddContactRequest));
    const auto links = server_->call([](server::Server& s) {
        return std::pair{s.directory().contactLinksOf(13), s.directory().contactLinksOf(12)};
    });
    ASSERT_EQ(links.first.size(), 1u);
    EXPECT_EQ(links.first[0].userId, 11u);
    EXPECT_TRUE(links.second.empty());
    // Answering it again finds nothing waiting.
    c->send(protocol::makeMessage(Cmd::AddContactRequest, answer));
    EXPECT_FALSE(a->waitFor(Cmd::AddContactRequest, 300));
}

TEST_F(ServerTest, ContactRequestsWaitingForOneColleagueAreBounded) {
    server_->stop();
    config_.maxPendingRequests = 2;
    startServer();
    auto a = signedIn('a');
    auto b = signedIn('b');
    auto c = signedIn('c');
    const std::pair<WireClient*, uint32_t> askers[] = {{a.get(), 11}, {b.get(), 12}, {c.get(), 13}};
    for (const auto& [client, id] : askers) {
        protocol::ContactRequest r;
        r.requesterId = id;
        r.targetId = 14; // offline: held
        client->send(protocol::makeMessage(Cmd::AddContactRequest, r));
    }
    a->send(protocol::emptyMessage(Cmd::Heartbeat));
    a->waitFor(Cmd::Heartbeat);
    c->send(protocol::emptyMessage(Cmd::Heartbeat));
    c->waitFor(Cmd::Heartbeat);
    EXPECT_EQ(server_->call([](server::Server& s) { return s.heldCount(14); }), 2u);
}

TEST_F(ServerTest, DetailsAreKeptForTheirSenderAndPushedToItsContacts) {
    auto a = signedIn('a'); // keeps 12
    auto b = signedIn('b'); // 12
    protocol::UserDetail d;
    d.userId = 13; // not the sender's
    d.mobilePhone = "13800000000";
    b->send(protocol::makeMessage(Cmd::UserDetailSave, d));
    const auto pushed = a->waitFor(Cmd::UserDetailPush);
    ASSERT_TRUE(pushed);
    protocol::UserDetail got;
    ASSERT_TRUE(wire::decode(pushed->body, got));
    EXPECT_EQ(got.userId, 12u);
    for (const auto& [id, phone] : {std::pair{12u, "13800000000"}, std::pair{13u, ""}}) {
        protocol::UserDetailRequest q;
        q.userId = id;
        a->send(protocol::makeMessage(Cmd::UserDetail, q));
        const auto m = a->waitFor(Cmd::UserDetail);
        ASSERT_TRUE(m);
        ASSERT_TRUE(wire::decode(m->body, got));
        EXPECT_EQ(got.userId, id);
        EXPECT_EQ(got.mobilePhone, phone);
    }
}

TEST_F(ServerTest, PicturesAreStoredUnderTheSenderAndOnlyWhenTheyAreSafe) {
    auto a = signedIn('a'); // 11, member of kGroup, keeps 12
    auto b = signedIn('b'); // 12
    auto e = signedIn('e'); // 15, not in the group
    const QString pictures = QString::fromStdString(config_.dbPath) + ".pictures";

    // A head photo in the name of 13 is 12's own; 11 keeps 12 as a contact and hears of it.
    b->send(upload(13, protocol::kImageKindHead, "13.jpg", kJpeg));
    const auto changed = a->waitFor(Cmd::PictureChanged);
    ASSERT_TRUE(changed);
    protocol::PictureChanged pc;
    ASSERT_TRUE(wire::decode(changed->body, pc));
    EXPECT_EQ(pc.userId, 12u);
    EXPECT_GT(pc.pictureTime, 0);
    EXPECT_TRUE(QFile::exists(pictures + "/head/12.jpg"));
    EXPECT_FALSE(QFile::exists(pictures + "/head/13.jpg"));
    a->send(pictureQuery(12, protocol::kImageKindHead, "../../store.db"));
    const auto photo = a->waitFor(Cmd::ImageFile);
    ASSERT_TRUE(photo);
    EXPECT_EQ(photo->body.substr(protocol::ImageFileHead::kSize), kJpeg);
    protocol::ImageFileHead head;
    ASSERT_TRUE(wire::decode(photo->body, head));
    EXPECT_EQ(head.fileName, "12.jpg");

    // What is not taken: no JPEG as a head photo, names that leave the folder, empty pictures,
    // pictures of a group from outside it.
    const struct {
        const char* what;
        Message m;
    } refused[] = {
        {"no JPEG", upload(12, protocol::kImageKindHead, "12.jpg", "GIF89a......")},
        {"empty", upload(12, protocol::kImageKindConversation, "A.jpg", "")},
        {"parent", upload(12, protocol::kImageKindConversation, "../A.jpg", kJpeg)},
        {"hidden", upload(12, protocol::kImageKindConversation, ".A.jpg", kJpeg)},
        {"backslash", upload(12, protocol::kImageKindConversation, "..\\A.jpg", kJpeg)},
        {"outsider", upload(15, protocol::kImageKindConversation, "B.jpg", kJpeg, groupGuid())},
    };
    for (const auto& r : refused)
        (std::string(r.what) == "outsider" ? e : b)->send(r.m);
    EXPECT_FALSE(a->waitFor(Cmd::PictureChanged, 300));
    EXPECT_EQ(QFile(pictures + "/head/12.jpg").size(), qint64(kJpeg.size()));
    QStringList everything;
    for (const QString& f : QDir(pictures).entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
        everything << f;
    EXPECT_EQ(everything, QStringList{"head"});

    // A group's picture is answered to its members only; a one-to-one picture by its owner's id.
    a->send(upload(11, protocol::kImageKindConversation, "G.jpg", kJpeg, groupGuid()));
    b->send(upload(12, protocol::kImageKindConversation, "P.jpg", kJpeg));
    b->send(protocol::emptyMessage(Cmd::Heartbeat));
    ASSERT_TRUE(b->waitFor(Cmd::Heartbeat));
    e->send(pictureQuery(-1, protocol::kImageKindConversation, "G.jpg", groupGuid()));
    EXPECT_FALSE(e->waitFor(Cmd::ImageFile, 300));
    b->send(pictureQuery(-1, protocol::kImageKindConversation, "G.jpg", groupGuid()));
    EXPECT_TRUE(b->waitFor(Cmd::ImageFile));
    e->send(pictureQuery(12, protocol::kImageKindConversation, "P.jpg"));
    EXPECT_TRUE(e->waitFor(Cmd::ImageFile));
}

} // namespace
} // namespace vantor::testing
