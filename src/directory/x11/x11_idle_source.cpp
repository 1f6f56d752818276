#include "directory/x11/x11_idle_source.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

#include <algorithm>
#include <vector>

namespace vantor::directory {

struct X11IdleSource::State {
    Display* display = nullptr;
    bool saverExtension = false;
    Atom activeWindow = None;
    Atom windowType = None;
    Atom typeDesktop = None;
    Atom wmState = None;
    Atom stateFullScreen = None;
};

namespace {

// The atoms of a list property of `w` (window type, window state); empty when absent.
std::vector<Atom> atomList(Display* d, Window w, Atom property) {
    std::vector<Atom> out;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, property, 0, 64, False, XA_ATOM, &type, &format, &count, &after, &data) !=
            Success ||
        !data)
        return out;
    if (type == XA_ATOM && format == 32) {
        const auto* atoms = reinterpret_cast<const Atom*>(data); // format 32 arrives as longs
        out.assign(atoms, atoms + count);
    }
    XFree(data);
    return out;
}

Window activeWindow(Display* d, Atom property) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    Window w = None;
    if (XGetWindowProperty(d, DefaultRootWindow(d), property, 0, 1, False, XA_WINDOW, &type, &format, &count,
                           &after, &data) == Success &&
        data) {
        if (type == XA_WINDOW && format == 32 && count == 1) w = *reinterpret_cast<const Window*>(data);
        XFree(data);
    }
    return w;
}

// X errors (a window that vanished between two requests) must not end the program.
int ignoreErrors(Display*, XErrorEvent*) {
    return 0;
}

} // namespace

X11IdleSource::X11IdleSource(const char* display) : s_(std::make_unique<State>()) {
    s_->display = XOpenDisplay(display);
    if (!s_->display) return;
    int event = 0, error = 0;
    s_->saverExtension = XScreenSaverQueryExtension(s_->display, &event, &error);
    s_->activeWindow = XInternAtom(s_->display, "_NET_ACTIVE_WINDOW", False);
    s_->windowType = XInternAtom(s_->display, "_NET_WM_WINDOW_TYPE", False);
    s_->typeDesktop = XInternAtom(s_->display, "_NET_WM_WINDOW_TYPE_DESKTOP", False);
    s_->wmState = XInternAtom(s_->display, "_NET_WM_STATE", False);
    s_->stateFullScreen = XInternAtom(s_->display, "_NET_WM_STATE_FULLSCREEN", False);
}

X11IdleSource::~X11IdleSource() {
    if (s_->display) XCloseDisplay(s_->display);
}

bool X11IdleSource::connected() const {
    return s_->display != nullptr;
}

int64_t X11IdleSource::idleMilliseconds() {
    if (!s_->display || !s_->saverExtension) return 0;
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    if (!info) return 0;
    int64_t idle = 0;
    if (XScreenSaverQueryInfo(s_->display, DefaultRootWindow(s_->display), info)) idle = int64_t(info->idle);
    XFree(info);
    return idle;
}

Foreground X11IdleSource::foreground() {
    Display* d = s_->display;
    if (!d) return Foreground::Unknown;
    auto* previous = XSetErrorHandler(ignoreErrors);
    Foreground result = Foreground::Unknown;
    const Window w = activeWindow(d, s_->activeWindow);
    const Window root = DefaultRootWindow(d);
    XWindowAttributes attributes{};
    if (w != None && w != root && XGetWindowAttributes(d, w, &attributes)) {
        const auto types = atomList(d, w, s_->windowType);
        const auto states = atomList(d, w, s_->wmState);
        if (std::find(types.begin(), types.end(), s_->typeDesktop) != types.end()) {
            result = Foreground::Desktop;
        } else if (std::find(states.begin(), states.end(), s_->stateFullScreen) != states.end()) {
            result = Foreground::FullScreen;
        } else {
            // The window's rectangle in root coordinates, clipped to the screen.
            int x = 0, y = 0;
            Window child = None;
            XTranslateCoordinates(d, w, root, 0, 0, &x, &y, &child);
            const int sw = DisplayWidth(d, DefaultScreen(d));
            const int sh = DisplayHeight(d, DefaultScreen(d));
            const int left = std::max(x, 0), top = std::max(y, 0);
            const int right = std::min(x + attributes.width, sw),
                      bottom = std::min(y + attributes.height, sh);
            const bool covers = left == 0 && top == 0 && right == sw && bottom == sh;
            result = covers ? Foreground::FullScreen : Foreground::Windowed;
        }
    }
    XSync(d, False);
    XSetErrorHandler(previous);
    return result;
}

} // namespace vantor::directory
