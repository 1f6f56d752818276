// Desktop notifications: a title and a short text shown by the desktop outside the client (the
// freedesktop notification service on Linux desktops). Each notification belongs to a key of the
// caller's (a conversation); a new one for the same key replaces the old one, and a click on it
// hands the key back. The null backend shows nothing; the recording one keeps what it was asked.
#pragma once

#include <QString>

#include <functional>
#include <vector>

namespace vantor::platform {

class DesktopNotifier {
  public:
    virtual ~DesktopNotifier() = default;
    // Shows (or replaces) the notification of `key`; returns at once.
    virtual void show(int key, const QString& title, const QString& body) = 0;
    // Takes the notification of `key` away, if one is shown.
    virtual void withdraw(int key) = 0;
    // The user clicked the notification of `key`.
    std::function<void(int key)> onActivated;
};

class NullDesktopNotifier : public DesktopNotifier {
  public:
    void show(int, const QString&, const QString&) override {}
    void withdraw(int) override {}
};

class RecordingDesktopNotifier : public DesktopNotifier {
  public:
    struct Shown {
        int key;
        QString title, body;
    };
    void show(int key, const QString& title, const QString& body) override {
        shown.push_back({key, title, body});
    }
    void withdraw(int key) override { withdrawn.push_back(key); }
    std::vector<Shown> shown;
    std::vector<int> withdrawn;
};

} // namespace vantor::platform
