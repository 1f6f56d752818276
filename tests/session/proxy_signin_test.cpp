#include "missing_tool.h"
#include "session_fixture.h"

namespace vantor::testing {
namespace {

const char* const kConnectFailed = "balloon 连接失败|未能连接至服务器，请检查网络设置！|10|error";

struct ProxyCase {
    const char* what;
    int category; // ProxyCategory
    bool withAccount;
};

class ProxySignIn : public SessionTest, public ::testing::WithParamInterface<ProxyCase> {};

TEST_P(ProxySignIn, SignsInThroughTheProxy) {
    const ProxyCase& p = GetParam();
    std::unique_ptr<ProxyProcess> proxy;
    if (p.category == 4)
        proxy = std::make_unique<TinyProxy>(std::vector<uint16_t>{server_->port()});
    else
        proxy = std::make_unique<DanteProxy>();
    ASSERT_TRUE(proxy->started()) << proxy->output().constData();
    // The pipe in front of the proxy counts the attempts.
    TcpPipe pipe(proxy->port());
    std::unique_ptr<SystemUser> account;
    if (p.withAccount) {
        account = std::make_unique<SystemUser>();
        VANTOR_NEEDS_TOOL(account->ok() ? "" : "needs root for a system account");
        setMachine("ProxyUsername", account->name.toStdString());
        setMachine("ProxyPassword", account->password.toStdString());
    }
    setMachineInt("ProxyCategory", p.category);
    setMachine("ProxyAddress", "127.0.0.1");
    setMachineInt("ProxyPort", pipe.port());
    auto& c = makeClient("loginuser=a&loginpwd=pa");
    ASSERT_TRUE(waitSignedIn(c)) << p.what;
    EXPECT_EQ(pipe.connections(), 1);
    // The heartbeat goes through the tunnel too.
    clock_.advance(30000);
    EXPECT_TRUE(waitFor([&] { return c.LastServerSign == clock_.nowMs(); })) << p.what;
}

INSTANTIATE_TEST_SUITE_P(Kinds, ProxySignIn,
                         ::testing::Values(ProxyCase{"SOCKS 4", 1, false}, ProxyCase{"SOCKS 5", 3, false},
                                           ProxyCase{"SOCKS 5 with user name and password", 3, true},
                                           ProxyCase{"HTTP", 4, false}),
                         [](const auto& info) {
                             return "category" + std::to_string(info.param.category) +
                                    (info.param.withAccount ? "_account" : "");
                         });

TEST_F(SessionTest, ARefusingProxyFailsAfterItsAttempts) {
    DanteProxy socks(server_->port()); // refuses our server by rule
    TinyProxy http({1});               // allows no port of ours
    ASSERT_TRUE(socks.started() && http.started());
    struct Case {
        int category;
        uint16_t proxyPort;
        int attempts;
    } cases[] = {{3, socks.port(), 3}, {1, socks.port(), 3}, {4, http.port(), 1}};
    for (const auto& k : cases) {
        TcpPipe pipe(k.proxyPort);
        setMachineInt("ProxyCategory", k.category);
        setMachine("ProxyAddress", "127.0.0.1");
        setMachineInt("ProxyPort", pipe.port());
        view_.calls.clear();
        auto& c = makeClient("loginuser=a&loginpwd=pa");
        ASSERT_TRUE(waitFor([&] { return view_.has(kConnectFailed); })) << k.category;
        EXPECT_EQ(pipe.connections(), k.attempts) << k.category;
        EXPECT_FALSE(c.ConnectionOpen());
        EXPECT_TRUE(view_.has("re-login lost"));
        client_.reset();
    }
}

} // namespace
} // namespace vantor::testing
