// The X11 hot keys: XGrabKey on the root window over a display connection of our own, read by a
// socket notifier on the event loop (never a blocking read).
#pragma once

#include "platform/hotkeys.h"

#include <QObject>

#include <memory>

namespace vantor::platform {

class X11HotKeys : public QObject, public HotKeys {
    Q_OBJECT
  public:
    // Opens its own connection to $DISPLAY; without one every registration fails.
    explicit X11HotKeys(QObject* parent = nullptr);
    ~X11HotKeys() override;
    bool registerAll() override;
    void unregisterAll() override;
    std::vector<HotKey> taken() const override;

  private:
    struct Impl;
    void readEvents();
    std::unique_ptr<Impl> d_;
};

} // namespace vantor::platform
