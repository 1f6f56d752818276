// Two to four clients (ClientCore) against the reference server: searches that span pages,
// contact and join requests answered, details saved and pushed, head photos uploaded and fetched
// again by a contact, and pictures from the server whose names try to leave their folder.
#include "../client/client_fixture.h"

#include "conversation/picture_request.h"
#include "people/picture_codec.h"
#include "protocol/text.h"
#include "server/server.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

namespace vantor::testing {
namespace {

using protocol::Cmd;
using protocol::fromGbk;
using protocol::toGbk;

class PeopleTest : public ClientTest {
  protected:
    people::PeopleCore& people(TestClient& c) { return c.core().people(); }
    QString userPic(TestClient& c) {
        return QString::fromStdString(
            c.messenger().environment().layout.userPicFolder(c.messenger().OwnUser->userId));
    }
    static QByteArray readAll(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static QByteArray jpeg(QColor colour) {
        QImage img(64, 48, QImage::Format_RGB32);
        img.fill(colour);
        return people::jpegBytes(img);
    }
};

TEST_F(PeopleTest, AUserSearchSpansPagesOfThirtyAndNeverListsTheSearcher) {
    // 61 colleagues whose names hold "测试员", besides the sample organisation's 30.
    server().call([](server::Server& s) {
        for (uint32_t i = 1; i <= 61; ++i) {
            server::Colleague c;
            c.id = 2000 + i;
            c.department = 1;
            c.name = toGbk("测试员" + std::to_string(i));
            s.addColleague(c, "t" + std::to_string(i), "secret");
        }
        return true;
    });
    TestClient& a = signIn("zhangwei", "zhangwei123");
    people::PeopleCore& p = people(a);
    p.setSearchOpen(true);
    const struct {
        const char* name;
        uint32_t page;
        size_t rows;
        bool previous, next;
    } cases[] = {
        {"测试员", 1, 30, false, true},
        {"测试员", 2, 30, true, true},
        {"测试员", 3, 1, true, false},
        // Everybody: 91 colleagues, the searcher (first of all) left out of page 1: "下一页 >"
        // is still enabled because a page holds 30.
        {"", 1, 29, false, true},
        {"", 4, 1, true, false},
        // "员1" is found in "测试员1" and "测试员10"…"19"; "栽" (D4 D4) never in the bytes of "试员"
        // (CA D4 D4 B1), across two characters.
        {"员1", 1, 11, false, false},
        {"栽", 1, 0, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " page " + std::to_string(c.page));
        ASSERT_TRUE(p.searchUsers(toGbk(c.name), "", c.page));
        EXPECT_TRUE(drive([&] { return p.userPages().rows().size() >= c.rows; }, 3000));
        drive([] { return false; }, 200); // nothing more comes
        EXPECT_EQ(p.userPages().rows().size(), c.rows);
        EXPECT_EQ(p.userPages().page(), c.page);
        EXPECT_EQ(p.userPages().previousEnabled(), c.previous);
        EXPECT_EQ(p.userPages().nextEnabled(), c.next);
        for (const auto& r : p.userPages().rows())
            EXPECT_NE(r.userId, 1001u);
    }
    // Results arriving while the wizard is closed are read and dropped.
    p.setSearchOpen(false);
    ASSERT_TRUE(p.searchUsers(toGbk("测试员"), "", 1));
    drive([] { return false; }, 300);
    EXPECT_TRUE(p.userPages().rows().empty());
}

TEST_F(PeopleTest, ContactRequestsWaitInTheirWindowAndAnAcceptLinksBothSides) {
    TestClient& target = signIn("chenjing", "chenjing123"); // 1005, no contact groups of her own
    TestClient& zhang = signIn("zhangwei", "zhangwei123");  // 1001
    TestClient& wang = signIn("wangfang", "wangfang123");   // 1002
    TestClient& li = signIn("lina", "lina123");             // 1003
    auto& queue = people(target).contactRequests();

    ASSERT_TRUE(people(zhang).sendContactRequest(1005, toGbk("常用同事")));
    ASSERT_TRUE(drive([&] { return queue.count() == 1; }));
    EXPECT_FALSE(queue.showCount());
    EXPECT_EQ(fromGbk(people::requesterLabel(queue.current()->requesterName)), "用户：张伟");
    ASSERT_TRUE(people(wang).sendContactRequest(1005, ""));
    ASSERT_TRUE(drive([&] { return queue.count() == 2; })); // two connections: one after the other
    ASSERT_TRUE(people(li).sendContactRequest(1005, ""));
    ASSERT_TRUE(drive([&] { return queue.count() == 3; }));
    EXPECT_TRUE(queue.showCount());
    EXPECT_EQ(fromGbk(people::countLabel(queue.count())), "共3条");
    EXPECT_EQ(queue.current()->requesterId, 1003u); // the latest is current
    queue.next();
    EXPECT_EQ(queue.current()->requesterId, 1001u); // ">": the first other than the current

    // Accept 张伟, decline 王芳, then 李娜 is the last: the count and ">" go away.
    ASSERT_TRUE(people(target).answerContactRequest(true, ""));
    EXPECT_EQ(queue.count(), 2u);
    ASSERT_EQ(queue.current()->requesterId, 1002u);
    ASSERT_TRUE(people(target).answerContactRequest(false, ""));
    EXPECT_EQ(queue.count(), 1u);
    EXPECT_FALSE(queue.showCount());

    // Both sides of the accepted request have the link, in the groups chosen.
    EXPECT_TRUE(drive([&] { return zhang.dir().contactGroupOf(1005) == 2; }));
    EXPECT_TRUE(drive([&] { return target.dir().contactGroupOf(1001) != 0; }));
    ASSERT_EQ(target.dir().contactGroups().size(), 1u);
    EXPECT_EQ(fromGbk(target.dir().contactGroups()[0].name), "我的好友");
    // The declined one has none, and no group is written into the answer.
    drive([] { return false; }, 200);
    EXPECT_EQ(wang.dir().contactGroupOf(1005), 0u);
    EXPECT_EQ(target.dir().contactGroupOf(1002), 0u);
    const auto links = server().call([](server::Server& s) { return s.directory().contactLinksOf(1002); });
    for (const auto& l : links)
        EXPECT_NE(l.userId, 1005u);
}

TEST_F(PeopleTest, AJoinRequestFoundBySearchMakesAMemberOnceTheCreatorAccepts) {
    TestClient& creator = signIn("liuyang", "liuyang123"); // 1004 created 研发周会
    TestClient& zhang = signIn("zhangwei", "zhangwei123");
    people::PeopleCore& p = people(zhang);
    p.setSearchOpen(true);
    ASSERT_TRUE(p.searchGroups(toGbk("研发"), 1));
    ASSERT_TRUE(drive([&] { return p.groupPages().rows().size() == 1; }));
    const protocol::GroupSearchResult found = p.groupPages().rows()[0];
    EXPECT_EQ(fromGbk(found.name), "研发周会");
    EXPECT_FALSE(zhang.dir().findGroup(found.guid));

    ASSERT_TRUE(p.sendJoinRequest(found, toGbk("想旁听")));
    auto& queue = people(creator).joinRequests();
    ASSERT_TRUE(drive([&] { return queue.count() == 1; }));
    EXPECT_EQ(fromGbk(people::joinGroupLabel(*queue.current())), "申请加入群：研发周会 [想旁听]");
    EXPECT_EQ(fromGbk(queue.current()->requesterName), "张伟");
    ASSERT_TRUE(people(creator).answerJoinRequest(true));
    EXPECT_TRUE(drive([&] { return zhang.dir().findGroup(found.guid) != nullptr; }));
    const bool member = server().call([&](server::Server& s) {
        const auto* g = s.directory().group(found.guid);
        return g && std::find(g->members.begin(), g->members.end(), 1001u) != g->members.end();
    });
    EXPECT_TRUE(member);
}

TEST_F(PeopleTest, DetailsAreViewedEditedAndPushedToWhoLooked) {
    TestClient& zhang = signIn("zhangwei", "zhangwei123");
    TestClient& wang = signIn("wangfang", "wangfang123");
    // The own record arrives at sign-in; nothing saved yet.
    ASSERT_TRUE(drive([&] { return people(wang).detail(1002) != nullptr; }));

    protocol::UserDetail d = *people(wang).detail(1002);
    d.userId = 1003; // whatever the record says, the server keeps it for its sender
    d.company = toGbk("总经理办公室");
    d.mobilePhone = "13800000000";
    d.rest = std::string(137, '\x07'); // kept as it came
    wang.core().sendToServer(protocol::makeMessage(Cmd::UserDetailSave, d));

    ASSERT_TRUE(people(zhang).requestDetail(1002));
    ASSERT_TRUE(drive([&] {
        const auto* got = people(zhang).detail(1002);
        return got && got->mobilePhone == "13800000000";
    }));
    EXPECT_EQ(fromGbk(people(zhang).detail(1002)->company), "总经理办公室");
    EXPECT_EQ(people(zhang).detail(1002)->rest, std::string(137, '\x07'));

    d.mobilePhone = "13900000000";
    wang.core().sendToServer(protocol::makeMessage(Cmd::UserDetailSave, d));
    EXPECT_TRUE(drive([&] { return people(zhang).detail(1002)->mobilePhone == "13900000000"; }));

    // 李娜's record was never touched.
    ASSERT_TRUE(people(zhang).requestDetail(1003));
    ASSERT_TRUE(drive([&] { return people(zhang).detail(1003) != nullptr; }));
    EXPECT_TRUE(people(zhang).detail(1003)->mobilePhone.empty());
}

TEST_F(PeopleTest, APhotoIsUploadedAndFetchedAgainAfterItChanged) {
    TestClient& zhang = signIn("zhangwei", "zhangwei123"); // keeps 王芳 as a contact
    TestClient& wang = signIn("wangfang", "wangfang123");
    zhang.openWith(1002);
    const QByteArray first = jpeg(Qt::red);
    ASSERT_TRUE(people(wang).setOwnPhoto(first));
    const QString copy = QDir(userPic(zhang)).filePath("1002.jpg");
    ASSERT_TRUE(drive([&] { return readAll(copy) == first; }));
    EXPECT_FALSE(people(zhang).pictureStale(1002));
    // Stored on the server under the uploader's id.
    const double time = server().call([](server::Server& s) { return s.directory().user(1002)->photoTime; });
    EXPECT_GT(time, 0);

    // A colleague who signs in later sees the time in the record and fetches the photo once.
    TestClient& li = signIn("lina", "lina123");
    EXPECT_TRUE(people(li).pictureStale(1002));
    ASSERT_TRUE(people(li).requestPicture(1002));
    ASSERT_TRUE(drive([&] { return readAll(QDir(userPic(li)).filePath("1002.jpg")) == first; }));
    EXPECT_FALSE(people(li).pictureStale(1002));

    // A new photo replaces the copy of the contact with the open conversation.
    const QByteArray second = jpeg(Qt::blue);
    ASSERT_NE(first, second);
    ASSERT_TRUE(people(wang).setOwnPhoto(second));
    EXPECT_TRUE(drive([&] { return readAll(copy) == second; }));
}

TEST_F(PeopleTest, PicturesFromTheServerNeverLeaveTheirFolderNorReplaceAGoodOne) {
    TestClient& zhang = signIn("zhangwei", "zhangwei123");
    const QByteArray good = jpeg(Qt::green);
    auto push = [&](int32_t user, uint8_t kind, const std::string& name, const QByteArray& bytes) {
        protocol::ImageFileHead h;
        h.userId = user;
        h.imageKind = kind;
        h.fileName = name;
        h.fileSize = uint32_t(bytes.size());
        const protocol::Message m{uint8_t(Cmd::ImageFile), wire::encode(h) + bytes.toStdString()};
        server().call([&](server::Server& s) { return s.pushRecord(1001, m); });
    };
    const QString pics = userPic(zhang);
    const QString images = QString::fromStdString(zhang.messenger().environment().layout.imagesFolder(1001));
    const struct {
        int32_t user;
        uint8_t kind;
        const char* name;
        QString expected; // where it lands (empty: nowhere)
    } cases[] = {
        {1002, 1, "../../../escape.jpg", QDir(pics).filePath("1002.jpg")},
        {1003, 1, "1004.jpg", QDir(pics).filePath("1003.jpg")},
        {-1, 1, "x.jpg", {}},
        {1002, 2, "../../ABCD.jpg", QDir(images).filePath("ABCD.jpg")},
        {1002, 2, "..\\..\\EF01.gif", QDir(images).filePath("EF01.gif")},
        {1002, 2, "..", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        push(c.user, c.kind, c.name, good);
        if (!c.expected.isEmpty()) {
            EXPECT_TRUE(drive([&] { return readAll(c.expected) == good; }));
        }
    }
    drive([] { return false; }, 200);
    EXPECT_FALSE(QFile::exists(QDir(pics).filePath("../../../escape.jpg")));
    EXPECT_FALSE(QFile::exists(QDir(images).filePath("../../ABCD.jpg")));
    EXPECT_FALSE(QFile::exists(QDir(pics).filePath("1004.jpg")));

    // An empty or broken picture keeps the good one.
    for (const QByteArray& bad : {QByteArray(), QByteArray("not a picture")}) {
        push(1002, 1, "1002.jpg", bad);
        push(1002, 1, "1002.jpg", bad);
    }
    drive([] { return false; }, 300);
    EXPECT_EQ(readAll(QDir(pics).filePath("1002.jpg")), good);
}

// A picture of a message to a colleague who is offline goes to the server (longer than the ordinary
// path: the stream path, not a failed write that signs out) and comes back from it when the
// colleague, signed in later, finds the owner offline.
TEST_F(PeopleTest, AnInlinePictureOfAnOfflineOwnerComesFromTheServer) {
    TestClient& zhang = signIn("zhangwei", "zhangwei123");
    const std::string name = "7F3C2B1A0D9E8F7A6B5C4D3E2F1A0B9C.jpg";
    QImage img(400, 300, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
    const QByteArray bytes = people::jpegBytes(img);
    ASSERT_GT(bytes.size(), 2028);
    const auto images = zhang.core().imagesFolder();
    ASSERT_TRUE(images);
    QDir().mkpath(QFileInfo(images->pathOf(name)).absolutePath());
    QFile f(images->pathOf(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    f.close();
    protocol::ConversationKey key;
    key.userA = 1001;
    key.userB = 1002;
    const auto upload = conversation::pictureUpload(1001, key, *images, name);
    ASSERT_TRUE(upload);
    zhang.core().sendToServer(*upload);
    zhang.core().sendToServer(protocol::emptyMessage(Cmd::Heartbeat));
    drive([] { return false; }, 300);
    ASSERT_TRUE(zhang.messenger().SignedIn()); // not signed out by the long write
    zhang.messenger().LogoutMenuClicked();

    TestClient& wang = signIn("wangfang", "wangfang123");
    protocol::ConversationKey theirs = key;
    std::swap(theirs.userA, theirs.userB);
    EXPECT_EQ(wang.core().requestPicture(theirs, 1001, name), conversation::PictureRoute::Server);
    const QString copy = wang.core().imagesFolder()->pathOf(name);
    EXPECT_TRUE(drive([&] { return readAll(copy) == bytes; }));
}

TEST_F(PeopleTest, NothingIsReportedSentOnceSignedOut) {
    TestClient& zhang = signIn("zhangwei", "zhangwei123");
    people::PeopleCore& p = people(zhang);
    ASSERT_TRUE(p.setOwnPhoto(jpeg(Qt::red)));
    zhang.messenger().LogoutMenuClicked();
    ASSERT_TRUE(drive([&] { return !zhang.messenger().ConnectionOpen(); }));
    EXPECT_FALSE(p.sendContactRequest(1005, ""));
    EXPECT_FALSE(p.searchUsers("", "", 1));
    EXPECT_FALSE(p.uploadPicture());
    EXPECT_FALSE(p.requestDetail(1002));
}

} // namespace
} // namespace vantor::testing
