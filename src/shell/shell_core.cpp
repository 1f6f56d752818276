#include "shell/shell_core.h"

#include "directory/head_picture.h"
#include "directory/texts.h"
#include "protocol/text.h"

#include <QFileInfo>
#include <QStringList>
#include <algorithm>

namespace vantor::shell {

namespace {
QString q(const std::string& gbk) {
    return QString::fromStdString(protocol::fromGbk(gbk));
}
} // namespace

ShellCore::ShellCore(client::ClientCore& client, IShellView& view, platform::SoundPlayer& sound,
                     platform::ProcessLauncher& launcher, platform::DesktopNotifier* notifier)
    : client_(client), view_(view), flasher_(view, client.clock()),
      notices_(notifier ? *notifier : nullNotifier_,
               {[this] { return ownStatusQuiet(); }, [this](int id) { alerts_.open(id); }}),
      alerts_(
          view, flasher_, sound,
          {[this](const client::ConversationAlert& a) { return flashPicture(a); },
           [this] { return messageSound(); },
           [this](const client::ConversationAlert& a, const std::string& sender, const std::string& text) {
               notices_.messageArrived(a.conversationId, q(sender), q(text));
           },
           [this](int id) { notices_.conversationOpened(id); }}),
      docking_(view, client.clock()),
      siblings_(launcher, view,
                QString::fromStdString(client.messenger().environment().layout.programFolder())) {
    session::TMessengerX& m = client_.messenger();
    m.addParticipant(this);
    m.registerHandler(protocol::Cmd::PendingCounts,
                      [this](const protocol::Message& msg) { OnPendingCounts(msg); });
    m.registerHandler(protocol::Cmd::ToolbarLink,
                      [this](const protocol::Message& msg) { OnToolbarLink(msg); });
    client_.notices().addListener(&noticeBadge_);
}

ShellCore::~ShellCore() {
    session::TMessengerX& m = client_.messenger();
    m.registerHandler(protocol::Cmd::PendingCounts, {});
    m.registerHandler(protocol::Cmd::ToolbarLink, {});
    m.removeParticipant(this);
    client_.notices().removeListener(&noticeBadge_);
}

// ---- server messages ----

void ShellCore::OnPendingCounts(const protocol::Message& message) {
    const auto record = decodePendingCounts(message.body);
    if (!record) return;
    const auto kind = badges_.OnPendingCounts(*record);
    if (!kind) return;
    showBadge(*kind);
    // The notice core counts on from the server's number.
    if (*kind == BadgeKind::Notices)
        client_.notices().setBadge(0, int(std::min<int64_t>(badges_.count(*kind), 1'000'000)));
}

void ShellCore::NoticeBadge::badgeChanged(int count) {
    shell_.badges_.set(BadgeKind::Notices, count);
    shell_.showBadge(BadgeKind::Notices);
}

void ShellCore::showBadge(BadgeKind kind) {
    view_.showBadge(kind, badges_.display(kind));
}

void ShellCore::OnToolbarLink(const protocol::Message& message) {
    auto record = decodeToolbarLink(message.body);
    if (!record) return;
    const int button = toolbarButtonOf(record->kind);
    const QString hint = q(record->hint);
    if (!links_.add(std::move(*record))) return;
    view_.showToolbarButton(button, hint);
}

void ShellCore::openToolbarLink(uint32_t kind) {
    if (kind == 1) {
        badges_.set(BadgeKind::MessageCentre, 0);
        showBadge(BadgeKind::MessageCentre);
    }
    const ToolbarLinkRecord* record = links_.find(kind);
    if (!record) return;
    const session::TMessengerX& m = client_.messenger();
    const QString text = fillLinkTemplate(record->link, m.Account, m.PasswordText);
    if (const auto url = openableLink(text))
        view_.openLink(*url);
    else
        view_.reportProblem(QStringLiteral("提示"), QStringLiteral("服务器提供的链接无法打开：%1").arg(text));
}

// ---- tray and hot keys ----

void ShellCore::trayClicked() {
    alerts_.OpenOldest();
    const session::TMessengerX& m = client_.messenger();
    if (m.ServerSettings.messageCentreMode && m.SignedIn() && openMessageCentre) openMessageCentre();
}

void ShellCore::trayDoubleClicked() {
    session::TMessengerX& m = client_.messenger();
    if (!alerts_.empty()) {
        trayClicked();
        return;
    }
    if (m.ServerSettings.messageCentreMode && m.SignedIn()) {
        if (openMessageCentre) openMessageCentre();
        alerts_.StopAlertIfIdle();
        return;
    }
    docking_.showFromTray();
    view_.showMainWindow();
    m.WindowHidden = false;
}

void ShellCore::hotKey(platform::HotKey key) {
    switch (key) {
    case platform::HotKey::CtrlQ:
        // As a double click: the oldest pending conversation, else the main window.
        trayDoubleClicked();
        break;
    case platform::HotKey::CtrlKeypad1:
    case platform::HotKey::CtrlKeypad2:
    case platform::HotKey::CtrlKeypad3:
    case platform::HotKey::CtrlKeypad4:
        client_.directory().presence().SetWorkState(
            directory::texts::workState(int(key) - int(platform::HotKey::CtrlKeypad1)));
        break;
    }
}

QString takenHotKeysText(const std::vector<platform::HotKey>& keys) {
    QStringList names;
    for (platform::HotKey key : keys)
        names
            << (key == platform::HotKey::CtrlQ
                    ? QStringLiteral("Ctrl+Q")
                    : QStringLiteral("Ctrl+小键盘%1").arg(int(key) - int(platform::HotKey::CtrlKeypad1) + 1));
    if (names.isEmpty()) return {};
    return QStringLiteral("热键 %1 已被其他程序占用，在本程序中不可用。")
        .arg(names.join(QStringLiteral("、")));
}

// ---- sibling programs ----

void ShellCore::startNetFolder(int left, int top) {
    const session::TMessengerX& m = client_.messenger();
    if (!m.SignedIn() || !m.OwnUser) return;
    siblings_.start(kNetFolderProgram,
                    netFolderArguments(left, top, m.OwnUser->userId, m.SessionId,
                                       m.ServerSettings.netFolderFlag, q(m.FileServerAddress)));
}

void ShellCore::startGroupFolder(int left, int top, const wire::Guid& group) {
    const session::TMessengerX& m = client_.messenger();
    if (!m.SignedIn() || !m.OwnUser) return;
    siblings_.start(kNetFolderProgram,
                    netFolderArguments(left, top, m.OwnUser->userId, group, m.ServerSettings.netFolderFlag,
                                       q(m.FileServerAddress)));
}

void ShellCore::startWorkStateProgram() {
    const session::TMessengerX& m = client_.messenger();
    siblings_.start(kWorkStateProgram, workStateArguments(q(m.Account), q(m.PasswordText)));
}

// ---- pictures and sound ----

QString ShellCore::flashPicture(const client::ConversationAlert& alert) const {
    const session::TMessengerX& m = client_.messenger();
    const settings::FolderLayout& layout = m.environment().layout;
    const QString sysImages = QString::fromStdString(layout.programFolder()) + QStringLiteral("SysImages/");
    if (alert.senderId == 0) return sysImages + QStringLiteral("DefaultGroup.bmp");
    QString path;
    if (m.OwnUser) {
        directory::PictureFolders folders{QString::fromStdString(layout.userPicFolder(m.OwnUser->userId)),
                                          QString::fromStdString(m.UserHeadFolder), sysImages};
        std::string name;
        if (const directory::User* u = client_.directory().directory().findUser(alert.senderId))
            name = u->record.headPicture;
        path = directory::resolveHeadPicture(folders, alert.senderId, name);
    }
    // Without a picture of the colleague the tray still flashes, with the default head.
    if (path.isEmpty() || !QFileInfo(path).isFile()) path = sysImages + QStringLiteral("DefaultHead.bmp");
    return path;
}

bool ShellCore::ownStatusQuiet() const {
    const session::TMessengerX& m = client_.messenger();
    if (!m.OwnUser) return false;
    const directory::User* own = client_.directory().directory().findUser(m.OwnUser->userId);
    return quietStatus(own ? own->record.status : m.OwnUser->status);
}

QString ShellCore::messageSound() const {
    const session::TMessengerX& m = client_.messenger();
    if (m.UserConfig.DontPlaySound) return {};
    return QString::fromStdString(m.UserConfig.MsgSound);
}

// ---- sign-out ----

void ShellCore::signOutStep(session::SignOutStep step, bool byUser) {
    switch (step) {
    case session::SignOutStep::Alerts:
        alerts_.clear();
        notices_.clear();
        break;
    case session::SignOutStep::Sessions:
        links_.clear();
        if (byUser) {
            badges_ = BadgeCounters();
            showBadge(BadgeKind::Notices);
            showBadge(BadgeKind::MessageCentre);
        }
        break;
    default:
        break;
    }
}

} // namespace vantor::shell
