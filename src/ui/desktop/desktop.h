// The desktop client put together: the main window, the client core (session, directory, peers,
// chat) with the window as its views, the main window's behaviour (ShellCore) with the tray, hot
// keys and sound, and the conversation windows (built here where the build has them; others can
// be put in their place).
#pragma once

#include "client/client_core.h"
#include "client/conversation_windows.h"
#include "platform/autostart.h"
#include "platform/clock.h"
#include "platform/desktop_notifier.h"
#include "platform/devices.h"
#include "platform/hotkeys.h"
#include "platform/process_launcher.h"
#include "platform/sound.h"
#include "shell/settings_form.h"
#include "shell/shell_core.h"
#include "ui/main/main_window.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vantor::ui {

class PeopleWindows;
class DesktopAppearance;
class NoticeWindows;

class ChatWindows;
class ServiceWindows;
class TSystemSetForm;
class TfrmGroupSetup;

// Conversation windows that only log what they were asked to do (until real ones are plugged in).
class LoggingConversationWindows : public client::IConversationWindows {
  public:
    void openWith(uint32_t userId) override;
    void showConversation(int conversationId) override;
    void openHistory(uint32_t userId) override;
};

struct DesktopOptions {
    QString programFolder;   // holds SysImages/ and the sibling programs
    QString documentsFolder; // the data root is <documents>/KZQ/
    std::string exeFileName = "vantor";
    platform::Clock* clock = nullptr;
    platform::ProcessLauncher* launcher = nullptr;
    platform::CameraProbe* camera = nullptr;        // none: no camera
    platform::SoundPlayer* sound = nullptr;         // none: silent
    platform::HotKeys* hotKeys = nullptr;           // none: no hot keys
    platform::DesktopNotifier* notifier = nullptr;  // none: no desktop notifications
    directory::IIdleSource* idle = nullptr;         // none: never idle
    peer::DatagramSocketFactory* sockets = nullptr; // none: sockets on the event loop
    std::function<std::string()> machineId;         // default: the platform's
    std::function<std::string()> localAddress;      // default: the platform's
    std::function<void()> quit;                     // ends the application loop
    platform::Autostart* autostart = nullptr;       // none: the XDG autostart entry of the user
    QString programPath;                            // what autostart starts; default: this program
    std::optional<bool> compositing;                // translucent windows composed; default: asked
};

class Desktop {
  public:
    explicit Desktop(DesktopOptions options);
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    // The conversation windows; null puts the desktop's own back. They report hidden
    // conversations with messages to alerts().
    void setConversationWindows(client::IConversationWindows* windows);
    void setConversationView(conversation::IConversationView* view) { client_->setConversationView(view); }
    client::IConversationAlerts& alerts() { return shell_->alerts(); }
    // The conversation windows built with the desktop, where the build has them (else null).
    ChatWindows* chatWindows() const { return chatWindows_; }
    // The office services' windows (attendance, reservations, evaluation, reminder toast), where
    // the build has them (else null).
    ServiceWindows* serviceWindows() const { return serviceWindows_; }

    // Main window creation with the first command-line argument (GBK); shows the window unless it
    // starts hidden.
    void start(std::string_view argument);

    // The settings dialog, one at a time, on a page; its behaviour.
    void openSettings(shell::SettingsPage page);
    TSystemSetForm* settingsDialog() const;
    shell::SettingsForm& settingsForm() { return *settingsForm_; }
    PeopleWindows& people() { return *people_; }
    // The notice reader and composer (from the notice button and its badge).
    NoticeWindows& notices() { return *notices_; }
    // The group setup dialog in create mode (the group list's "+"), one at a time.
    TfrmGroupSetup* openGroupCreation();
    TfrmGroupSetup* groupCreationDialog() const;
    // The message centre's side panel (made when an offline file is listed, freed on close), or null.
    QWidget* infoCenter() const;

    MainWindow& window() { return *window_; }
    // The skin, the skin dialog, the hints and the shadows.
    DesktopAppearance& appearance() { return *appearance_; }
    client::ClientCore& client() { return *client_; }
    shell::ShellCore& shell() { return *shell_; }

  private:
    // ShowUserCard for the tree's hover over a colleague's picture area (0: off it, the card hides).
    void showUserCard(uint32_t userId, int entryTop);
    // AddOfflineFile: the side panel with its offline files, beside the main window.
    void showInfoCenter();

    DesktopOptions options_;
    platform::NullSoundPlayer nullSound_;
    platform::NullCameraProbe nullCamera_{false};
    LoggingConversationWindows loggingWindows_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<client::ClientCore> client_;
    std::unique_ptr<shell::ShellCore> shell_;
    std::unique_ptr<QObject> chatWindowsOwner_; // the same object as chatWindows_
    ChatWindows* chatWindows_ = nullptr;
    std::unique_ptr<QObject> serviceWindowsOwner_; // the same object as serviceWindows_
    ServiceWindows* serviceWindows_ = nullptr;
    std::shared_ptr<void> history_; // the history viewer, where the build has it
    std::unique_ptr<platform::XdgAutostart> ownAutostart_;
    std::unique_ptr<shell::SettingsForm> settingsForm_;
    QPointer<TSystemSetForm> settingsDialog_;
    QPointer<TfrmGroupSetup> groupCreation_;
    QPointer<QWidget> infoCenter_;
    std::unique_ptr<PeopleWindows> people_; // request windows, search wizard, picture dialog, card
    std::unique_ptr<DesktopAppearance> appearance_;
    std::unique_ptr<NoticeWindows> notices_;
};

} // namespace vantor::ui
