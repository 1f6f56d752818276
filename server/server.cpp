#include "server/server.h"

#include "protocol/text.h"
#include "server/file_server.h"
#include "server/log.h"
#include "server/notices.h"
#include "server/office.h"
#include "server/session.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>

#include <sys/resource.h>

namespace vantor::server {

using protocol::Cmd;
using protocol::Message;

namespace {
template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};

// What a slow reader keeps only the latest of: a colleague's status record of each text kind, and
// its name.
constexpr uint8_t kRenameKey = 0xFF;
uint64_t latestKey(uint32_t userId, uint8_t kind) {
    return (uint64_t(userId) << 8 | kind) + 1;
}

// Descriptors kept for everything but the clients' connections: the store, the listening and UDP
// sockets, the file server's connections (which have a limit of their own) and the log.
constexpr size_t kDescriptorsKept = 256;

// Raises the soft descriptor limit to the hard one and returns it.
size_t raiseDescriptorLimit() {
    rlimit l{};
    if (::getrlimit(RLIMIT_NOFILE, &l) != 0) return 1024;
    if (l.rlim_cur < l.rlim_max) {
        rlimit raised = l;
        raised.rlim_cur = l.rlim_max;
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) l = raised;
    }
    return l.rlim_cur == RLIM_INFINITY ? size_t(1) << 20 : size_t(l.rlim_cur);
}
} // namespace

Server::Server(ServerConfig config, QObject* parent) : QObject(parent), config_(std::move(config)) {
    if (config_.fileFolder.empty()) config_.fileFolder = config_.dbPath + ".files";
    if (config_.pictureFolder.empty()) config_.pictureFolder = config_.dbPath + ".pictures";
    if (config_.noticeFolder.empty()) config_.noticeFolder = config_.dbPath + ".notices";
    connect(&tcp_, &QTcpServer::newConnection, this, &Server::onNewConnection);
    // A whole organisation reconnects at once after a restart: let the kernel queue the burst.
    tcp_.setListenBacklogSize(4096);
    connect(&udp_, &QUdpSocket::readyRead, this, &Server::onDatagrams);
    connect(&changeTimer_, &QTimer::timeout, this, &Server::onChangeTick);
    clock_.start();
}

Server::~Server() {
    stop();
}

bool Server::start(std::string* error) {
    store_ = Store::open(config_.dbPath, error);
    if (!store_) return false;
    const size_t descriptors = raiseDescriptorLimit();
    connectionLimit_ =
        std::min(config_.maxConnections,
                 descriptors > 2 * kDescriptorsKept ? descriptors - kDescriptorsKept : descriptors / 2);
    // The rest is kept for connections that sign in, so idle ones never lock colleagues out.
    unsignedLimit_ = config_.maxUnsignedConnections
                         ? std::min(config_.maxUnsignedConnections, connectionLimit_)
                         : std::max<size_t>(1, connectionLimit_ / 4);
    Organisation org = store_->loadOrganisation();
    directory_.load(org);
    notices_ = std::make_unique<NoticeService>(*this, config_.dbPath, config_.noticeFolder);
    if (!notices_->open(error)) {
        notices_.reset();
        store_.reset();
        return false;
    }
    AttendanceOptions attendance = org.attendance;
    attendance.bySignIn = attendance.bySignIn || config_.attendance;
    office_ = std::make_unique<OfficeServices>(*this, config_.dbPath, std::move(org.servicePoints),
                                               attendance, config_.localNow);
    if (!office_->open(error)) {
        office_.reset();
        notices_.reset();
        store_.reset();
        return false;
    }
    const QHostAddress address(QString::fromStdString(config_.bindAddress));
    if (address.isNull()) {
        if (error) *error = "not an address: " + config_.bindAddress;
        store_.reset();
        return false;
    }
    // TCP and UDP share the port number; with port 0 try a few free ports until both are free.
    bool bound = false;
    for (int attempt = 0; attempt < 20 && !bound; ++attempt) {
        if (!tcp_.listen(address, config_.port)) break;
        bound = udp_.bind(address, tcp_.serverPort());
        if (!bound) tcp_.close();
        if (config_.port != 0) break;
    }
    if (!bound) {
        if (error)
            *error = "cannot listen on " + config_.bindAddress + ":" + std::to_string(config_.port) + ": " +
                     (tcp_.isListening() ? udp_.errorString() : tcp_.errorString()).toStdString();
        tcp_.close();
        store_.reset();
        return false;
    }
    FileRules rules;
    // A name is its transfer id: sender id, "_", receiver id, "_", …
    auto idAt = [](const std::string& name, int field) -> uint32_t {
        size_t start = 0;
        for (int i = 0; i < field; ++i) {
            const size_t underscore = name.find('_', start);
            if (underscore == std::string::npos) return 0;
            start = underscore + 1;
        }
        return uint32_t(std::strtoul(name.c_str() + start, nullptr, 10));
    };
    rules.mayUpload = [this, idAt](const std::string& name, const QHostAddress& from) {
        const auto it = announced_.find(name);
        return it != announced_.end() && it->second == idAt(name, 0) && fromSessionOf(it->second, from);
    };
    rules.mayDelete = [this, idAt](const std::string& name, const QHostAddress& from) {
        return fromSessionOf(idAt(name, 0), from) || fromSessionOf(idAt(name, 1), from);
    };
    rules.quotaPerUser = config_.fileQuotaPerUser;
    rules.maxConnections = config_.maxFileConnections;
    files_ = std::make_unique<FileServer>(*store_, config_.fileFolder, config_.greetingTimeoutMs,
                                          std::move(rules));
    if (!files_->start(address, config_.filePort, error)) {
        files_.reset();
        tcp_.close();
        udp_.close();
        store_.reset();
        return false;
    }
    if (config_.advertisedFileAddress.empty())
        config_.advertisedFileAddress = address == QHostAddress::AnyIPv4 ? "127.0.0.1" : config_.bindAddress;
    log(LogLevel::Info, "listening on " + config_.bindAddress + ":" + std::to_string(port()) +
                            " (TCP and UDP), files on " + std::to_string(filePort()) + "; " +
                            std::to_string(directory_.userCount()) + " colleagues in " +
                            std::to_string(directory_.departments().size()) + " departments; up to " +
                            std::to_string(connectionLimit_) + " connections (" +
                            std::to_string(descriptors) + " descriptors)");
    return true;
}

void Server::stop() {
    if (!store_) return;
    log(LogLevel::Info, "stopping");
    tcp_.close();
    udp_.close();
    if (files_) files_->stop();
    protocol::LoginReply bye;
    bye.tokenOrReason = protocol::toGbk("服务器已停止！");
    const Message last = protocol::makeMessage(Cmd::LoginReply, bye);
    const auto all = sessions_;
    for (auto& [id, s] : all) {
        if (s->signedIn())
            s->closeWith(last, "the server stops");
        else
            s->closeAfterFlush("the server stops");
    }
    // Give the farewells a moment to leave, then drop whoever is left.
    QElapsedTimer t;
    t.start();
    while (!sessions_.empty() && t.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    for (auto& [id, s] : std::unordered_map<uint64_t, Session*>(sessions_))
        s->abort("the server stops");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    files_.reset();
    office_.reset();
    store_.reset();
    log(LogLevel::Info, "stopped; the store is closed");
}

uint16_t Server::port() const {
    return uint16_t(tcp_.serverPort());
}
uint16_t Server::udpPort() const {
    return uint16_t(udp_.localPort());
}
uint16_t Server::filePort() const {
    return files_ ? files_->port() : 0;
}

void Server::onNewConnection() {
    while (QTcpSocket* socket = tcp_.nextPendingConnection()) {
        const std::string address = socket->peerAddress().toString().toStdString();
        const char* refusal = nullptr;
        if (unsignedPerAddress_.count(address) &&
            unsignedPerAddress_[address] >= config_.maxUnsignedPerAddress)
            refusal = "too many connections not signed in from ";
        else if (sessions_.size() >= connectionLimit_ && !dropOldestUnsigned("room for a new connection"))
            refusal = "too many connections; refusing ";
        else if (unsigned_.size() >= unsignedLimit_)
            dropOldestUnsigned("too many connections not signed in");
        if (refusal) {
            log(LogLevel::Warning, refusal + address);
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto* s = new Session(socket, *this, nextSession_++);
        s->setParent(this);
        sessions_[s->id()] = s;
        trackUnsigned(*s);
        log(LogLevel::Debug, "connection from " + s->peer());
    }
}

void Server::trackUnsigned(Session& s) {
    unsigned_[s.id()] = &s;
    ++unsignedPerAddress_[s.address()];
}

void Server::forgetUnsigned(Session& s) {
    if (unsigned_.erase(s.id()) == 0) return;
    const auto it = unsignedPerAddress_.find(s.address());
    if (it != unsignedPerAddress_.end() && --it->second == 0) unsignedPerAddress_.erase(it);
}

// Honest clients sign in within moments of connecting, so the oldest unsigned connection is the
// likeliest to be idle on purpose.
bool Server::dropOldestUnsigned(const char* why) {
    if (unsigned_.empty()) return false;
    Session* oldest = unsigned_.begin()->second;
    forgetUnsigned(*oldest);
    oldest->abort(why);
    return true;
}

bool Server::fromSessionOf(uint32_t userId, const QHostAddress& from) const {
    const auto it = byUser_.find(userId);
    return userId != 0 && it != byUser_.end() &&
           QHostAddress(QString::fromStdString(it->second->address()))
               .isEqual(from, QHostAddress::TolerantConversion);
}

void Server::noteAnnouncement(uint32_t sender, const Message& m) {
    constexpr size_t kAnnouncedPerSender = 64;
    const size_t at = m.cmd() == Cmd::FileOffer ? 41 : m.cmd() == Cmd::FileOffline ? 4 : 0;
    if (!at || m.body.size() < at + 81) return;
    const std::string name = m.body.substr(at + 1, std::min<size_t>(uint8_t(m.body[at]), 80));
    // Only names of the sender's own transfers.
    const std::string own = std::to_string(sender) + "_";
    if (name.compare(0, own.size(), own) != 0 || announced_.count(name)) return;
    auto& names = announcedBy_[sender];
    names.push_back(name);
    announced_[name] = sender;
    if (names.size() > kAnnouncedPerSender) {
        announced_.erase(names.front());
        names.pop_front();
    }
}

bool Server::isOnline(uint32_t userId) const {
    return byUser_.count(userId) != 0;
}

size_t Server::heldCount(uint32_t userId) {
    return store_ ? store_->heldCount(userId) : 0;
}

void Server::handle(Session& s, const Message& m) {
    if (NoticeService::owns(m.code) && notices_) {
        if (!s.signedIn()) {
            s.abort(std::string(protocol::codeName(m.code)) + " before signing in");
            return;
        }
        notices_->handle(s, m);
        return;
    }
    if (OfficeServices::owns(m.code) && office_) {
        if (!s.signedIn()) {
            s.abort(std::string(protocol::codeName(m.code)) + " before signing in");
            return;
        }
        office_->handle(s, m);
        return;
    }
    const ClientRequest request = parseClientMessage(m);
    if (const auto* bad = std::get_if<Invalid>(&request)) {
        s.abort(bad->error);
        return;
    }
    const bool signedIn = s.signedIn();
    std::visit(
        Overloaded{
            [&](const Invalid&) {},
            [&](const Unhandled&) {
                if (m.cmd() == Cmd::SmsRequest && signedIn && config_.mobileTexts) {
                    log(LogLevel::Info, "mobile text asked for by " + s.peer());
                    smsRequests_.push_back(m.body);
                    if (smsRequests_.size() > kMaxSmsRequests) smsRequests_.pop_front();
                    return;
                }
                log(LogLevel::Debug, std::string("not handled: ") + std::string(protocol::codeName(m.code)));
            },
            [&](const Heartbeat&) { s.send(protocol::emptyMessage(Cmd::Heartbeat)); },
            [&](const Logout&) {
                signOut(s, "signed out");
                s.closeAfterFlush("signed out");
            },
            [&](const protocol::VersionCheckRequest& r) { onVersionCheck(s, r); },
            [&](const protocol::LoginRequest& r) {
                if (!signedIn) onLogin(s, r);
            },
            [&](const auto& r) {
                if (!signedIn) {
                    log(LogLevel::Warning,
                        s.peer() + " sent " + std::string(protocol::codeName(m.code)) + " before signing in");
                    return;
                }
                using T = std::decay_t<decltype(r)>;
                if constexpr (std::is_same_v<T, protocol::StatusRecord>)
                    onStatus(s, r);
                else if constexpr (std::is_same_v<T, protocol::WorkStateRecord>)
                    onWorkState(s, r);
                else if constexpr (std::is_same_v<T, protocol::ContactsChange>)
                    onContacts(s, r);
                else if constexpr (std::is_same_v<T, UserQuery>)
                    onUserQuery(s, r);
                else if constexpr (std::is_same_v<T, GroupSave>)
                    onGroupSave(s, r);
                else if constexpr (std::is_same_v<T, protocol::GroupMembersQuery>)
                    onGroupMembers(s, r);
                else if constexpr (std::is_same_v<T, protocol::UserSearchRequest>)
                    onUserSearch(s, r);
                else if constexpr (std::is_same_v<T, protocol::GroupSearchRequest>)
                    onGroupSearch(s, r);
                else if constexpr (std::is_same_v<T, ChangeNamePassword>)
                    onChangeNamePassword(s, r);
                else if constexpr (std::is_same_v<T, Relay>)
                    onRelay(s, m, r);
                else if constexpr (std::is_same_v<T, DetailQuery>)
                    onDetailQuery(s, r);
                else if constexpr (std::is_same_v<T, protocol::UserDetail>)
                    onDetailSave(s, r);
                else if constexpr (std::is_same_v<T, PictureQuery>)
                    onPictureQuery(s, r);
                else if constexpr (std::is_same_v<T, PictureUpload>)
                    onPictureUpload(s, r);
                else
                    static_assert(sizeof(T) == 0, "a request without a handler");
            },
        },
        request);
}

void Server::sessionClosed(Session& s) {
    if (notices_) notices_->sessionClosed(s);
    sessions_.erase(s.id());
    loginWaiting_.erase(s.id());
    forgetUnsigned(s);
    signOut(s, "connection closed");
}

void Server::broadcast(const Message& m, uint32_t except, uint64_t latestKey) {
    const std::string bytes = m.bytes();
    const std::string frame = bytes.size() <= protocol::kMaxOrdinaryMessage ? protocol::frameMessage(bytes)
                                                                            : protocol::frameStream(bytes);
    for (auto& [id, s] : byUser_) {
        if (id == except) continue;
        if (latestKey)
            s->sendLatest(latestKey, frame);
        else
            s->sendFrame(frame);
    }
}

void Server::broadcastStatus(uint32_t userId, uint8_t textKind, const std::string& text, bool automatic,
                             uint32_t except) {
    const protocol::UserRecord* u = directory_.user(userId);
    if (!u) return;
    protocol::StatusRecord r;
    r.userId = userId;
    r.status = u->status;
    r.hasAudio = u->hasAudio;
    r.hasCamera = u->hasCamera;
    r.automatic = automatic;
    r.textKind = textKind;
    r.text = text;
    broadcast(Message{uint8_t(Cmd::Status), r.encodeBody()}, except, latestKey(userId, textKind));
}

// ---- control surface ----

void Server::pushStatus(uint32_t userId, uint8_t status) {
    const protocol::UserRecord* u = directory_.user(userId);
    if (!u) return;
    directory_.setPresence(userId, status, u->hasAudio, u->hasCamera);
    broadcastStatus(userId, 0, {}, false);
}

bool Server::addColleague(const Colleague& c, const std::string& account, const std::string& password) {
    if (!store_ || !store_->addColleague(c, account, password, config_.hashIterations)) return false;
    directory_.add(c);
    const protocol::UserRecord* u = directory_.user(c.id);
    broadcast(Message{uint8_t(Cmd::UserItem),
                      [&] {
                          protocol::UserItem item;
                          item.action = protocol::kItemAdded;
                          item.position = uint32_t(directory_.position(c.id));
                          item.loadCount = uint32_t(directory_.userCount());
                          item.user = *u;
                          return item.encodeBody();
                      }()},
              c.id);
    return true;
}

bool Server::removeColleague(uint32_t userId) {
    const protocol::UserRecord* u = directory_.user(userId);
    if (!store_ || !u || !store_->removeColleague(userId)) return false;
    protocol::UserItem item;
    item.action = protocol::kItemRemoved;
    item.user = *u;
    if (auto it = byUser_.find(userId); it != byUser_.end()) {
        Session* s = it->second;
        byUser_.erase(it);
        s->closeAfterFlush("the colleague was removed");
    }
    const size_t position = directory_.position(userId);
    directory_.remove(userId);
    for (auto& [id, session] : sessions_)
        session->colleagueRemovedAt(position);
    broadcast(Message{uint8_t(Cmd::UserItem), item.encodeBody()}, userId);
    return true;
}

bool Server::renameColleague(uint32_t userId, const std::string& name) {
    if (!store_ || !directory_.user(userId) || !store_->renameColleague(userId, name)) return false;
    directory_.rename(userId, name);
    broadcast(protocol::makeMessage(Cmd::UserRenamed, protocol::UserRenamed{userId, name}), 0,
              latestKey(userId, kRenameKey));
    return true;
}

bool Server::pushRecord(uint32_t userId, const Message& m) {
    const auto it = byUser_.find(userId);
    if (it == byUser_.end()) return false;
    it->second->send(m);
    return true;
}

} // namespace vantor::server
