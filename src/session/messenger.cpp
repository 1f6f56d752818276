#include "session/messenger.h"

#include "platform/machine_identity.h"
#include "protocol/text.h"
#include "session/command_line.h"
#include "session/texts.h"
#include "session/util.h"
#include "settings/start_folders.h"

#include <QHostAddress>
#include <QHostInfo>

#include <algorithm>

namespace vantor::session {

TMessengerX::TMessengerX(MessengerEnvironment env, QObject* parent)
    : QObject(parent), env_(std::move(env)), clock_(*env_.clock), view_(*env_.view),
      connection_(*env_.clock, dispatcher_) {
    if (!env_.machineId) env_.machineId = platform::machineId;
    if (!env_.localAddress) env_.localAddress = platform::localIPv4Address;

    auto timer = [this](int ms, bool once, void (TMessengerX::*fn)()) {
        auto t = clock_.createTimer();
        t->setInterval(ms);
        t->setSingleShot(once);
        t->onTimeout = [this, fn] { guarded([&] { (this->*fn)(); }); };
        return t;
    };
    Timer_Shadow = timer(500, true, &TMessengerX::Timer_ShadowTimer);
    TimerLoging = timer(15000, true, &TMessengerX::TimerLogingTimer);
    HartTimer = timer(30000, false, &TMessengerX::HartTimerTimer);
    TimerAutoConnect = timer(180000, false, &TMessengerX::TimerAutoConnectTimer);
    ExitDelay = timer(300, true, &TMessengerX::finishExit);

    UserKnown = [this](uint32_t id) { return knownUsers_.count(id) > 0; };
    connection_.onHeartbeat = [this] { OnHeartbeat(); };
    connect(&connection_, &ServerConnection::opened, this,
            [this] { guarded([&] { onConnectionOpened(); }); });
    connect(&connection_, &ServerConnection::ready, this, [this] { guarded([&] { onConnectionReady(); }); });
    connect(&connection_, &ServerConnection::openFailed, this,
            [this](const QString&) { guarded([&] { onConnectionFailed(); }); });
    // The connection broke by itself: the failure sign-out.
    connect(&connection_, &ServerConnection::lost, this, [this](const QString& why) {
        qInfo("server connection lost: %s", qPrintable(why));
        guarded([&] { SignOut(false); });
    });
    installHandlers();
}

TMessengerX::~TMessengerX() {
    if (lookupId_ >= 0) QHostInfo::abortHostLookup(lookupId_);
}

void TMessengerX::removeParticipant(SessionParticipant* p) {
    std::erase(participants_, p);
}

void TMessengerX::loginStep(LoginStep s) {
    for (auto* p : std::vector(participants_))
        guarded([&] { p->loginStep(s); });
}

void TMessengerX::signOutStep(SignOutStep s, bool byUser) {
    for (auto* p : std::vector(participants_))
        guarded([&] { p->signOutStep(s, byUser); });
}

// ---- built-in handlers ----

void TMessengerX::installHandlers() {
    using protocol::Cmd;
    registerHandler(Cmd::VersionCheck, [this](const protocol::Message& m) {
        protocol::VersionCheckReply r;
        wire::decode(m.body, r);
        OnVersionCheck(r);
    });
    registerHandler(Cmd::LoginReply, [this](const protocol::Message& m) {
        protocol::LoginReply r;
        wire::decode(m.body, r);
        OnLoginReply(r);
    });
    registerHandler(Cmd::LoginComplete, [this](const protocol::Message&) { OnLoginComplete(); });
    // The directory's handlers replace these three; until then the core keeps only what the
    // sign-in needs: the own record, the watchdog, and which user ids exist.
    registerHandler(Cmd::DepartmentItem, [this](const protocol::Message& m) {
        protocol::DepartmentItem item;
        if (!wire::decode(m.body, item)) return;
        if (item.action == protocol::kItemLoad) RestartLoginWatchdog();
    });
    registerHandler(Cmd::UserItem, [this](const protocol::Message& m) {
        protocol::UserItem item;
        if (!protocol::UserItem::decodeBody(m.body, item)) return;
        if (item.position == 0) knownUsers_.clear();
        if (item.action == protocol::kItemRemoved)
            knownUsers_.erase(item.user.userId);
        else
            knownUsers_.insert(item.user.userId);
        if (item.user.isOwn && item.action != protocol::kItemRemoved) setOwnUser(item.user);
        if (item.action == protocol::kItemLoad && item.position < item.loadCount) RestartLoginWatchdog();
    });
    registerHandler(Cmd::GroupItem, [this](const protocol::Message&) { RestartLoginWatchdog(); });
    registerHandler(Cmd::UserQuery, [this](const protocol::Message& m) {
        protocol::UserRecord r;
        if (!wire::decode(m.body, r)) return;
        knownUsers_.insert(r.userId);
        OnUserRecordArrived(r.userId);
    });
}

void TMessengerX::setOwnUser(const protocol::UserRecord& own) {
    OwnUser = own;
}

void TMessengerX::RestartLoginWatchdog() {
    TimerLoging->start();
}

void TMessengerX::QueryUser(uint32_t userId) {
    if (AskForUser) {
        AskForUser(userId);
        return;
    }
    if (!queriedUsers_.insert(userId).second) return;
    std::string body(4, '\0');
    wire::storeU32(body.data(), userId);
    SendToServer(protocol::Message{uint8_t(protocol::Cmd::UserQuery), body});
}

void TMessengerX::OnUserRecordArrived(uint32_t userId) {
    if (WaitingChatUser != userId) return;
    WaitingChatUser.reset();
    if (SignedIn()) view_.openConversation(userId);
}

bool TMessengerX::SendToServer(const protocol::Message& m) {
    return connection_.SendToServer(m);
}

bool TMessengerX::SendStreamToServer(std::string_view stream) {
    return connection_.SendStreamToServer(stream);
}

// ---- start-up ----

void TMessengerX::ActiveFormCreate(std::string_view argument) {
    guarded([&] {
        Exiting = false;
        SignedInOnce = false;
        const CommandLine cl = parseCommandLine(argument);
        StartHidden = cl.min;
        WindowHidden = StartHidden;
        PendingChatUser = cl.chatUser;

        settings::prepareDataRoot(env_.layout); // failures are ignored
        MachineId = env_.machineId();
        view_.setCaption(QString::fromUtf8(text::kAppTitle));
        HasAudio = true;
        HasCamera = env_.camera && env_.camera->hasCamera();

        loadSettings();
        const QString product = qtext(Machine.ProductName);
        view_.showProductName(product, Machine.ProductName == settings::kDefaultProductName);
        view_.setTrayHint(product + QString::fromUtf8(text::kNotSignedInHint));
        setConnectEntry(text::kConnectEntry, true);
        view_.setSessionEntries(false);
        SessionEntriesEnabled = false;
        TimerAutoConnect->start(180000);

        if (cl.login) {
            Account = cl.account;
            PasswordText = cl.password;
            CommandLineLogin = true;
            Connect();
        }
    });
    Timer_Shadow->start();
}

void TMessengerX::loadSettings() {
    Version = settings::loadProductSettings(env_.layout.productFile()).Version;
    Machine = settings::loadMachineSettings(env_.layout.machineFile(), view_.workAreaHeight());
    view_.placeAtStart(Machine.storedWindow());
    Account = Machine.UserName;
    PasswordText = Machine.Password;
    SignInStatusName = Machine.LoginState;
    ServerHost = Machine.HostName;
    FileServerAddress = Machine.NetFileServer;
    FileServerPort = uint32_t(Machine.NetFilePort);
    resolveServerAddress();

    SignInInputs in;
    in.account = qtext(Machine.UserName);
    // A remembered password shows with five trailing spaces; every use trims it.
    in.password = Machine.SavePass && !Machine.Password.empty()
                      ? qtext(Machine.Password) + QStringLiteral("     ")
                      : QString();
    in.status = QString::fromUtf8(text::kOnline);
    in.rememberPassword = Machine.SavePass;
    in.autoLogin = Machine.isAutoLogin;
    view_.fillSignInPanel(in);
}

void TMessengerX::resolveServerAddress() {
    ServerAddress.clear();
    if (lookupId_ >= 0) QHostInfo::abortHostLookup(lookupId_);
    lookupId_ = -1;
    const QString host = qtext(ServerHost).trimmed();
    if (host.isEmpty()) return;
    QHostAddress literal;
    if (literal.setAddress(host)) {
        if (literal.protocol() == QAbstractSocket::IPv4Protocol)
            ServerAddress = literal.toString().toStdString();
        return;
    }
    // Until the answer comes, connections use the host name.
    lookupId_ = QHostInfo::lookupHost(host, this, [this](const QHostInfo& info) {
        lookupId_ = -1;
        for (const QHostAddress& a : info.addresses())
            if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                ServerAddress = a.toString().toStdString();
                return;
            }
    });
}

void TMessengerX::Timer_ShadowTimer() {
    Timer_Shadow->stop();
    if (!WindowHidden) view_.showShadow();
    if (CommandLineLogin) return;
    if ((StartHidden || Machine.isAutoLogin) && !Account.empty() && !PasswordText.empty() &&
        !ServerHost.empty()) {
        Connect();
        return;
    }
    view_.showSignInPanel();
    SignInPanelVisible = true;
}

// ---- hand-over ----

void TMessengerX::OnCopyData(std::string_view data) {
    guarded([&] {
        PendingChatUser = afterUin(data);
        RunPendingChat();
    });
}

void TMessengerX::RunPendingChat() {
    if (!SignedIn()) return; // kept for the next sign-in
    const std::string pending = std::exchange(PendingChatUser, {});
    const auto id = parseUserNumber(pending);
    if (!id || *id == OwnUser->userId) return;
    if (UserKnown && UserKnown(*id)) {
        view_.openConversation(*id);
        return;
    }
    WaitingChatUser = *id;
    QueryUser(*id);
}

// ---- exit ----

void TMessengerX::Exit() {
    guarded([&] {
        if (!ConnectCancelled && connection_.isOpen()) {
            signOutOfWork(); // leaving the messenger leaves work
            SignOut(false);
        }
    });
    if (Exiting) return;
    Exiting = true;
    guarded([&] {
        view_.hideReLoginPanel();
        ReLoginPanelVisible = false;
        if (SessionEntriesEnabled) SignOut(false);
    });
    // A moment for the sign-out to reach the server before the window goes.
    ExitDelay->start();
}

void TMessengerX::finishExit() {
    guarded([&] { view_.closeMainWindow(); });
    guarded([&] { MainWindowDestroyed(); });
    if (env_.quit) env_.quit();
}

void TMessengerX::MainWindowDestroyed() {
    HartTimer->stop();
    TimerAutoConnect->stop();
    TimerLoging->stop();
    settings::saveWindowPos(env_.layout.machineFile(), view_.windowRect(), SignedInOnce);
}

} // namespace vantor::session
