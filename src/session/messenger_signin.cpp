// Sign-in: the panel's button, the connection, the version check, the sign-in reply, the timers
// that watch the connection, and the menu entries that start or cancel an attempt.
#include "session/messenger.h"

#include "protocol/text.h"
#include "session/texts.h"
#include "session/util.h"
#include "settings/text_util.h"

#include <QHostAddress>

#include <algorithm>

namespace vantor::session {

using protocol::Cmd;

void TMessengerX::setConnectEntry(const char* caption, bool enabled) {
    ConnectCaption = caption;
    view_.setConnectEntry(QString::fromUtf8(caption), enabled);
}

platform::ProxySettings TMessengerX::proxySettings() const {
    platform::ProxySettings p;
    p.kind = static_cast<platform::ProxyKind>(std::clamp(Machine.ProxyCategory, 0, 4));
    p.host = qtext(Machine.ProxyAddress).trimmed();
    p.port = uint16_t(Machine.ProxyPort);
    p.user = QByteArray::fromStdString(Machine.ProxyUsername);
    p.password = QByteArray::fromStdString(Machine.ProxyPassword);
    return p;
}

void TMessengerX::SignInClicked() {
    guarded([&] {
        const SignInInputs in = view_.signInInputs();
        if (settings::trimText(Machine.HostName).empty() || Machine.ServerPort == 0) {
            view_.openSettingsDialog();
            return;
        }
        const std::string account = gbk(in.account), password = gbk(in.password), status = gbk(in.status);
        const std::string_view a = settings::trimText(account), p = settings::trimText(password);
        if (a.empty() || p.empty()) {
            view_.showMessage(QString::fromUtf8(text::kEnterNameAndPassword),
                              QString::fromUtf8(text::kHintTitle));
            return;
        }
        settings::savePanelSignIn(env_.layout.machineFile(),
                                  {account, password, in.rememberPassword, status});
        Machine.UserName = a;
        Machine.SavePass = in.rememberPassword;
        Machine.Password = in.rememberPassword ? std::string(p) : std::string();
        Machine.LoginState = in.rememberPassword ? std::string(settings::trimText(status))
                                                 : std::string(settings::kOnlineStateName);
        Account = a;
        PasswordText = p;
        SignInStatusName = settings::trimText(status);
        Connect();
    });
}

void TMessengerX::showProgress() {
    setConnectEntry(text::kCancelEntry, true);
    view_.hideReLoginPanel();
    ReLoginPanelVisible = false;
    if (TreeVisible) {
        view_.showContactViews(false);
        TreeVisible = false;
    }
    const QString busy = QString::fromUtf8(text::kSigningIn);
    if (SignInPanelVisible) {
        view_.showSignInProgress(busy);
    } else {
        view_.showProgressPanel(busy);
        ProgressPanelVisible = true;
    }
}

void TMessengerX::Connect() {
    if (connection_.isOpen() || connection_.isOpening()) return;
    guarded([&] {
        ServerTarget target;
        QHostAddress dotted;
        const bool useAddress = !ServerAddress.empty() &&
                                dotted.setAddress(QString::fromStdString(ServerAddress)) &&
                                dotted.protocol() == QAbstractSocket::IPv4Protocol;
        target.host = useAddress ? QString::fromStdString(ServerAddress) : qtext(ServerHost).trimmed();
        target.port = uint16_t(std::clamp(Machine.ServerPort, 0, 65535));
        target.proxy = proxySettings();
        // The HTTP path makes one attempt; the others up to three.
        target.attempts = target.proxy.kind == platform::ProxyKind::Http ? 1 : 3;
        target.timeoutMs = 8000;
        showProgress();
        ConnectCancelled = false;
        connection_.open(target);
    });
}

void TMessengerX::onConnectionOpened() {
    // The watchdog also bounds the wait for the server's answer to the greeting.
    TimerLoging->start();
}

void TMessengerX::onConnectionReady() {
    protocol::VersionCheckRequest v;
    v.version = Version;
    SendToServer(protocol::makeMessage(Cmd::VersionCheck, v));
}

void TMessengerX::onConnectionFailed() {
    SignOut(false);
    view_.showBalloon(QString::fromUtf8(text::kConnectFailedTitle),
                      QString::fromUtf8(text::kConnectFailedText), 10, BalloonIcon::Error);
}

void TMessengerX::OnVersionCheck(const protocol::VersionCheckReply& r) {
    FileServerAddress = r.fileServer;
    FileServerPort = r.filePort;
    if (r.updateFlag) {
        SignOut(false);
        TimerAutoConnect->stop();
        env_.launcher->startDetached(
            QString::fromStdString(env_.layout.programFolder()) + QLatin1String(kUpdaterProgram),
            {qtext(ServerHost), QString::number(FileServerPort), QString::fromUtf8(text::kAppTitle),
             QString::fromStdString(env_.exeFileName)});
        Exit();
        return;
    }
    sendLogin();
    view_.setMyStateText(QString::fromUtf8(text::kSigningIn));
}

void TMessengerX::sendLogin() {
    protocol::LoginRequest req;
    req.account = Account;
    req.password = PasswordText;
    req.status = protocol::statusCode(SignInStatusName);
    req.localAddress = env_.localAddress();
    if (req.localAddress.empty()) req.localAddress = connection_.localAddress().toStdString();
    req.localPort = connection_.localPort();
    req.machineId = MachineId;
    req.hasAudio = HasAudio;
    req.hasCamera = HasCamera;
    SendToServer(protocol::makeMessage(Cmd::Login, req));
}

void TMessengerX::OnLoginReply(const protocol::LoginReply& r) {
    if (r.success) {
        acceptLogin(r);
        return;
    }
    const std::string& reason = r.tokenOrReason;
    if (reason != gbk(text::kRefusedUpgrade)) SignOut(true);
    view_.showBalloon(QString::fromUtf8(text::kLoginFailedTitle), qtext(reason), 15,
                      BalloonIcon::Information);
    if (reason == gbk(text::kRefusedStopped) && Machine.AutoConnect) {
        TimerAutoConnect->start(Machine.AutoConnectInterval * 1000);
    } else {
        // Another sign-in of the account, a wrong password and every other refusal: no retry.
        TimerAutoConnect->stop();
    }
}

void TMessengerX::acceptLogin(const protocol::LoginReply& r) {
    SessionId = r.sessionId;
    ServerSettings = r.settings;
    ContactGroupMode = r.contactGroupMode;
    // A reply without a product name keeps ours rather than blanking the panel and the tray hint.
    if (!r.productName.empty() && r.productName != Machine.ProductName) {
        Machine.ProductName = r.productName;
        guarded([&] { settings::updateProductName(env_.layout.machineFile(), r.productName); });
    }
    HomePagePort = r.homePagePort;
    OfflineCount = r.waitingMessages;
    view_.setOfflineCount(int(std::min<uint32_t>(OfflineCount, INT32_MAX)));
    SignInToken = r.tokenOrReason;
    guarded([&] { settings::addLoginToken(env_.layout.machineFile(), SignInToken); });
    view_.setMessageCentreMode(ServerSettings.messageCentreMode);
    if (r.pageUrl.size() > 5) view_.openWebPage(qtext(r.pageUrl), int(r.pageWidth), int(r.pageHeight));
}

void TMessengerX::OnHeartbeat() {
    LastServerSign = clock_.nowMs();
}

void TMessengerX::HartTimerTimer() {
    if (!connection_.isOpen()) return;
    if (!SendToServer(protocol::emptyMessage(Cmd::Heartbeat))) {
        SignOut(false);
        return;
    }
    if (clock_.nowMs() - LastServerSign > 5 * int64_t(HartTimer->interval())) SignOut(false);
}

void TMessengerX::TimerLogingTimer() {
    TimerLoging->stop();
    if (TreeVisible) return;
    SignOut(false);
    view_.showBalloon(QString::fromUtf8(text::kConnectFailedTitle),
                      QString::fromUtf8(text::kConnectFailedText), 10, BalloonIcon::Error);
}

void TMessengerX::TimerAutoConnectTimer() {
    if (TreeVisible || !Machine.AutoConnect || ServerHost.empty() || Machine.ServerPort <= 0 ||
        Account.empty() || PasswordText.empty())
        return;
    Connect();
}

void TMessengerX::ConnectMenuClicked() {
    guarded([&] {
        if (ConnectCaption == text::kCancelEntry) {
            SignOut(false);
            return;
        }
        TimerAutoConnect->stop();
        view_.showSignInPanel();
        SignInPanelVisible = true;
        SignInClicked();
    });
}

void TMessengerX::LogoutMenuClicked() {
    guarded([&] {
        SignOut(true);
        view_.applySignInWidth();
        SignedInOnce = false;
    });
}

void TMessengerX::ConnectionSettingsChanged() {
    ServerHost = Machine.HostName;
    resolveServerAddress();
}

void TMessengerX::ReLoginClicked() {
    Connect();
}

void TMessengerX::AutoLoginClicked(bool on) {
    guarded([&] {
        Machine.isAutoLogin = on;
        settings::saveAutoLogin(env_.layout.machineFile(), on);
    });
}

} // namespace vantor::session
