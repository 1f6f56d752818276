// Presence: own changes take effect on the server's echo, colleagues' changes, the own display,
// the automatic away and busy rules, and the work state.
#include "directory/status_display.h"
#include "fakes.h"

#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::directory;
using namespace vantor::directory::test;

namespace {

std::vector<protocol::StatusRecord> sentStatus(FakeServer& server) {
    std::vector<protocol::StatusRecord> out;
    for (const auto& m : server.take(protocol::Cmd::Status)) {
        protocol::StatusRecord r;
        EXPECT_TRUE(protocol::StatusRecord::decodeBody(m.body, r));
        out.push_back(r);
    }
    server.sent.clear();
    return out;
}

DirectorySettings product() {
    DirectorySettings s;
    s.productName = g("办公通");
    return s;
}

} // namespace

TEST(OwnStatus, TheDisplayChangesOnlyWithTheEcho) {
    Harness h(product());
    h.signIn();
    Presence& p = h.core.presence();
    h.view.ownStates.clear();
    EXPECT_TRUE(p.SetOwnStatus(1, std::nullopt, std::nullopt, false));
    EXPECT_EQ(h.dir().ownUser()->record.status, 0);
    EXPECT_TRUE(h.view.ownStates.empty());
    EXPECT_FALSE(p.SetOwnStatus(0, std::nullopt, std::nullopt, false)); // the current status again

    h.feed(statusMessage(1, 1));
    EXPECT_EQ(h.dir().ownUser()->record.status, 1);
    ASSERT_EQ(h.view.ownStates.size(), 1u);
    const OwnStateDisplay& s = h.view.ownStates[0];
    EXPECT_TRUE(s.signedIn);
    EXPECT_EQ(s.statusLabel, g("[忙碌]"));
    EXPECT_EQ(s.memo, g("个性签名 ..."));
    EXPECT_EQ(s.trayHint, g("办公通 -- 我自己 [忙碌]"));
    EXPECT_EQ(s.checkedStatus, 1);
    EXPECT_EQ(s.pictureClass, StatusClass::Busy);
    EXPECT_EQ(s.trayIconIndex, 3);
    EXPECT_EQ(h.host.changed.back(), std::make_pair(1u, true));
}

TEST(OwnStatus, TextsAreCutAndThePictureNameWins) {
    Harness h;
    h.signIn();
    Presence& p = h.core.presence();
    p.SetOwnStatus(0, std::string(100, 's'), std::nullopt, false);
    p.SetOwnStatus(0, std::string("sig"), std::string("face_12"), false);
    const auto sent = sentStatus(h.server);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].textKind, 2);
    EXPECT_EQ(sent[0].text, std::string(99, 's'));
    EXPECT_EQ(sent[1].textKind, 1);
    EXPECT_EQ(sent[1].text, "face_12");
}

TEST(OwnStatus, SignedOutDisplayAndStatusesOutsideTheTable) {
    Harness h(product());
    h.core.presence().ShowOwnState();
    ASSERT_EQ(h.view.ownStates.size(), 1u);
    EXPECT_EQ(h.view.ownStates[0].statusLabel, g("[未登录]"));
    EXPECT_EQ(h.view.ownStates[0].trayHint, g("办公通 -- [未登录]"));
    EXPECT_EQ(h.view.ownStates[0].trayIconIndex, 0);

    h.signIn();
    h.feed(statusMessage(1, 42));
    EXPECT_EQ(h.view.ownStates.back().statusLabel, g("[]")) << "a code without a name";
    EXPECT_EQ(h.view.ownStates.back().checkedStatus, -1);
    EXPECT_EQ(h.view.ownStates.back().pictureClass, StatusClass::Busy);
}

TEST(TrayIcon, IndexByStatus) {
    const int expected[11] = {1, 3, 2, 2, 3, 2, 3, 5, 0, 4, 2};
    for (uint8_t s = 0; s <= 10; ++s)
        EXPECT_EQ(trayIconIndex(true, s), expected[s]) << int(s);
    EXPECT_EQ(trayIconIndex(false, 0), 0);
}

struct ColleagueCase {
    const char* name;
    uint8_t status;
    bool endsSessions;
    friend void PrintTo(const ColleagueCase& c, std::ostream* os) { *os << c.name; }
};

class ColleagueStatus : public ::testing::TestWithParam<ColleagueCase> {};

TEST_P(ColleagueStatus, OfflineAndMobileEndTheSessions) {
    Harness h;
    h.signIn();
    h.feed(userItem(user(2, 10, "张三", 0)));
    h.feed(statusMessage(2, GetParam().status));
    EXPECT_EQ(h.peers.ended.size(), GetParam().endsSessions ? 1u : 0u);
    EXPECT_EQ(h.dir().findUser(2)->record.status, GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(Statuses, ColleagueStatus,
                         ::testing::Values(ColleagueCase{"offline", 8, true},
                                           ColleagueCase{"mobile", 10, true},
                                           ColleagueCase{"offlineHighBit", 0x88, true},
                                           ColleagueCase{"invisible", 9, false},
                                           ColleagueCase{"busy", 1, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ColleagueStatus, TextsAndBounds) {
    Harness h;
    h.signIn();
    h.feed(userItem(user(2, 10, "张三", 0)));
    h.feed(statusMessage(2, 0, false, 2, g("新的签名")));
    h.feed(statusMessage(2, 0, false, 1, "abcdefghijklmnop"));
    const User* u = h.dir().findUser(2);
    EXPECT_EQ(u->record.signature, g("新的签名"));
    EXPECT_EQ(u->record.headPicture, "abcdefghij");

    // A text longer than the record's field is refused whole; unknown ids are ignored.
    protocol::StatusRecord tooLong;
    tooLong.userId = 2;
    tooLong.status = 1;
    tooLong.textKind = 2;
    tooLong.text = std::string(100, 'x');
    h.core.presence().OnStatus(tooLong);
    h.feed(statusMessage(99, 8));
    EXPECT_EQ(u->record.status, 0);
    EXPECT_EQ(u->record.signature, g("新的签名"));
    EXPECT_TRUE(h.peers.ended.empty());
}

// ---- the automatic rules ----

struct Tick {
    int64_t idleMs;
    Foreground front;
    int echo; // status the server echoes before the tick (-1: none); automatic when echoAuto
    bool echoAuto;
    int expect; // status sent by the tick (-1: none)
    bool expectAuto;
    int64_t advanceMs = 1000;
};

struct RuleCase {
    const char* name;
    std::vector<Tick> ticks;
    bool screenCapture = false;
    int64_t intervalMinutes = 5;
    friend void PrintTo(const RuleCase& c, std::ostream* os) { *os << c.name; }
};

class AutomaticStatus : public ::testing::TestWithParam<RuleCase> {};

constexpr int64_t kIdle = 5 * 60000 + 1;
constexpr auto kNone = Foreground::Unknown;
constexpr auto kFull = Foreground::FullScreen;
constexpr auto kWin = Foreground::Windowed;

TEST_P(AutomaticStatus, Rules) {
    const RuleCase& c = GetParam();
    DirectorySettings s;
    s.autoLeaveIntervalMinutes = c.intervalMinutes;
    Harness h(s);
    h.signIn();
    h.core.presence().setScreenCaptureActive(c.screenCapture);
    int n = 0;
    for (const Tick& t : c.ticks) {
        if (t.echo >= 0) h.feed(statusMessage(1, uint8_t(t.echo), t.echoAuto));
        h.server.sent.clear();
        h.idle.idle = t.idleMs;
        h.idle.front = t.front;
        h.core.presence().StatusTimerTick();
        const auto sent = sentStatus(h.server);
        if (t.expect < 0) {
            EXPECT_TRUE(sent.empty()) << "tick " << n << " sent " << int(sent.empty() ? 0 : sent[0].status);
        } else {
            ASSERT_EQ(sent.size(), 1u) << "tick " << n;
            EXPECT_EQ(sent[0].status, t.expect) << "tick " << n;
            EXPECT_EQ(sent[0].automatic, t.expectAuto) << "tick " << n;
        }
        h.clock.now += t.advanceMs;
        ++n;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, AutomaticStatus,
    ::testing::Values(
        // Idle: away once; the echo of the automatic away does not bring the user back while
        // still idle; input brings back "在线".
        RuleCase{"awayAndBack",
                 {{0, kNone, -1, false, -1, false},
                  {kIdle, kNone, -1, false, 3, true},
                  {kIdle, kNone, 3, true, -1, false},
                  {kIdle, kNone, -1, false, -1, false},
                  {0, kNone, -1, false, 0, false},
                  {0, kNone, 0, false, -1, false}}},
        // An away chosen by the user is left alone.
        RuleCase{"chosenAwayStays", {{kIdle, kNone, 3, false, -1, false}, {0, kNone, -1, false, -1, false}}},
        // Only "在线" turns to away.
        RuleCase{"busyStaysBusy", {{kIdle, kNone, 1, false, -1, false}}},
        // Without an echo the request is not repeated every second, but again after 30 s.
        RuleCase{"noEcho",
                 {{kIdle, kNone, -1, false, 3, true, 1000},
                  {kIdle, kNone, -1, false, -1, false, 28000},
                  {kIdle, kNone, -1, false, -1, false, 1000},
                  {kIdle, kNone, -1, false, 3, true}}},
        // A full-screen window: busy; back once the window is no longer full-screen.
        RuleCase{"fullScreenBusy",
                 {{0, kFull, -1, false, 1, true},
                  {0, kFull, 1, true, -1, false},
                  {0, Foreground::Desktop, -1, false, -1, false},
                  {0, kWin, -1, false, 0, false}}},
        RuleCase{"screenCaptureIsNotBusy", {{0, kFull, -1, false, -1, false}}, true},
        // 40 000 minutes are 2.4e9 ms: the product must not wrap in 32 bits.
        RuleCase{"longInterval", {{2000000000, kNone, -1, false, -1, false}}, false, 40000}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- work state ----

TEST(WorkState, SentOnceAndShownWithoutSendingWhenSynchronised) {
    Harness h;
    auto own = user(1, 10, "我自己", 0);
    own.isOwn = true;
    own.workState = g("在岗");
    h.feed(userItem(own));
    EXPECT_EQ(h.view.workStates, std::vector<std::string>{g("在岗")});

    protocol::Guid session;
    session.data1 = 0x11223344;
    h.core.presence().setSessionId(session);
    h.core.presence().SetWorkState(g("开会"));
    h.core.presence().SetWorkState(g("开会"));
    h.core.presence().SetWorkState(g("休假")); // not a work state
    const auto sent = h.server.take(protocol::Cmd::WorkState);
    ASSERT_EQ(sent.size(), 1u);
    std::string expected("\x44\x33\x22\x11", 4);
    expected += std::string(12, '\0') + "\x04" + g("开会") + std::string(16, '\0') + "\x04null";
    expected += std::string(138 - expected.size(), '\0');
    EXPECT_EQ(sent[0].body, expected);

    protocol::WorkStateRecord sync;
    sync.name = g("外出");
    h.feed(protocol::makeMessage(protocol::Cmd::WorkStateSync, sync));
    EXPECT_EQ(h.core.presence().currentWorkState(), g("外出"));
    EXPECT_EQ(h.view.workStates.back(), g("外出"));
    EXPECT_EQ(h.server.take(protocol::Cmd::WorkState).size(), 1u);
}

TEST(WorkState, NothingIsSentWhenSignedOut) {
    Harness h;
    h.core.presence().SetWorkState(g("开会"));
    EXPECT_TRUE(h.server.sent.empty());
}
