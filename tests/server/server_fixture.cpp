#include "server_fixture.h"

#include "server/store.h"
#include "test_org.h"

namespace vantor::testing {

using protocol::toGbk;

wire::Guid groupGuid() {
    wire::Guid g;
    wire::Guid::fromString(kGroupGuid, g);
    return g;
}

server::Organisation testOrganisation() {
    server::Organisation org = smallOrganisation(40);
    org.contactGroups = {{1, 11, toGbk("朋友")}};
    org.contactLinks = {{11, 12, 1}};
    server::DiscussionGroup g;
    g.guid = groupGuid();
    g.name = toGbk("讨论组");
    g.creator = 11;
    g.members = {11, 12, 13, 14};
    org.groups.push_back(g);
    return org;
}

void ServerTest::SetUp() {
    ASSERT_TRUE(dir_.isValid());
    config_.port = 0;
    config_.filePort = 0;
    config_.dbPath = dir_.filePath("store.db").toStdString();
    config_.greetingTimeoutMs = 1000;
    config_.idleTimeoutMs = 20000;
    config_.hashIterations = 1;
    std::string error;
    {
        auto store = server::Store::open(config_.dbPath, &error);
        ASSERT_TRUE(store) << error;
        ASSERT_TRUE(store->importOrganisation(testOrganisation(), &error)) << error;
    }
    startServer();
}

void ServerTest::startServer() {
    server_ = std::make_unique<ServerThread>(config_);
    std::string error;
    ASSERT_TRUE(server_->start(&error)) << error;
}

void ServerTest::TearDown() {
    server_.reset();
}

std::unique_ptr<WireClient> ServerTest::signedIn(char account, SignInResult* result) {
    auto c = std::make_unique<WireClient>();
    EXPECT_TRUE(c->connectTo(server_->port()));
    const SignInResult r = c->signIn(std::string(1, account), "p" + std::string(1, account));
    EXPECT_TRUE(r.reply.success) << reasonOf(r.reply);
    EXPECT_TRUE(r.complete);
    if (result) *result = r;
    return c;
}

std::optional<std::vector<uint32_t>> ServerTest::groupMembers(const char* guid) {
    wire::Guid g;
    wire::Guid::fromString(guid, g);
    return server_->call([&](server::Server& s) {
        const server::DiscussionGroup* d = s.directory().group(g);
        return d ? std::optional(d->members) : std::nullopt;
    });
}

} // namespace vantor::testing
