// The X11 idle source against a real X server (Xvfb, started here when no display is set).
#include "directory/x11/x11_idle_source.h"

#include "missing_tool.h"
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

// Last: Xlib defines None, Bool, Status… as macros.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

using namespace vantor::directory;

namespace {

// An Xvfb server of our own, on the display number it chooses itself.
class Xvfb {
  public:
    Xvfb() {
        if (access("/usr/bin/Xvfb", X_OK) != 0) return;
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0",
                  "640x480x24", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        // Xvfb writes its display number and a newline once it accepts connections.
        std::string number;
        char c = 0;
        for (;;) {
            const ssize_t n = read(fds[0], &c, 1);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0 || c == '\n') break;
            number += c;
        }
        close(fds[0]);
        if (!number.empty()) display_ = ":" + number;
    }
    ~Xvfb() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& display() const { return display_; }

  private:
    pid_t pid_ = -1;
    std::string display_;
};

class X11Idle : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        server_ = new Xvfb;
        VANTOR_NEEDS_TOOL(server_->display().empty() ? "no X server (xvfb)" : "");
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override {
        VANTOR_NEEDS_TOOL(server_->display().empty() ? "no X server (xvfb)" : "");
        // A loaded machine can refuse a connection for a moment; try for up to two seconds.
        for (int i = 0; i < 20 && !d_; ++i) {
            d_ = XOpenDisplay(server_->display().c_str());
            if (!d_) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        ASSERT_NE(d_, nullptr);
    }
    void TearDown() override {
        if (d_) XCloseDisplay(d_);
    }

    Window window(int w, int h) {
        const Window win =
            XCreateSimpleWindow(d_, DefaultRootWindow(d_), 0, 0, unsigned(w), unsigned(h), 0, 0, 0);
        XSync(d_, False);
        return win;
    }
    void setAtoms(Window w, const char* property, const char* value) {
        Atom a = XInternAtom(d_, value, False);
        XChangeProperty(d_, w, XInternAtom(d_, property, False), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&a), 1);
    }
    void activate(Window w) {
        XChangeProperty(d_, DefaultRootWindow(d_), XInternAtom(d_, "_NET_ACTIVE_WINDOW", False), XA_WINDOW,
                        32, PropModeReplace, reinterpret_cast<unsigned char*>(&w), 1);
        XSync(d_, False);
    }

    static Xvfb* server_;
    Display* d_ = nullptr;
};

Xvfb* X11Idle::server_ = nullptr;

} // namespace

TEST_F(X11Idle, IdleTimeGrowsWithoutInput) {
    X11IdleSource source(server_->display().c_str());
    ASSERT_TRUE(source.connected());
    const int64_t first = source.idleMilliseconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_GE(first, 0);
    EXPECT_GE(source.idleMilliseconds(), first);
}

TEST_F(X11Idle, TheActiveWindowAgainstTheScreen) {
    struct Case {
        const char* name;
        int width, height;
        const char* type;  // _NET_WM_WINDOW_TYPE
        const char* state; // _NET_WM_STATE
        Foreground expected;
    };
    const Case cases[] = {
        {"small", 200, 100, nullptr, nullptr, Foreground::Windowed},
        {"wholeScreen", 640, 480, nullptr, nullptr, Foreground::FullScreen},
        {"larger", 800, 600, nullptr, nullptr, Foreground::FullScreen},
        {"askedFullScreen", 200, 100, nullptr, "_NET_WM_STATE_FULLSCREEN", Foreground::FullScreen},
        {"desktop", 640, 480, "_NET_WM_WINDOW_TYPE_DESKTOP", nullptr, Foreground::Desktop},
    };
    X11IdleSource source(server_->display().c_str());
    EXPECT_EQ(source.foreground(), Foreground::Unknown); // nothing announced yet
    for (const auto& c : cases) {
        const Window w = window(c.width, c.height);
        if (c.type) setAtoms(w, "_NET_WM_WINDOW_TYPE", c.type);
        if (c.state) setAtoms(w, "_NET_WM_STATE", c.state);
        activate(w);
        EXPECT_EQ(source.foreground(), c.expected) << c.name;
        XDestroyWindow(d_, w);
        XSync(d_, False);
        // The announced window is gone: no error, nothing known.
        EXPECT_EQ(source.foreground(), Foreground::Unknown) << c.name;
    }
}

TEST(X11IdleNoDisplay, AnswersLikeTheNullSource) {
    X11IdleSource source(":9999");
    EXPECT_FALSE(source.connected());
    EXPECT_EQ(source.idleMilliseconds(), 0);
    EXPECT_EQ(source.foreground(), Foreground::Unknown);
}
