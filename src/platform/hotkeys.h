// System-wide hot keys of the main window: Ctrl+Q and Ctrl+keypad 1…4. The X11 backend grabs them
// on the root window; the null backend registers nothing (tests and desktops without X).
#pragma once

#include <functional>
#include <vector>

namespace vantor::platform {

enum class HotKey { CtrlQ, CtrlKeypad1, CtrlKeypad2, CtrlKeypad3, CtrlKeypad4 };

class HotKeys {
  public:
    virtual ~HotKeys() = default;
    // Registers the five keys; false when none could be registered (another program holds them).
    virtual bool registerAll() = 0;
    virtual void unregisterAll() = 0;
    // The keys another program held at the last registerAll(), in the order of HotKey.
    virtual std::vector<HotKey> taken() const { return {}; }
    // Called on the thread that created the backend, once per key press.
    std::function<void(HotKey)> onHotKey;
};

class NullHotKeys : public HotKeys {
  public:
    bool registerAll() override { return false; }
    void unregisterAll() override {}
};

} // namespace vantor::platform
