#include "shell/settings_form.h"

#include "crypto/md5.h"
#include "protocol/text.h"
#include "settings/machine_settings.h"
#include "settings/profile_file.h"
#include "settings/stored_password.h"
#include "settings/text_util.h"
#include "settings/user_settings.h"

#include <QDebug>

#include <algorithm>

namespace vantor::shell {

namespace {

std::string trimmed(std::string_view s) {
    return std::string(settings::trimText(s));
}

std::optional<int> digits(std::string_view text, int lo, int hi) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    if (v < lo || v > hi) return std::nullopt;
    return v;
}

// A text cut to `n` bytes on a character boundary, as a text[n] field keeps it.
std::string field(std::string_view s, size_t n) {
    return std::string(settings::gbkPrefix(s, n));
}

} // namespace

PageAccess pageAccess(bool signedIn, bool notificationOnly) {
    PageAccess a;
    a.visible[size_t(SettingsPage::Net)] = true;
    if (!signedIn) return a;
    a.notificationOnly = notificationOnly;
    a.visible[size_t(SettingsPage::Other)] = true;
    if (notificationOnly) return a;
    a.visible[size_t(SettingsPage::Status)] = true;
    a.visible[size_t(SettingsPage::Userinfo)] = true;
    a.visible[size_t(SettingsPage::Password)] = true;
    return a;
}

std::optional<int> portNumber(std::string_view text) {
    return digits(text, 1, 32767);
}

std::optional<int> positiveNumber(std::string_view text) {
    return digits(text, 1, 99999);
}

std::optional<CheckFailure> checkSettings(const SettingsValues& v, bool signedIn) {
    using P = SettingsPage;
    using F = SettingsField;
    if (settings::trimText(v.net.host).empty())
        return CheckFailure{P::Net, F::HostName, "请输入服务器地址！"};
    if (!portNumber(v.net.port))
        return CheckFailure{P::Net, F::ServerPort, "端口号必须为大于0且小于32768的数字！"};
    if (v.net.proxyCategory != 0) {
        if (settings::trimText(v.net.proxyAddress).empty())
            return CheckFailure{P::Net, F::ProxyAddress, "请输入代理服务器地址！"};
        if (!portNumber(v.net.proxyPort))
            return CheckFailure{P::Net, F::ProxyPort, "代理服务器端口号必须为大于0且小于32768的数字！"};
    }
    if (v.net.autoConnect && !positiveNumber(v.net.autoConnectInterval))
        return CheckFailure{P::Net, F::AutoConnectInterval, "自动连接时间必须为大于0的数字！"};
    if (signedIn && v.status.autoLeave && !positiveNumber(settings::trimText(v.status.autoLeaveMinutes)))
        return CheckFailure{P::Status, F::AutoLeave, "时间必须为大于0的数字！"};
    return std::nullopt;
}

ProfileValues profileOf(const protocol::UserDetail& d) {
    ProfileValues p;
    p.female = d.sex == 1;
    p.company = d.company;
    p.office = d.office;
    p.officePhone = d.officePhone;
    p.mobilePhone = d.mobilePhone;
    p.mail = d.mail;
    p.fax = d.fax;
    return p;
}

protocol::UserDetail profileRecord(uint32_t ownId, const ProfileValues& p) {
    protocol::UserDetail d;
    d.userId = ownId;
    d.sex = p.female ? 1 : 0;
    d.company = field(p.company, 50);
    d.office = field(p.office, 40);
    d.officePhone = field(p.officePhone, 20);
    d.mobilePhone = field(p.mobilePhone, 20);
    d.mail = field(p.mail, 40);
    d.fax = field(p.fax, 20);
    return d;
}

OutcomeText outcomeText(NameChangeOutcome o) {
    switch (o) {
    case NameChangeOutcome::EmptyName:
        return {"呢称不能为空！", "提示", false};
    case NameChangeOutcome::WrongOldPassword:
        return {"原密码输入错误！", "提示", false};
    case NameChangeOutcome::EmptyPassword:
        return {"密码不能为空！", "提示", false};
    case NameChangeOutcome::Mismatch:
        return {"两次输入的密码不一致！", "提示", false};
    case NameChangeOutcome::SendFailed:
        return {"更改呢称/密码失败！", "错误", true};
    case NameChangeOutcome::Waiting:
        return {};
    case NameChangeOutcome::Confirmed:
        return {"更改显示名/密码成功！", "提示", false};
    case NameChangeOutcome::TimedOut:
        return {"更改显示名/密码失败（超时）！", "错误", true};
    }
    return {};
}

std::string passwordDigest(std::string_view trimmedPassword) {
    if (trimmedPassword.empty()) return {};
    return crypto::Md5Hex(crypto::Md5OfText(trimmedPassword));
}

// ---- SettingsForm ----

SettingsForm::SettingsForm(client::ClientCore& client, IShellView& view, EdgeDocking& docking,
                           platform::Autostart& autostart, QString programPath)
    : client_(client), view_(view), docking_(docking), autostart_(autostart),
      programPath_(std::move(programPath)), confirmTimer_(client.clock().createTimer()) {
    // Sent only over an open connection: a closed one takes nothing, and the form must say so.
    send = [this](const protocol::Message& m) {
        return client_.messenger().ConnectionOpen() && client_.messenger().SendToServer(m);
    };
    confirmTimer_->setSingleShot(true);
    confirmTimer_->setInterval(kConfirmationMs);
    confirmTimer_->onTimeout = [this] { finishNameChange(NameChangeOutcome::TimedOut); };
    client_.directory().directory().addListener(this);
    client_.people().addListener(this);
    if (const auto& own = client_.messenger().OwnUser)
        if (const protocol::UserDetail* d = client_.people().detail(own->userId)) ownDetail_ = *d;
}

SettingsForm::~SettingsForm() {
    client_.people().removeListener(this);
    client_.directory().directory().removeListener(this);
}

void SettingsForm::detailArrived(uint32_t userId, bool) {
    const auto& own = client_.messenger().OwnUser;
    if (!own || own->userId != userId) return;
    if (const protocol::UserDetail* d = client_.people().detail(userId)) ownDetail_ = *d;
}

bool SettingsForm::signedIn() const {
    return const_cast<client::ClientCore&>(client_).messenger().SignedIn();
}

PageAccess SettingsForm::pages() const {
    const session::TMessengerX& m = const_cast<client::ClientCore&>(client_).messenger();
    return pageAccess(signedIn(), m.ServerSettings.messageCentreMode);
}

SettingsValues SettingsForm::load() const {
    const session::TMessengerX& m = const_cast<client::ClientCore&>(client_).messenger();
    const settings::MachineSettings& mc = m.Machine;
    const settings::UserSettings& u = m.UserConfig;
    SettingsValues v;
    v.net.host = mc.HostName;
    v.net.port = std::to_string(mc.ServerPort);
    v.net.proxyCategory = std::clamp(mc.ProxyCategory, 0, 4);
    v.net.proxyAddress = mc.ProxyAddress;
    v.net.proxyPort = std::to_string(mc.ProxyPort);
    v.net.proxyUsername = mc.ProxyUsername;
    v.net.proxyPassword = mc.ProxyPassword;
    v.net.autoConnect = mc.AutoConnect;
    v.net.autoConnectInterval = std::to_string(mc.AutoConnectInterval);

    v.status.msgSound = u.MsgSound;
    v.status.dontPlaySound = u.DontPlaySound;
    v.status.showMsgHint = u.ShowMsgHint;
    v.status.showMsgRemind = u.ShowMsgRemind;
    v.status.notShowContent = u.NotShowContent;
    v.status.enterSendMsg = u.EnterSendMsg;
    v.status.autoSort = u.AutoSort;
    v.status.autoLeave = u.AutoLeave;
    v.status.autoLeaveMinutes = std::to_string(u.AutoLeaveInterval);
    v.status.autoBusy = u.AutoBusy;

    v.other.autoRun = autostart_.isRegistered();
    v.other.rememberPassword = mc.SavePass;
    v.other.loginState = mc.LoginState;
    v.other.onTop = u.MainFormOnTop;
    v.other.autoHide = u.AutoHide;
    v.other.btnNotClose = u.BtnNotClose;
    v.other.showMsgCenter = u.ShowMsgCenter;
    v.other.revFilesPath = u.RevFilesPath;
    v.other.flashIcon = u.OtherMsgFlashIcon;
    v.other.showPop = u.OtherMsgShowPop;

    if (ownDetail_) v.profile = profileOf(*ownDetail_);
    if (m.OwnUser) v.displayName = m.OwnUser->name;
    return v;
}

SettingsForm::SaveResult SettingsForm::save(const SettingsValues& values) {
    SaveResult r;
    const bool in = signedIn();
    // Every check before any value is taken, so a refused save changes nothing.
    r.failure = checkSettings(values, in);
    if (r.failure) return r;
    try {
        saveConnection(values);
        if (in) r.profileSent = saveAccount(values);
    } catch (const settings::SettingsError& e) {
        r.error = e.what();
        qWarning("settings dialog: %s", e.what());
    }
    return r;
}

void SettingsForm::saveConnection(const SettingsValues& v) {
    session::TMessengerX& m = client_.messenger();
    settings::MachineSettings mc = m.Machine;
    mc.HostName = trimmed(v.net.host);
    mc.ServerPort = *portNumber(v.net.port);
    mc.ProxyCategory = std::clamp(v.net.proxyCategory, 0, 4);
    mc.ProxyAddress = trimmed(v.net.proxyAddress);
    // Without a proxy the port box is not looked at and the held port stays.
    if (mc.ProxyCategory != 0) mc.ProxyPort = *portNumber(v.net.proxyPort);
    mc.ProxyUsername = trimmed(v.net.proxyUsername);
    mc.ProxyPassword = trimmed(v.net.proxyPassword);
    mc.AutoConnect = v.net.autoConnect;
    // An unticked box may hold anything; the held interval then stays.
    if (const auto seconds = positiveNumber(v.net.autoConnectInterval)) mc.AutoConnectInterval = *seconds;
    // Before sign-in the sign-in options are not on show: the stored ones stay.
    const bool in = signedIn();
    if (in) {
        mc.SavePass = v.other.rememberPassword;
        if (!trimmed(v.other.loginState).empty()) mc.LoginState = trimmed(v.other.loginState);
    }
    const std::string& file = m.environment().layout.machineFile();
    settings::saveConnectionSettings(file, mc);
    // A password that is no longer to be remembered does not stay on the disk.
    if (in && !mc.SavePass && m.Machine.SavePass) {
        settings::ProfileFile(file).writeString("Login", "Password", "");
        mc.Password.clear();
    }
    const bool serverChanged = mc.HostName != m.Machine.HostName;
    m.Machine = mc;
    // The next connection takes the new server and proxy; an open one is left alone.
    if (serverChanged || m.ServerAddress.empty()) m.ConnectionSettingsChanged();
}

bool SettingsForm::saveAccount(const SettingsValues& v) {
    session::TMessengerX& m = client_.messenger();
    bool sent = false;
    // The profile, when one is held and it changed.
    if (ownDetail_ && m.OwnUser && profileOf(*ownDetail_) != v.profile) {
        protocol::UserDetail record = profileRecord(m.OwnUser->userId, v.profile);
        // What the dialog does not show goes back as it came.
        record.unit = ownDetail_->unit;
        record.rest = ownDetail_->rest;
        if (send(protocol::makeMessage(protocol::Cmd::UserDetailSave, record))) {
            ownDetail_ = record;
            client_.people().setDetail(record);
            sent = true;
        }
    }

    settings::UserSettings u = m.UserConfig;
    u.RevFilesPath = trimmed(v.other.revFilesPath);
    u.MsgSound = trimmed(v.status.msgSound);
    u.DontPlaySound = v.status.dontPlaySound;
    u.ShowMsgHint = v.status.showMsgHint;
    u.ShowMsgRemind = v.status.showMsgRemind;
    u.NotShowContent = v.status.notShowContent;
    u.EnterSendMsg = v.status.enterSendMsg;
    u.AutoSort = v.status.autoSort;
    u.AutoLeave = v.status.autoLeave;
    if (const auto minutes = positiveNumber(settings::trimText(v.status.autoLeaveMinutes)))
        u.AutoLeaveInterval = *minutes;
    u.AutoBusy = v.status.autoBusy;
    u.MainFormOnTop = v.other.onTop;
    u.BtnNotClose = v.other.btnNotClose;
    u.AutoHide = v.other.autoHide;
    u.ShowMsgCenter = v.other.showMsgCenter;
    u.OtherMsgFlashIcon = v.other.flashIcon;
    u.OtherMsgShowPop = v.other.showPop;

    if (v.other.autoRun != autostart_.isRegistered() &&
        !autostart_.setRegistered(v.other.autoRun, programPath_))
        qWarning("settings dialog: the autostart entry could not be %s",
                 v.other.autoRun ? "written" : "removed");

    const bool onTopChanged = u.MainFormOnTop != m.UserConfig.MainFormOnTop;
    const std::string userFile = m.environment().layout.userFile(m.OwnUser ? m.OwnUser->userId : 0);
    settings::saveDialogUserSettings(userFile, u);
    m.UserConfig = u;

    client_.applyUserSettings();
    docking_.setOptions(u.AutoHide, u.MainFormOnTop);
    if (onTopChanged) view_.setTopMost(u.MainFormOnTop);
    return sent;
}

NameChangeOutcome SettingsForm::changeNamePassword(std::string_view name, std::string_view oldPassword,
                                                   std::string_view newPassword,
                                                   std::string_view confirmation,
                                                   std::function<void(NameChangeOutcome)> done) {
    session::TMessengerX& m = client_.messenger();
    const std::string newName = field(settings::trimText(name), 40);
    if (newName.empty()) return NameChangeOutcome::EmptyName;
    // The new password is trimmed once: the digest and the remembered password are the same text.
    const std::string password = trimmed(newPassword);
    const bool nameOnly = oldPassword.empty() && newPassword.empty() && confirmation.empty();
    if (!nameOnly) {
        if (trimmed(oldPassword) != m.PasswordText) return NameChangeOutcome::WrongOldPassword;
        if (password.empty()) return NameChangeOutcome::EmptyPassword;
        if (newPassword != confirmation) return NameChangeOutcome::Mismatch;
    }
    if (!m.OwnUser || waiting_) return NameChangeOutcome::SendFailed;

    const NameChangeRecord body{m.OwnUser->userId, newName, passwordDigest(password)};
    if (!send(protocol::makeMessage(protocol::Cmd::ChangeNamePassword, body)))
        return NameChangeOutcome::SendFailed;

    waiting_ = Waiting{m.OwnUser->userId, newName, nameOnly ? std::string() : password, std::move(done)};
    confirmTimer_->start();
    return NameChangeOutcome::Waiting;
}

void SettingsForm::userChanged(const directory::User& u, const directory::UserChange& change) {
    if (!waiting_ || !(change.what & directory::UserChange::Name) || u.record.userId != waiting_->ownId)
        return;
    if (u.record.name != waiting_->name) return;
    session::TMessengerX& m = client_.messenger();
    if (!waiting_->password.empty()) {
        m.PasswordText = waiting_->password;
        // A remembered password follows the change, or the next automatic sign-in is refused.
        if (m.Machine.SavePass && !m.Machine.Password.empty()) {
            m.Machine.Password = waiting_->password;
            try {
                settings::ProfileFile(m.environment().layout.machineFile())
                    .writeString("Login", "Password", settings::storedPasswordText(waiting_->password));
            } catch (const std::exception& e) {
                qWarning("settings dialog: %s", e.what());
            }
        }
    }
    // The main window's own name shows the new one.
    client_.directory().presence().ShowOwnState();
    finishNameChange(NameChangeOutcome::Confirmed);
}

void SettingsForm::directoryAboutToReset() {
    // Signed out while waiting: no confirmation can come any more.
    if (waiting_) finishNameChange(NameChangeOutcome::TimedOut);
}

void SettingsForm::finishNameChange(NameChangeOutcome outcome) {
    confirmTimer_->stop();
    if (!waiting_) return;
    auto done = std::move(waiting_->done);
    waiting_.reset();
    if (done) done(outcome);
}

void SettingsForm::cancelNameChange() {
    confirmTimer_->stop();
    waiting_.reset();
}

} // namespace vantor::shell
