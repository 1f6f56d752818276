#include "platform/hotkeys_x11.h"

#include <QSocketNotifier>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <array>
#include <vector>

namespace vantor::platform {

namespace {
struct Binding {
    KeySym sym;
    HotKey key;
};
constexpr std::array<Binding, 5> kBindings{{{XK_q, HotKey::CtrlQ},
                                            {XK_KP_1, HotKey::CtrlKeypad1},
                                            {XK_KP_2, HotKey::CtrlKeypad2},
                                            {XK_KP_3, HotKey::CtrlKeypad3},
                                            {XK_KP_4, HotKey::CtrlKeypad4}}};
// Ctrl with every combination of Num Lock (Mod2) and Caps Lock, which X counts as modifiers; the
// keypad digits need Num Lock on to be digits at all.
constexpr std::array<unsigned, 4> kLockVariants{0, LockMask, Mod2Mask, LockMask | Mod2Mask};

// A grab that another program holds fails with BadAccess, asynchronously: the handler notes it and
// the XSync after each key's grabs tells which key it was. Xlib's error handler is process-wide, so
// the note is too; registration runs on one thread.
bool grabRefused = false;
int noteGrabErrors(Display*, XErrorEvent* e) {
    if (e->error_code == BadAccess) grabRefused = true;
    return 0;
}
} // namespace

struct X11HotKeys::Impl {
    Display* display = nullptr;
    std::unique_ptr<QSocketNotifier> notifier;
    std::vector<std::pair<KeyCode, HotKey>> grabbed;
    std::vector<HotKey> taken;
};

X11HotKeys::X11HotKeys(QObject* parent) : QObject(parent), d_(std::make_unique<Impl>()) {
    d_->display = XOpenDisplay(nullptr);
    if (!d_->display) return;
    d_->notifier = std::make_unique<QSocketNotifier>(ConnectionNumber(d_->display), QSocketNotifier::Read);
    connect(d_->notifier.get(), &QSocketNotifier::activated, this, [this] { readEvents(); });
}

X11HotKeys::~X11HotKeys() {
    unregisterAll();
    d_->notifier.reset();
    if (d_->display) XCloseDisplay(d_->display);
}

bool X11HotKeys::registerAll() {
    if (!d_->display) return false;
    unregisterAll();
    d_->taken.clear();
    // A refused grab must not end the client, and must not leave the key's other lock variants
    // grabbed: a key is ours with every variant or not at all.
    auto* previous = XSetErrorHandler(noteGrabErrors);
    const Window root = DefaultRootWindow(d_->display);
    for (const Binding& b : kBindings) {
        const KeyCode code = XKeysymToKeycode(d_->display, b.sym);
        if (code == 0) continue;
        grabRefused = false;
        for (unsigned lock : kLockVariants)
            XGrabKey(d_->display, code, ControlMask | lock, root, False, GrabModeAsync, GrabModeAsync);
        XSync(d_->display, False);
        if (grabRefused) {
            // Ungrabbing a variant another client holds is a no-op for it.
            for (unsigned lock : kLockVariants)
                XUngrabKey(d_->display, code, ControlMask | lock, root);
            XSync(d_->display, False);
            d_->taken.push_back(b.key);
            continue;
        }
        d_->grabbed.emplace_back(code, b.key);
    }
    XSelectInput(d_->display, root, KeyPressMask);
    XSync(d_->display, False);
    XSetErrorHandler(previous);
    readEvents(); // what XSync queued would wait for the next byte on the socket
    return !d_->grabbed.empty();
}

std::vector<HotKey> X11HotKeys::taken() const {
    return d_->taken;
}

void X11HotKeys::unregisterAll() {
    if (!d_->display || d_->grabbed.empty()) return;
    const Window root = DefaultRootWindow(d_->display);
    for (const auto& [code, key] : d_->grabbed)
        for (unsigned lock : kLockVariants)
            XUngrabKey(d_->display, code, ControlMask | lock, root);
    d_->grabbed.clear();
    XFlush(d_->display);
}

void X11HotKeys::readEvents() {
    while (XPending(d_->display) > 0) {
        XEvent ev;
        XNextEvent(d_->display, &ev);
        if (ev.type != KeyPress || !(ev.xkey.state & ControlMask)) continue;
        for (const auto& [code, key] : d_->grabbed)
            if (code == ev.xkey.keycode && onHotKey) onHotKey(key);
    }
}

} // namespace vantor::platform
