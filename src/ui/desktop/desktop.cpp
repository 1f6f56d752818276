#include "ui/desktop/desktop.h"

#include "platform/compositor.h"
#include "ui/desktop/desktop_skin.h"

#include "ui/groups/group_setup_form.h"
#include "ui/main/org_tree.h"
#include "ui/notice/notice_windows.h"
#include "ui/people/people_windows.h"
#include "ui/people/user_card_window.h"
#include "ui/settings/system_set_form.h"

#include <QCoreApplication>
#include <QDebug>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

#ifdef VANTOR_HAVE_CHAT_WINDOWS
#include "protocol/datetime.h"
#include "ui/chat/chat_windows.h"
#include "ui/chat/info_center.h"
#endif
#ifdef VANTOR_HAVE_SERVICE_WINDOWS
#include "ui/services/service_windows.h"
#endif
#ifdef VANTOR_HAVE_HISTORY_WINDOWS
#include "ui/history/history_directory.h"
#include "ui/history/history_windows.h"
#endif

namespace vantor::ui {

void LoggingConversationWindows::openWith(uint32_t userId) {
    qInfo("conversation with %u requested", userId);
}
void LoggingConversationWindows::showConversation(int id) {
    qInfo("conversation %d to be shown", id);
}
void LoggingConversationWindows::openHistory(uint32_t userId) {
    qInfo("history of %u requested", userId);
}

Desktop::Desktop(DesktopOptions options) : options_(std::move(options)) {
    window_ = std::make_unique<MainWindow>(options_.programFolder);

    client::ClientEnvironment env;
    env.session.clock = options_.clock;
    env.session.view = window_.get();
    env.session.launcher = options_.launcher;
    env.session.camera = options_.camera ? options_.camera : &nullCamera_;
    QString program = options_.programFolder;
    if (!program.endsWith(QLatin1Char('/'))) program += QLatin1Char('/');
    env.session.layout =
        settings::FolderLayout(program.toStdString(), options_.documentsFolder.toStdString());
    env.session.exeFileName = options_.exeFileName;
    if (options_.machineId) env.session.machineId = options_.machineId;
    if (options_.localAddress) env.session.localAddress = options_.localAddress;
    env.session.quit = options_.quit;
    env.directoryView = window_.get();
    env.idle = options_.idle;
    env.sockets = options_.sockets;
    env.pictures = &PeopleWindows::pictures();
    client_ = std::make_unique<client::ClientCore>(std::move(env));
    people_ = std::make_unique<PeopleWindows>(*client_);
    notices_ = std::make_unique<NoticeWindows>(*client_);

    shell_ =
        std::make_unique<shell::ShellCore>(*client_, *window_, options_.sound ? *options_.sound : nullSound_,
                                           *options_.launcher, options_.notifier);
    window_->attach(client_.get(), shell_.get(), &loggingWindows_);
    shell_->setConversationWindows(&loggingWindows_);
#ifdef VANTOR_HAVE_CHAT_WINDOWS
    auto chat = std::make_unique<ChatWindows>(*client_, nullptr, options_.programFolder, &shell_->alerts());
    chatWindows_ = chat.get();
    // "群文件共享": the network-folder program with the main window's place and the group's id.
    chat->onGroupFolder = [this](const conversation::Conversation& c) {
        shell_->startGroupFolder(window_->x(), window_->y(), c.key.groupId);
    };
    chatWindowsOwner_ = std::move(chat);
    setConversationWindows(chatWindows_);
    client_->setConversationView(chatWindows_);
    client_->setGroupView(chatWindows_);
    client_->offlineFiles().onAdded = [this](const transfer::OfflineFileItem&) { showInfoCenter(); };
#endif
    // The skin, the hint window and the drop shadows.
    const bool compositing = options_.compositing.value_or(
        QGuiApplication::platformName() == QLatin1String("xcb") && platform::compositorRunning());
    appearance_ = std::make_unique<DesktopAppearance>(*client_, *window_, program, compositing);
#ifdef VANTOR_HAVE_CHAT_WINDOWS
    chatWindows_->context().appearance = &appearance_->appearance();
    chatWindows_->context().firstShown = [this](QWidget* w) { appearance_->attachShadow(w); };
#endif
#ifdef VANTOR_HAVE_HISTORY_WINDOWS
    // The history viewer, from the main window's button and from the conversation windows.
    struct History {
        explicit History(client::ClientCore& core, const QString& programFolder)
            : directory(core),
              windows(HistoryWindows::clientSource(core, directory, services, programFolder)) {}
        ClientHistoryDirectory directory;
        IHistoryServices services;
        HistoryWindows windows;
    };
    auto history = std::make_shared<History>(*client_, options_.programFolder);
    chatWindows_->setHistory(&history->windows);
    history_ = history;
#endif
#ifdef VANTOR_HAVE_SERVICE_WINDOWS
    auto services = std::make_unique<ServiceWindows>(*client_, *chatWindows_, options_.programFolder);
    serviceWindows_ = services.get();
    serviceWindowsOwner_ = std::move(services);
    window_->attendanceOpener = [this] { serviceWindows_->openAttendance(); };
    window_->serviceOpener = [this](const wire::Guid& guid) { serviceWindows_->openServicePoint(guid); };
#endif
    platform::Autostart* autostart = options_.autostart;
    if (!autostart) {
        ownAutostart_ = std::make_unique<platform::XdgAutostart>();
        autostart = ownAutostart_.get();
    }
    const QString programPath =
        options_.programPath.isEmpty() ? QCoreApplication::applicationFilePath() : options_.programPath;
    settingsForm_ =
        std::make_unique<shell::SettingsForm>(*client_, *window_, shell_->docking(), *autostart, programPath);
    window_->settingsOpener = [this](int page) { openSettings(shell::SettingsPage(page)); };
    window_->searchWizardOpener = [this] { people_->openSearchWizard(); };
    window_->pictureDialogOpener = [this] { people_->openPictureDialog(); };
    window_->tree()->onCardHover = [this](uint32_t userId, int entryTop) { showUserCard(userId, entryTop); };
    window_->groupCreator = [this] { openGroupCreation(); };
    window_->noticeOpener = [this] { notices_->openReader(); };
    if (options_.hotKeys) {
        options_.hotKeys->onHotKey = [this](platform::HotKey key) { shell_->hotKey(key); };
        options_.hotKeys->registerAll();
        const QString taken = shell::takenHotKeysText(options_.hotKeys->taken());
        if (!taken.isEmpty()) window_->showMessage(taken, QStringLiteral("提示"));
    }
}

QWidget* Desktop::infoCenter() const {
    return infoCenter_.data();
}

void Desktop::showInfoCenter() {
#ifdef VANTOR_HAVE_CHAT_WINDOWS
    auto* panel = static_cast<TfrmInfoCenter*>(infoCenter_.data());
    if (!panel) {
        panel = new TfrmInfoCenter(client_->offlineFiles(), [] { return protocol::nowDayCount(); });
        infoCenter_ = panel;
    }
    QScreen* screen = window_->screen();
    panel->showBeside(window_->frameGeometry(),
                      screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768));
#endif
}

void Desktop::showUserCard(uint32_t userId, int entryTop) {
    TfrmUserInfo& card = people_->userCard();
    if (!userId) {
        card.hide();
        return;
    }
    QScreen* screen = window_->screen();
    const QRect whole = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    const QRect available = screen ? screen->availableGeometry() : whole;
    card.showUserCard(userId, window_->frameGeometry().left(), entryTop, whole,
                      std::max(0, whole.bottom() - available.bottom()));
}

Desktop::~Desktop() {
    if (options_.hotKeys) {
        options_.hotKeys->unregisterAll();
        options_.hotKeys->onHotKey = nullptr;
    }
    // The window goes last: the core still reaches it while it winds down, but no longer the other
    // way round.
    window_->settingsOpener = nullptr;
    window_->searchWizardOpener = nullptr;
    window_->pictureDialogOpener = nullptr;
    window_->tree()->onCardHover = nullptr;
    window_->groupCreator = nullptr;
#ifdef VANTOR_HAVE_CHAT_WINDOWS
    if (chatWindows_) chatWindows_->context().firstShown = nullptr;
#endif
    appearance_.reset();
    window_->noticeOpener = nullptr;
    window_->attendanceOpener = nullptr;
    window_->serviceOpener = nullptr;
    serviceWindows_ = nullptr;
    serviceWindowsOwner_.reset();
    delete groupCreation_.data();
    delete settingsDialog_.data();
    delete infoCenter_.data();
#ifdef VANTOR_HAVE_CHAT_WINDOWS
    client_->offlineFiles().onAdded = nullptr;
#endif
    settingsForm_.reset();
    people_.reset();
    notices_.reset();
    window_->detach();
    if (chatWindows_) {
        client_->setConversationView(nullptr);
        client_->setGroupView(nullptr);
    }
    chatWindows_ = nullptr;
    chatWindowsOwner_.reset();
    history_.reset();
    shell_.reset();
    client_.reset();
    window_.reset();
}

void Desktop::setConversationWindows(client::IConversationWindows* windows) {
    client::IConversationWindows* fallback = &loggingWindows_;
#ifdef VANTOR_HAVE_CHAT_WINDOWS
    if (chatWindows_) fallback = chatWindows_;
#endif
    client::IConversationWindows* w = windows ? windows : fallback;
    window_->setConversationWindows(w);
    shell_->setConversationWindows(w);
}

void Desktop::openSettings(shell::SettingsPage page) {
    if (!settingsDialog_) {
        settingsDialog_ = new TSystemSetForm(*settingsForm_, options_.sound ? *options_.sound : nullSound_);
        settingsDialog_->setPhotoOpener([this] { people_->openPictureDialog(); });
    }
    settingsDialog_->open(page);
}

TfrmGroupSetup* Desktop::openGroupCreation() {
    if (!groupCreation_) {
        groupCreation_ = new TfrmGroupSetup(*client_, window_.get());
        groupCreation_->setAttribute(Qt::WA_DeleteOnClose);
        groupCreation_->open();
    }
    groupCreation_->raise();
    groupCreation_->activateWindow();
    return groupCreation_;
}

TfrmGroupSetup* Desktop::groupCreationDialog() const {
    return groupCreation_.data();
}

TSystemSetForm* Desktop::settingsDialog() const {
    return settingsDialog_.data();
}

void Desktop::start(std::string_view argument) {
    client_->messenger().ActiveFormCreate(argument);
    if (!client_->messenger().WindowHidden) window_->show();
}

} // namespace vantor::ui
