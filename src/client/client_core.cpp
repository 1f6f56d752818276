#include "client/client_core.h"

#include "peer/qt_sockets.h"
#include "protocol/records.h"
#include "protocol/text.h"
#include "settings/user_settings.h"

#include <QHostAddress>
#include <QHostInfo>

#include <array>
#include <cassert>

namespace vantor::client {

using protocol::Cmd;
using session::LoginStep;
using session::SignOutStep;

namespace {
// The records of a colleague's channel that the server forwards as well (the timing records of
// video and screen sharing travel only as datagrams).
constexpr std::array kForwardedRecords{Cmd::ChatMessage, Cmd::InputState,  Cmd::Shake,
                                       Cmd::FileData,    Cmd::FileDataAck, Cmd::AudioData,
                                       Cmd::VideoData,   Cmd::RemoteInput, Cmd::RemoteScreen};
// The control records of transfers, always through the server.
// The office services' records from the server.
constexpr std::array kServiceRecords{Cmd::AttendanceQuery, Cmd::ServiceSession, Cmd::Reservation};
constexpr std::array kTransferRecords{Cmd::FileOffer,    Cmd::FileReply,    Cmd::FileCancel, Cmd::FileAbort,
                                      Cmd::FileComplete, Cmd::FileBlockMap, Cmd::FileOffline};
} // namespace

std::span<const Cmd> ClientCore::forwardedRecordCodes() {
    return kForwardedRecords;
}

ClientCore::ClientCore(ClientEnvironment env) : clock_(*env.session.clock), records_(env.records) {
    chatBridge_.setView(env.conversationView);
    assert(env.session.clock && env.session.view && env.directoryView);
    directory::IIdleSource& idle = env.idle ? *env.idle : nullIdle_;
    if (!env.sockets) ownSockets_ = std::make_unique<peer::UdpSocketFactory>(clock_);
    peer::DatagramSocketFactory& sockets = env.sockets ? *env.sockets : *ownSockets_;

    messenger_ = std::make_unique<session::TMessengerX>(std::move(env.session));
    directory_ = std::make_unique<directory::DirectoryCore>(directoryBridge_, *env.directoryView,
                                                            directoryBridge_, directoryBridge_, idle,
                                                            directoryBridge_, directory::DirectorySettings{});
    directory_->directory().addListener(&directoryBridge_);
    peers_ = std::make_unique<peer::PeerTransport>(peerBridge_, peerBridge_, peerBridge_, clock_, sockets);
    chat_ = std::make_unique<conversation::ChatCore>(conversations_, chatBridge_, chatBridge_, chatBridge_,
                                                     chatBridge_, chatBridge_, chatBridge_);
    transfers_ = std::make_unique<transfer::Transfers>(transferBridge_, transferBridge_, clock_);
    offlineSends_ = std::make_unique<OfflineSends>(*this);
    offlineFiles_ = std::make_unique<transfer::OfflineFiles>(offlineHost_);
    people_ =
        std::make_unique<people::PeopleCore>(peopleBridge_, env.pictures ? *env.pictures : plainPictures_);
    groups_ = std::make_unique<groups::GroupsCore>(directory_->directory(), conversations_, groupBridge_,
                                                   groupBridge_);
    notices_ = std::make_unique<info::NoticeCore>(noticeBridge_);
    attendance_ = std::make_unique<services::Attendance>(servicesBridge_);
    serviceDesk_ =
        std::make_unique<services::ServiceDesk>(servicesBridge_, conversations_, *chat_, chatBridge_);
    serviceDesk_->setPoints(&servicePoints_.entries());

    statusTimer_ = clock_.createTimer();
    statusTimer_->setInterval(directory::Presence::kStatusTimerIntervalMs);
    statusTimer_->onTimeout = [this] { directory_->presence().StatusTimerTick(); };

    messenger_->UserKnown = [this](uint32_t id) { return directory_->directory().findUser(id) != nullptr; };
    // One record of the users asked for, the directory's.
    messenger_->AskForUser = [this](uint32_t id) { directory_->directory().QueryUser(id); };
    messenger_->addParticipant(this);
    installHandlers();
}

ClientCore::~ClientCore() {
    // The history's writer thread finishes while the chat core can still acknowledge.
    chatBridge_.stopWriter();
    messenger_->removeParticipant(this);
    // Nothing the server still sends may reach the parts that go first.
    for (Cmd c : directory::DirectoryCore::handledCodes())
        messenger_->registerHandler(c, {});
    for (Cmd c : kForwardedRecords)
        messenger_->registerHandler(c, {});
    messenger_->registerHandler(Cmd::PeerAddress, {});
    messenger_->registerHandler(Cmd::ChatAck, {});
    messenger_->registerHandler(Cmd::PictureRequest, {});
    messenger_->registerHandler(Cmd::ServicePoint, {});
    for (Cmd c : kServiceRecords)
        messenger_->registerHandler(c, {});
    messenger_->registerHandler(Cmd::OfflineFile, {});
    for (Cmd c : kTransferRecords)
        messenger_->registerHandler(c, {});
    for (Cmd c : people::PeopleCore::handledCodes())
        messenger_->registerHandler(c, {});
    for (Cmd c : groups::GroupsCore::handledCodes())
        messenger_->registerHandler(c, {});
    for (Cmd c : info::NoticeCore::handledCodes())
        messenger_->registerHandler(c, {});
    if (proxyLookup_ >= 0) QHostInfo::abortHostLookup(proxyLookup_);
    statusTimer_.reset();
    serviceDesk_.reset();
    attendance_.reset();
    notices_.reset();
    groups_.reset();
    offlineFiles_.reset();
    offlineSends_.reset();
    transfers_.reset(); // its channels belong to the peer transport
    chat_.reset();
    peers_.reset();
    directory_->directory().removeListener(&directoryBridge_);
    directory_.reset();
}

void ClientCore::installHandlers() {
    session::TMessengerX& m = *messenger_;
    // The directory's codes replace the session's stand-ins for the user, department and group
    // items and the user query.
    for (Cmd c : directory::DirectoryCore::handledCodes())
        m.registerHandler(c, [this](const protocol::Message& msg) { directory_->handle(msg); });
    m.registerHandler(Cmd::LoginReply, [this](const protocol::Message& msg) { onLoginReply(msg); });
    m.registerHandler(Cmd::PeerAddress,
                      [this](const protocol::Message& msg) { peers_->onPeerAddress(msg.body); });
    m.registerHandler(Cmd::ChatAck, [this](const protocol::Message& msg) { peers_->onChatAck(msg.body); });
    m.registerHandler(Cmd::PictureRequest, [this](const protocol::Message& msg) { onPictureRequest(msg); });
    m.registerHandler(Cmd::ServicePoint,
                      [this](const protocol::Message& msg) { servicePoints_.add(msg.body); });
    m.registerHandler(Cmd::AttendanceQuery,
                      [this](const protocol::Message& msg) { attendance_->onState(msg.body); });
    m.registerHandler(Cmd::ServiceSession,
                      [this](const protocol::Message& msg) { serviceDesk_->onServiceSession(msg.body); });
    m.registerHandler(Cmd::Reservation,
                      [this](const protocol::Message& msg) { serviceDesk_->onReservation(msg.body); });
    m.registerHandler(Cmd::OfflineFile, [this](const protocol::Message& msg) {
        protocol::OfflineFile n;
        if (wire::decode(msg.body, n)) offlineFiles_->add(n);
    });
    for (Cmd c : kForwardedRecords)
        m.registerHandler(c, [this](const protocol::Message& msg) { colleagueRecord(msg, nullptr); });
    for (Cmd c : kTransferRecords)
        m.registerHandler(c, [this](const protocol::Message& msg) { transfers_->handle(msg); });
    for (Cmd c : people::PeopleCore::handledCodes())
        m.registerHandler(c, [this](const protocol::Message& msg) { people_->handle(msg); });
    // The group records, the invitation included (it also changes open windows).
    for (Cmd c : groups::GroupsCore::handledCodes())
        m.registerHandler(c, [this](const protocol::Message& msg) { groups_->handle(msg); });
    for (Cmd c : info::NoticeCore::handledCodes())
        m.registerHandler(c, [this](const protocol::Message& msg) { notices_->handle(msg); });
}

bool ClientCore::sendToServer(const protocol::Message& m) {
    // Nothing is reported as sent while the connection is closed; a picture upload or a long
    // record takes the stream path.
    if (!messenger_->ConnectionOpen()) return false;
    const std::string bytes = m.bytes();
    const bool written = bytes.size() <= protocol::kMaxOrdinaryMessage
                             ? messenger_->SendToServer(m)
                             : messenger_->SendStreamToServer(bytes);
    if (!written) signOutAfterFailedWrite();
    return written;
}

void ClientCore::colleagueRecord(const protocol::Message& m, peer::TMySocket* channel) {
    switch (m.cmd()) {
    case Cmd::ChatMessage:
    case Cmd::InputState:
    case Cmd::Shake:
        chat_->receive(m); // a body that does not decode is dropped
        return;
    case Cmd::FileData:
    case Cmd::FileDataAck:
        transfers_->handle(m); // checked against the transfer it names
        return;
    default:
        if (records_) records_->colleagueRecord(m, channel);
    }
}

std::optional<history::StoreLocation> ClientCore::historyLocation() const {
    const auto& own = messenger_->OwnUser;
    if (!own) return std::nullopt;
    history::StoreLocation l;
    l.historyFolder = messenger_->environment().layout.historyFolder(own->userId);
    l.accountId = static_cast<int32_t>(own->userId);
    return l;
}

std::optional<conversation::ImagesFolder> ClientCore::imagesFolder() const {
    const auto& own = messenger_->OwnUser;
    if (!own) return std::nullopt;
    return conversation::ImagesFolder(
        QString::fromStdString(messenger_->environment().layout.imagesFolder(own->userId)));
}

conversation::PictureRoute ClientCore::requestPicture(const protocol::ConversationKey& key, uint32_t ownerId,
                                                      std::string_view name) {
    const auto& own = messenger_->OwnUser;
    if (!own || !messenger_->ConnectionOpen()) return conversation::PictureRoute::Refused;
    conversation::PictureSenders senders;
    senders.toServer = [this](const protocol::Message& m) { chatBridge_.sendToServer(m); };
    senders.relayed = [this](uint32_t peerId, const protocol::Message& m) {
        chatBridge_.sendToPeer(peerId, m, true);
    };
    const directory::User* owner = directory_->directory().findUser(ownerId);
    const uint8_t status = owner ? owner->record.status : conversation::kStatusOffline;
    return conversation::PictureRequester(own->userId, std::move(senders))
        .request(key, ownerId, status, name);
}

void ClientCore::onPictureRequest(const protocol::Message& m) {
    const auto images = imagesFolder();
    if (!images || !pictureTransfer_) return;
    conversation::PictureResponder(messenger_->OwnUser->userId, *images, *pictureTransfer_).answer(m.body);
}

void ClientCore::refreshChatSession() {
    conversation::ChatSession s = chat_->session();
    const auto& own = messenger_->OwnUser;
    s.signedIn = own.has_value();
    s.ownId = own ? own->userId : 0;
    s.displayName = own ? own->name : std::string();
    s.account = messenger_->Account;
    s.serverCopies = messenger_->ServerSettings.copyChatToServer;
    chat_->setSession(s);
}

void ClientCore::onLoginReply(const protocol::Message& msg) {
    protocol::LoginReply r;
    wire::decode(msg.body, r);
    messenger_->OnLoginReply(r);
    if (!r.success) return;
    // What the directory needs before its load arrives.
    directory::DirectoryCore& d = *directory_;
    d.directory().setContactGroupMode(messenger_->ContactGroupMode);
    d.presence().setSessionId(messenger_->SessionId);
    d.presence().setCapabilities(messenger_->HasAudio, messenger_->HasCamera);
    directory::DirectorySettings s = d.settings();
    s.productName = messenger_->Machine.ProductName;
    d.setSettings(s);
}

directory::DirectorySettings ClientCore::directorySettings() const {
    const settings::UserSettings& u = messenger_->UserConfig;
    directory::DirectorySettings s;
    s.autoSort = u.AutoSort;
    s.autoLeave = u.AutoLeave;
    s.autoLeaveIntervalMinutes = u.AutoLeaveInterval;
    s.autoBusy = u.AutoBusy;
    s.treeGrouping = u.TreeView == settings::TreeGrouping::OnOrOff ? directory::Grouping::ByPresence
                                                                   : directory::Grouping::ByDepartment;
    s.showAllContacts = u.FaceView == settings::ListFilter::All;
    s.bigIcons = u.FaceSize == settings::IconSize::BigFace;
    s.wideSeparator = directory_->settings().wideSeparator; // the window's font decides
    s.productName = messenger_->Machine.ProductName;
    return s;
}

void ClientCore::applyUserSettings() {
    directory::DirectoryCore& d = *directory_;
    d.setSettings(directorySettings());
    if (!messenger_->SignedIn()) return;
    if (d.presence().statusTimerWanted()) {
        if (!statusTimer_->isActive()) statusTimer_->start();
    } else {
        statusTimer_->stop();
    }
}

void ClientCore::signOutAfterFailedWrite() {
    if (signOutQueued_) return;
    signOutQueued_ = true;
    QMetaObject::invokeMethod(
        messenger_.get(),
        [this] {
            signOutQueued_ = false;
            // The connection's own loss may have signed out already.
            if (messenger_->SignedIn() || messenger_->ConnectionOpen()) messenger_->SignOut(false);
        },
        Qt::QueuedConnection);
}

void ClientCore::applyUdpProxy() {
    const settings::MachineSettings& mc = messenger_->Machine;
    peer::UdpProxy p;
    if (mc.ProxyCategory == 3) {
        p.port = uint16_t(std::clamp(mc.ProxyPort, 0, 65535));
        p.username = mc.ProxyUsername;
        p.password = mc.ProxyPassword;
        const QString host = QString::fromStdString(mc.ProxyAddress).trimmed();
        QHostAddress literal;
        if (literal.setAddress(host) && literal.protocol() == QAbstractSocket::IPv4Protocol) {
            p.enabled = true;
            p.address = literal.toString().toStdString();
        } else if (!host.isEmpty()) {
            // Channels made before the answer relay through the server or go direct.
            if (proxyLookup_ >= 0) QHostInfo::abortHostLookup(proxyLookup_);
            proxyLookup_ =
                QHostInfo::lookupHost(host, messenger_.get(), [this, p](const QHostInfo& info) mutable {
                    proxyLookup_ = -1;
                    for (const QHostAddress& a : info.addresses())
                        if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                            p.enabled = true;
                            p.address = a.toString().toStdString();
                            peers_->setProxy(p);
                            return;
                        }
                });
        }
    }
    peers_->setProxy(p);
}

void ClientCore::loginStep(LoginStep step) {
    directory::DirectoryCore& d = *directory_;
    switch (step) {
    case LoginStep::OwnStatus: {
        refreshChatSession();
        // The account's settings are read after this step; the product name is known already.
        directory::DirectorySettings s = d.settings();
        s.productName = messenger_->Machine.ProductName;
        d.setSettings(s);
        d.presence().ShowOwnState();
        break;
    }
    case LoginStep::ListViews: {
        const directory::DirectorySettings s = directorySettings();
        d.setSettings(s);
        d.recent().FillRecent(messenger_->UserConfig.RecentUser);
        d.frequent().Fill(s.showAllContacts);
        d.groups().FillGroups(messenger_->ServerSettings.mayCreateGroups);
        fillServiceSections();
        break;
    }
    case LoginStep::StatusTimer:
        if (d.presence().statusTimerWanted()) statusTimer_->start();
        break;
    case LoginStep::PeerKeepAlive:
        applyUdpProxy();
        peers_->start();
        // Messages of earlier sessions and runs that were never acknowledged go out again.
        if (const auto& own = messenger_->OwnUser) {
            if (auto error = peers_->openJournal(messenger_->environment().layout.accountFolder(own->userId)))
                qWarning("unacknowledged messages: %s", error->c_str());
            // Offline files not yet taken or refused, also of earlier runs.
            offlineFiles_->keepIn(
                QString::fromStdString(messenger_->environment().layout.historyFolder(own->userId)) +
                QStringLiteral("OfflineFiles.db"));
        }
        break;
    case LoginStep::ToolbarPictures:
        // After the sign-in: in attendance mode the day's state first, a sign-in only when due.
        attendance_->signedIn(messenger_->ServerSettings.attendanceBySignIn &&
                              messenger_->environment().attendanceWithSignIn);
        break;
    case LoginStep::PrepareLists:
        d.ShowView(messenger_->UserConfig.ViewStyle != settings::ContactPanel::Tree ||
                           messenger_->ContactGroupMode
                       ? directory::kFrequentView
                       : directory::kTreeView);
        break;
    default:
        break;
    }
}

void ClientCore::fillServiceSections() {
    // The service points came before the sign-in completed; the sections show when the server
    // shows the service desk.
    std::vector<directory::ServiceListSection> sections;
    if (messenger_->ServerSettings.serviceDesk)
        for (const services::ServiceSection& s : services::serviceSections(servicePoints_.entries())) {
            directory::ServiceListSection out;
            out.title = protocol::toGbk(s.title);
            out.id = s.kind;
            for (const protocol::ServicePoint& p : s.points)
                out.entries.push_back({p.guid, p.name, p.description});
            sections.push_back(std::move(out));
        }
    directory_->groups().FillService(std::move(sections));
}

void ClientCore::signOutStep(SignOutStep step, bool byUser) {
    directory::DirectoryCore& d = *directory_;
    switch (step) {
    case SignOutStep::StatusTimer:
        statusTimer_->stop();
        // Every record queued for the history reaches the disk, and its acknowledgement goes out,
        // while the channels are still there.
        chatBridge_.stopWriter();
        break;
    case SignOutStep::RecentContacts:
        // The session has let go of its own record by now; the directory still holds it.
        if (const directory::User* own = d.directory().ownUser())
            settings::saveRecentUser(messenger_->environment().layout.userFile(own->id()),
                                     d.recent().recentText());
        break;
    case SignOutStep::Conversations: {
        conversation::ChatSession s = chat_->session();
        s.signedIn = false;
        chat_->setSession(s);
        conversations_.clearHiddenAlerts();
        if (byUser) {
            chatBridge_.closeAll();
            while (!conversations_.all().empty())
                conversations_.remove(conversations_.all().front()->id);
        }
        break;
    }
    case SignOutStep::Sessions:
        transfers_->endAll();
        offlineFiles_->clear();
        groups_->SignedOut();
        d.SignedOut();
        servicePoints_.clear();
        d.groups().FillService({});
        serviceDesk_->signedOut();
        attendance_->signedOut();
        people_->clear();
        notices_->clear();
        break;
    case SignOutStep::SessionObjects:
        if (proxyLookup_ >= 0) QHostInfo::abortHostLookup(proxyLookup_);
        proxyLookup_ = -1;
        peers_->stop();
        break;
    default:
        break;
    }
}

} // namespace vantor::client
