// The desktop client's main window over a whole client, against the reference server with the
// sample organisation (zhangwei is 1001 in 总经理办公室 with 王芳 1002 and 李娜 1003). The window's
// clock is the fixture's manual clock; conversation windows, sound and sibling programs are
// recording fakes.
#pragma once

#include "../../client/client_fixture.h"
#include "platform/hotkeys.h"
#include "platform/sound.h"
#include "ui/desktop/desktop.h"

#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

namespace vantor::testing {

class RecordingWindows : public client::IConversationWindows {
  public:
    void openWith(uint32_t userId) override { opened.push_back(userId); }
    void showConversation(int id) override { shown.push_back(id); }
    void openHistory(uint32_t userId) override { histories.push_back(userId); }
    void openGroup(const wire::Guid& group) override { groups.push_back(group); }
    std::vector<uint32_t> opened;
    std::vector<wire::Guid> groups;
    std::vector<int> shown;
    std::vector<uint32_t> histories;
};

class MainWindowTest : public ClientTest {
  protected:
    void TearDown() override;

    // The desktop client started with a first argument (UTF-8); `host` false leaves the server
    // out of the settings.
    // `port`: the server port written into the settings (0: the reference server's).
    void startDesktop(const std::string& argument = {}, bool host = true, uint16_t port = 0);
    // Waits for the sign-in panel, fills it and presses btn_Login; true once signed in.
    bool signInFromPanel(const QString& account, const QString& password);
    bool signInPanelShown();

    ui::MainWindow& window() { return desktop->window(); }
    session::TMessengerX& messenger() { return desktop->client().messenger(); }
    template <class T>
    T* find(const char* name) {
        T* w = window().findChild<T*>(QLatin1String(name));
        EXPECT_TRUE(w) << name;
        return w;
    }
    // Whether a child widget would be seen (it and every parent up to the window are visible).
    bool seen(const char* name);
    // The tree's text of a user's row and of a department's row.
    QString userRow(uint32_t id);
    QString departmentRow(uint32_t id);
    // A message from the server, as the reader would hand it over.
    void deliver(protocol::Cmd code, const std::string& body);

    QString folder;
    RecordingWindows windows;
    platform::RecordingSoundPlayer sound;
    platform::RecordingProcessLauncher launcher;
    std::vector<QUrl> links;
    platform::DesktopNotifier* notifier = nullptr; // set before startDesktop (none: no notifications)
    platform::HotKeys* hotKeys = nullptr;          // set before startDesktop (none: no hot keys)
    std::optional<bool> compositing;               // set before startDesktop (none: asked)
    std::unique_ptr<ui::Desktop> desktop;
};

} // namespace vantor::testing
