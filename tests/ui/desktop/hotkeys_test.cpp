// The X11 hot keys on an X server of the test's own: keys typed through the XTEST extension reach
// the client only with Ctrl, whatever the lock keys; and through the desktop they act.
#include "../main/window_fixture.h"
#include "platform/hotkeys_x11.h"
#include "protocol/text.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace vantor::testing {
namespace {

// Another program typing on the same X server.
class Typist {
  public:
    Typist() : display_(XOpenDisplay(qgetenv("DISPLAY").constData())) {}
    ~Typist() {
        if (display_) XCloseDisplay(display_);
    }
    bool ok() const { return display_ != nullptr; }
    // Holds Ctrl+key on the root window as another program would (the plain variant only).
    void grab(KeySym key) {
        XGrabKey(display_, XKeysymToKeycode(display_, key), ControlMask, DefaultRootWindow(display_), False,
                 GrabModeAsync, GrabModeAsync);
        XSync(display_, False);
    }
    void type(KeySym key, bool ctrl, bool numLock = false) {
        auto tap = [&](KeySym s, bool down) {
            XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, s), down ? True : False, 0);
        };
        if (numLock) {
            tap(XK_Num_Lock, true);
            tap(XK_Num_Lock, false);
        }
        if (ctrl) tap(XK_Control_L, true);
        tap(key, true);
        tap(key, false);
        if (ctrl) tap(XK_Control_L, false);
        if (numLock) {
            tap(XK_Num_Lock, true);
            tap(XK_Num_Lock, false);
        }
        XFlush(display_);
    }

  private:
    Display* display_;
};

bool spinUntil(const std::function<bool()>& done, int ms = 3000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

TEST(X11HotKeys, CtrlWithTheFiveKeysWhateverTheLocks) {
    platform::X11HotKeys keys;
    std::vector<platform::HotKey> got;
    keys.onHotKey = [&](platform::HotKey k) { got.push_back(k); };
    ASSERT_TRUE(keys.registerAll());
    Typist typist;
    ASSERT_TRUE(typist.ok());

    struct Case {
        KeySym key;
        bool ctrl, numLock;
        std::vector<platform::HotKey> expected;
    };
    using H = platform::HotKey;
    const Case cases[] = {
        {XK_q, true, false, {H::CtrlQ}},          {XK_q, false, false, {}},
        {XK_KP_1, true, true, {H::CtrlKeypad1}},  {XK_KP_4, true, true, {H::CtrlKeypad4}},
        {XK_KP_2, true, false, {H::CtrlKeypad2}}, {XK_w, true, false, {}},
    };
    for (const Case& c : cases) {
        got.clear();
        typist.type(c.key, c.ctrl, c.numLock);
        spinUntil([&] { return !got.empty(); }, c.expected.empty() ? 300 : 3000);
        EXPECT_EQ(got, c.expected) << XKeysymToString(c.key) << (c.ctrl ? " with Ctrl" : "");
    }
    keys.unregisterAll();
    got.clear();
    typist.type(XK_q, true);
    spinUntil([&] { return !got.empty(); }, 300);
    EXPECT_TRUE(got.empty());
}

TEST(X11HotKeys, AKeyAnotherProgramHoldsIsReportedAndLeftWholeTheOthersWork) {
    Typist other;
    ASSERT_TRUE(other.ok());
    other.grab(XK_q);
    platform::X11HotKeys keys;
    std::vector<platform::HotKey> got;
    keys.onHotKey = [&](platform::HotKey k) { got.push_back(k); };
    ASSERT_TRUE(keys.registerAll());
    EXPECT_EQ(keys.taken(), std::vector<platform::HotKey>{platform::HotKey::CtrlQ});

    Typist typist;
    typist.type(XK_KP_1, true, true);
    EXPECT_TRUE(spinUntil([&] { return !got.empty(); }));
    EXPECT_EQ(got, std::vector<platform::HotKey>{platform::HotKey::CtrlKeypad1});
    // Ctrl+Caps Lock+Q was free, but half a key is no key: it was given back.
    got.clear();
    typist.type(XK_Caps_Lock, false);
    typist.type(XK_q, true);
    typist.type(XK_Caps_Lock, false);
    spinUntil([&] { return !got.empty(); }, 300);
    EXPECT_TRUE(got.empty());
}

class DesktopHotKeysTest : public MainWindowTest {};

TEST_F(DesktopHotKeysTest, KeysHeldByAnotherProgramAreNamedToTheUser) {
    Typist other;
    ASSERT_TRUE(other.ok());
    other.grab(XK_q);
    other.grab(XK_KP_2);
    platform::X11HotKeys keys;
    hotKeys = &keys;
    startDesktop();
    EXPECT_EQ(window().shown().messageTitle, QStringLiteral("提示"));
    EXPECT_EQ(window().shown().messageText,
              QStringLiteral("热键 Ctrl+Q、Ctrl+小键盘2 已被其他程序占用，在本程序中不可用。"));
    desktop.reset();
}

TEST_F(DesktopHotKeysTest, CtrlQShowsTheHiddenWindowAndCtrlKeypadSetsTheWorkState) {
    platform::X11HotKeys keys;
    startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
    ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
    keys.onHotKey = [this](platform::HotKey k) { desktop->shell().hotKey(k); };
    ASSERT_TRUE(keys.registerAll());
    Typist typist;
    window().hide();
    messenger().WindowHidden = true;
    typist.type(XK_q, true);
    EXPECT_TRUE(drive([&] { return window().isVisible(); }, 3000));
    EXPECT_FALSE(messenger().WindowHidden);

    typist.type(XK_KP_3, true, true);
    EXPECT_TRUE(drive(
        [&] {
            return desktop->client().directory().presence().currentWorkState() == protocol::toGbk("外出");
        },
        3000));
}

} // namespace
} // namespace vantor::testing
