// Version check, sign-in with its directory load, hand-over to a newer sign-in, sign-out.
#include "protocol/text.h"
#include "server/log.h"
#include "server/notices.h"
#include "server/office.h"
#include "server/server.h"
#include "server/session.h"

#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <sstream>

namespace vantor::server {

using protocol::Cmd;
using protocol::Message;

namespace {

// Dotted version numbers compared part by part ("1.10" is newer than "1.9").
bool olderThan(const std::string& version, const std::string& minimum) {
    std::istringstream a(version), b(minimum);
    std::string pa, pb;
    for (;;) {
        const bool ha = bool(std::getline(a, pa, '.')), hb = bool(std::getline(b, pb, '.'));
        if (!ha && !hb) return false;
        const long va = ha ? std::strtol(pa.c_str(), nullptr, 10) : 0;
        const long vb = hb ? std::strtol(pb.c_str(), nullptr, 10) : 0;
        if (va != vb) return va < vb;
    }
}

std::string hex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (unsigned char c : bytes) {
        s.push_back(digits[c >> 4]);
        s.push_back(digits[c & 15]);
    }
    return s;
}

Message refusal(const char* utf8Reason) {
    protocol::LoginReply r;
    r.tokenOrReason = protocol::toGbk(utf8Reason);
    return protocol::makeMessage(Cmd::LoginReply, r);
}

std::string frameOf(const Message& m) {
    const std::string bytes = m.bytes();
    return bytes.size() <= protocol::kMaxOrdinaryMessage ? protocol::frameMessage(bytes)
                                                         : protocol::frameStream(bytes);
}

} // namespace

void Server::onVersionCheck(Session& s, const protocol::VersionCheckRequest& r) {
    protocol::VersionCheckReply reply;
    reply.updateFlag = !config_.minimumVersion.empty() && olderThan(r.version, config_.minimumVersion);
    reply.fileServer = config_.advertisedFileAddress;
    reply.filePort = filePort();
    s.send(protocol::makeMessage(Cmd::VersionCheck, reply));
}

qint64 Server::failureDelay(const Failures& f, unsigned free) const {
    if (f.count < free) return 0;
    const unsigned doublings = std::min(f.count - free, 20u);
    return std::min<qint64>(qint64(config_.signInDelayMs) << doublings, config_.maxSignInDelayMs);
}

void Server::noteFailure(FailureMap& map, const std::string& key, unsigned free, qint64 now) {
    constexpr size_t kMaxTracked = 100000;
    constexpr qint64 kForgetMs = 15 * 60 * 1000;
    if (map.size() >= kMaxTracked && !map.count(key)) {
        std::erase_if(map, [&](const auto& e) { return now - e.second.last > kForgetMs; });
        if (map.size() >= kMaxTracked) map.erase(map.begin());
    }
    Failures& f = map[key];
    if (f.count && now - f.last > kForgetMs) f = {};
    ++f.count;
    f.last = now;
    f.nextAllowed = std::max(f.nextAllowed, now + failureDelay(f, free));
}

// Failed sign-ins slow further attempts on the same account and from the same address; a waiting
// attempt is checked later on a timer, so the event loop never waits and the right password still
// gets in once its turn comes.
bool Server::knownAddress(const std::string& account, const std::string& address) const {
    const auto it = knownAddresses_.find(account);
    return it != knownAddresses_.end() &&
           std::find(it->second.begin(), it->second.end(), address) != it->second.end();
}

void Server::onLogin(Session& s, const protocol::LoginRequest& r) {
    if (loginWaiting_.count(s.id())) return;
    const qint64 now = clock_.elapsed();
    Failures* byAccount = nullptr;
    Failures* byAddress = nullptr;
    if (auto it = failedByAccount_.find(r.account);
        it != failedByAccount_.end() && !knownAddress(r.account, s.address()))
        byAccount = &it->second;
    if (auto it = failedByAddress_.find(s.address()); it != failedByAddress_.end()) byAddress = &it->second;
    const qint64 turn =
        std::max(byAccount ? byAccount->nextAllowed : 0, byAddress ? byAddress->nextAllowed : 0);
    if (turn <= now) {
        checkLogin(s, r);
        return;
    }
    // Attempts waiting on one account or address take their turns one after the other.
    if (byAccount) byAccount->nextAllowed = turn + failureDelay(*byAccount, config_.freeFailuresPerAccount);
    if (byAddress) byAddress->nextAllowed = turn + failureDelay(*byAddress, config_.freeFailuresPerAddress);
    loginWaiting_.insert(s.id());
    log(LogLevel::Info,
        "sign-in from " + s.peer() + " waits " + std::to_string(turn - now) + " ms after failed ones");
    QPointer<Session> session(&s);
    const uint64_t id = s.id();
    QTimer::singleShot(int(turn - now), this, [this, session, id, r] {
        loginWaiting_.erase(id);
        if (session && !session->signedIn() && session->state() == Session::State::Connected)
            checkLogin(*session, r);
    });
}

void Server::checkLogin(Session& s, const protocol::LoginRequest& r) {
    const auto userId = store_->authenticate(r.account, r.password);
    const protocol::UserRecord* user = userId ? directory_.user(*userId) : nullptr;
    if (!user) {
        const qint64 now = clock_.elapsed();
        noteFailure(failedByAccount_, r.account, config_.freeFailuresPerAccount, now);
        noteFailure(failedByAddress_, s.address(), config_.freeFailuresPerAddress, now);
        log(LogLevel::Info, "refused a sign-in from " + s.peer() + " (wrong account or password)");
        s.closeWith(refusal("用户名或者密码输入错误！"), "sign-in refused");
        return;
    }
    failedByAccount_.erase(r.account);
    if (!knownAddress(r.account, s.address())) {
        constexpr size_t kKeptAddresses = 4;
        auto& known = knownAddresses_[r.account];
        if (known.size() >= kKeptAddresses) known.erase(known.begin());
        known.push_back(s.address());
    }
    const uint32_t id = *userId;
    if (auto it = byUser_.find(id); it != byUser_.end()) {
        Session* old = it->second;
        byUser_.erase(it);
        old->closeWith(refusal("相同的用户在其它位置刚刚登录！"), "replaced by a newer sign-in");
    }
    uint8_t status = r.status & 0x7F;
    if (status > protocol::kMobile || status == protocol::kOffline) status = protocol::kOnline;
    directory_.setPresence(id, status, r.hasAudio, r.hasCamera);
    byUser_[id] = &s;
    forgetUnsigned(s);
    log(LogLevel::Info, "user " + std::to_string(id) + " signed in from " + s.peer());

    protocol::LoginReply reply;
    reply.success = true;
    reply.tokenOrReason = hex(randomBytes(16));
    const std::string g = randomBytes(16);
    reply.sessionId = wire::Guid::fromBytes(reinterpret_cast<const uint8_t*>(g.data()));
    reply.productName = config_.productName;
    reply.settings.mayCreateGroups = true;
    reply.settings.mayAddContacts = true;
    reply.settings.mayWriteNotices = true; // every colleague may post notices here
    reply.settings.maySendSms = config_.mobileTexts;
    reply.settings.serviceDesk = config_.serviceDesk || (office_ && !office_->servicePoints().empty());
    reply.settings.attendanceBySignIn = office_ && office_->attendanceBySignIn();
    reply.settings.netFileSingleMaxSize = 100u << 20;
    reply.settings.netFileMaxSize = 1u << 30;
    reply.settings.netFileFilter = "*.*";
    s.send(protocol::makeMessage(Cmd::LoginReply, reply));

    // Per-viewer records: the own record, and the colleagues in the viewer's contact groups.
    const uint32_t count = uint32_t(directory_.userCount());
    std::map<size_t, std::string> patches;
    auto patch = [&](uint32_t uid, auto&& change) {
        const size_t pos = directory_.position(uid);
        const protocol::UserRecord* u = directory_.user(uid);
        if (!u) return;
        protocol::UserRecord rec = *u;
        if (auto it = patches.find(pos); it != patches.end()) {
            protocol::UserItem prev;
            protocol::UserItem::decodeBody(
                std::string_view(it->second).substr(protocol::kFrameHeaderSize + 1), prev);
            rec = prev.user;
        }
        change(rec);
        patches[pos] = Directory::userItemFrame(rec, protocol::kItemLoad, uint32_t(pos), count);
    };
    const auto links = directory_.contactLinksOf(id);
    for (const auto& l : links)
        patch(l.userId, [&](protocol::UserRecord& rec) {
            rec.contactGroupId = l.groupId;
            rec.frequent = true;
        });
    patch(id, [](protocol::UserRecord& rec) { rec.isOwn = true; });

    std::string tail;
    uint32_t index = 0;
    for (const DiscussionGroup* g : directory_.groupsOf(id)) {
        protocol::GroupItem item;
        item.index = index++;
        item.group = Directory::groupRecord(*g);
        tail += frameOf(protocol::makeMessage(Cmd::GroupItem, item));
    }
    tail +=
        frameOf(Message{uint8_t(Cmd::ContactGroups), protocol::encodeList(directory_.contactGroupsOf(id))});
    tail += frameOf(Message{uint8_t(Cmd::Contacts), protocol::encodeList(links)});
    if (office_) tail += office_->servicePointFrames(); // the service points before the sign-in completes
    tail += frameOf(protocol::emptyMessage(Cmd::LoginComplete));

    broadcastStatus(id, 0, {}, false, id); // the colleagues learn of the sign-in; the load carries it for us
    s.startLoad(id, std::move(patches), std::move(tail));
}

void Server::loadFinished(Session& s) {
    if (byUser_.count(s.userId()) && byUser_[s.userId()] == &s) {
        deliverHeld(s);
        if (notices_) notices_->signedIn(s);
    }
}

void Server::deliverHeld(Session& s) {
    const auto held = store_->heldFor(s.userId());
    if (held.empty()) return;
    std::vector<int64_t> ids;
    for (const auto& h : held) {
        s.send(Message{h.code, h.body});
        ids.push_back(h.id);
    }
    store_->dropHeld(ids);
    log(LogLevel::Info,
        "delivered " + std::to_string(ids.size()) + " held messages to user " + std::to_string(s.userId()));
}

void Server::signOut(Session& s, const char* why) {
    const uint32_t id = s.userId();
    const auto it = byUser_.find(id);
    if (id == 0 || it == byUser_.end() || it->second != &s) return;
    byUser_.erase(it);
    udpSeen_.erase(id);
    const protocol::UserRecord* u = directory_.user(id);
    if (u) directory_.setPresence(id, protocol::kOffline, u->hasAudio, u->hasCamera);
    broadcastStatus(id, 0, {}, false);
    log(LogLevel::Info, "user " + std::to_string(id) + " " + why);
}

} // namespace vantor::server
