// The control surface for tests of other layers, and the organisation file and generator.
#include "server/org_file.h"
#include "server_fixture.h"

#include <QFile>

namespace vantor::testing {
namespace {

TEST_F(ServerTest, ControlChangesReachSignedInClients) {
    auto a = signedIn('a');
    auto b = signedIn('b');
    a->waitFor(Cmd::Status);

    server_->call([](server::Server& s) { s.pushStatus(12, protocol::kDoNotDisturb); });
    for (WireClient* c : {a.get(), b.get()}) {
        const auto m = c->waitFor(Cmd::Status);
        ASSERT_TRUE(m);
        protocol::StatusRecord s;
        ASSERT_TRUE(protocol::StatusRecord::decodeBody(m->body, s));
        EXPECT_EQ(s.userId, 12u);
        EXPECT_EQ(s.status, protocol::kDoNotDisturb);
    }

    server_->call([](server::Server& s) { return s.renameColleague(13, protocol::toGbk("王五一")); });
    auto m = a->waitFor(Cmd::UserRenamed);
    ASSERT_TRUE(m);
    protocol::UserRenamed renamed;
    ASSERT_TRUE(wire::decode(m->body, renamed));
    EXPECT_EQ(renamed.userId, 13u);
    EXPECT_EQ(protocol::fromGbk(renamed.name), "王五一");

    server::Colleague fresh;
    fresh.id = 77;
    fresh.department = 2;
    fresh.name = protocol::toGbk("新同事");
    ASSERT_TRUE(server_->call([&](server::Server& s) { return s.addColleague(fresh, "new", "pnew"); }));
    m = a->waitFor(Cmd::UserItem);
    ASSERT_TRUE(m);
    protocol::UserItem item;
    ASSERT_TRUE(protocol::UserItem::decodeBody(m->body, item));
    EXPECT_EQ(item.action, protocol::kItemAdded);
    EXPECT_EQ(item.user.userId, 77u);
    WireClient newcomer;
    ASSERT_TRUE(newcomer.connectTo(server_->port()));
    EXPECT_TRUE(newcomer.signIn("new", "pnew").complete);

    ASSERT_TRUE(server_->call([](server::Server& s) { return s.removeColleague(12); }));
    m = a->waitFor(Cmd::UserItem);
    ASSERT_TRUE(m);
    ASSERT_TRUE(protocol::UserItem::decodeBody(m->body, item));
    EXPECT_EQ(item.action, protocol::kItemRemoved);
    EXPECT_EQ(item.user.userId, 12u);
    EXPECT_TRUE(b->closedWithin());

    Message shake{uint8_t(Cmd::Shake), std::string(42, '\0')};
    EXPECT_TRUE(server_->call([&](server::Server& s) { return s.pushRecord(11, shake); }));
    EXPECT_FALSE(server_->call([&](server::Server& s) { return s.pushRecord(14, shake); }));
    EXPECT_TRUE(a->waitFor(Cmd::Shake));
}

TEST(OrganisationFileTest, SampleOrganisationLoads) {
    server::Organisation org;
    std::string error;
    ASSERT_TRUE(server::readOrganisationFile(VANTOR_SOURCE_DIR "/data/org/sample-org.json", org, &error))
        << error;
    EXPECT_EQ(org.colleagues.size(), 30u);
    EXPECT_EQ(org.accounts.size(), 30u);
    EXPECT_GE(org.departments.size(), 3u);
    EXPECT_EQ(org.groups.size(), 2u);
    EXPECT_FALSE(org.contactGroups.empty());
    EXPECT_EQ(protocol::fromGbk(org.colleagues[0].name), "张伟");
    EXPECT_EQ(org.accounts[0].account, "zhangwei");
}

TEST(OrganisationFileTest, GeneratedOrganisationsHaveTheAskedSize) {
    server::Organisation org;
    std::string error;
    ASSERT_TRUE(server::parseOrganisation(server::generateOrganisationJson(1000, 60), org, &error)) << error;
    EXPECT_EQ(org.colleagues.size(), 1000u);
    EXPECT_EQ(org.accounts.size(), 1000u);
    EXPECT_EQ(org.departments.size(), 60u);
    EXPECT_EQ(org.groups.size(), 10u);
    EXPECT_EQ(org.accounts[5].account, "u100005");
    EXPECT_EQ(org.accounts[5].password, "p100005");
}

TEST(OrganisationFileTest, ServicePointsAndAttendanceAreReadAndKeptByTheStore) {
    const char* json = R"({"colleagues":[{"id":5},{"id":6}],
        "attendance":{"bySignIn":true,"workdayEnd":"17:30"},
        "servicePoints":[{"guid":"{11111111-2222-3333-4444-555555555555}","name":"税务咨询","description":"工作日",
                          "greeting":"您好","kind":1,"staff":[6,5,6]}]})";
    server::Organisation org;
    std::string error;
    ASSERT_TRUE(server::parseOrganisation(json, org, &error)) << error;
    QTemporaryDir dir;
    auto store = server::Store::open(dir.filePath(QStringLiteral("s.db")).toStdString(), &error);
    ASSERT_TRUE(store && store->importOrganisation(org, &error)) << error;
    const server::Organisation back = store->loadOrganisation();
    EXPECT_TRUE(back.attendance.bySignIn);
    EXPECT_EQ(back.attendance.workdayEndMinutes, 17 * 60 + 30);
    ASSERT_EQ(back.servicePoints.size(), 1u);
    const server::ServicePointSpec& p = back.servicePoints[0];
    EXPECT_EQ(p.guid.toString(), "{11111111-2222-3333-4444-555555555555}");
    EXPECT_EQ(protocol::fromGbk(p.name), "税务咨询");
    EXPECT_EQ(protocol::fromGbk(p.greeting), "您好");
    EXPECT_EQ(p.kind, 1u);
    EXPECT_EQ(p.staff, (std::vector<uint32_t>{6, 5})) << "each once, in the file's order";
}

TEST(OrganisationFileTest, InconsistentOrganisationsAreRefused) {
    const char* cases[] = {
        R"({"departments":[{"id":1},{"id":1}]})",
        R"({"departments":[{"id":1,"parent":9}]})",
        R"({"colleagues":[{"id":5,"department":3}]})",
        R"({"colleagues":[{"id":5},{"id":5}]})",
        R"({"colleagues":[{"id":5,"account":"x"},{"id":6,"account":"x"}]})",
        R"({"colleagues":[{"id":5}],"groups":[{"guid":"{11111111-2222-3333-4444-555555555555}","creator":5,"members":[6]}]})",
        R"({"colleagues":[{"id":5}],"groups":[{"guid":"nope","creator":5,"members":[5]}]})",
        R"({"colleagues":[{"id":5}],"contactGroups":[{"id":1,"owner":5,"members":[8]}]})",
        // Service points: a GUID each, once; a name within its field; staff who exist.
        R"({"servicePoints":[{"guid":"nope","name":"a"}]})",
        R"({"servicePoints":[{"guid":"{11111111-2222-3333-4444-555555555555}","name":"a"},
                             {"guid":"{11111111-2222-3333-4444-555555555555}","name":"b"}]})",
        R"({"servicePoints":[{"guid":"{11111111-2222-3333-4444-555555555555}","name":""}]})",
        R"({"servicePoints":[{"guid":"{11111111-2222-3333-4444-555555555555}","name":"a","staff":[7]}]})",
        R"({"attendance":{"bySignIn":true,"workdayEnd":"25:00"}})",
        R"({"attendance":{"bySignIn":true,"workdayEnd":"5pm"}})",
        "not json",
    };
    for (const char* c : cases) {
        server::Organisation org;
        std::string error;
        EXPECT_FALSE(server::parseOrganisation(c, org, &error)) << c;
        EXPECT_FALSE(error.empty()) << c;
    }
}

} // namespace
} // namespace vantor::testing
