// Changes a colleague makes to its own record (status, head picture, signature, name, password,
// work state) and how they reach everybody. Every colleague has a budget of changes: within it a
// change is told at once; beyond it the change is kept, only the latest of each kind, and told
// when the budget allows. Readers that fall behind get only the latest record of each colleague
// (Session::sendLatest), so a flood costs the server neither memory nor time.
#include "protocol/text.h"
#include "server/log.h"
#include "server/server.h"
#include "server/session.h"

#include <cctype>

namespace vantor::server {

using protocol::Cmd;
using protocol::Message;

namespace {
constexpr int kChangeTickMs = 100;
} // namespace

bool Server::takeChange(uint32_t userId) {
    ChangeBudget& b = budgets_[userId];
    const qint64 now = clock_.elapsed();
    if (b.tokens < 0) b.tokens = double(config_.changeBurst);
    b.tokens = std::min(double(config_.changeBurst),
                        b.tokens + double(now - b.refilled) * config_.changesPerSecond / 1000.0);
    b.refilled = now;
    if (b.tokens < 1) return false;
    b.tokens -= 1;
    return true;
}

void Server::queueChange(uint32_t userId) {
    ChangeBudget& b = budgets_[userId];
    if (!b.queued) {
        b.queued = true;
        changesQueued_.push_back(userId);
    }
    if (!changeTimer_.isActive()) changeTimer_.start(kChangeTickMs);
}

void Server::onChangeTick() {
    std::vector<uint32_t> still;
    for (uint32_t id : changesQueued_) {
        if (!takeChange(id)) {
            still.push_back(id);
            continue;
        }
        ChangeBudget& b = budgets_[id];
        b.queued = false;
        applyQueuedChanges(id, b);
    }
    changesQueued_ = std::move(still);
    if (changesQueued_.empty()) changeTimer_.stop();
}

void Server::applyQueuedChanges(uint32_t id, ChangeBudget& b) {
    if (!directory_.user(id)) {
        const ChangeBudget spent = b;
        b = ChangeBudget{};
        b.tokens = spent.tokens;
        b.refilled = spent.refilled;
        return;
    }
    if (b.rename) {
        const ChangeNamePassword c = std::move(*b.rename);
        b.rename.reset();
        applyNamePassword(c);
    }
    if (b.workState) {
        const protocol::WorkStateRecord r = std::move(*b.workState);
        b.workState.reset();
        applyWorkState(id, r);
    }
    if (b.headPicture || b.signature) {
        const Colleague c = directory_.colleague(id);
        store_->updateProfile(c.id, c.headPicture, c.signature, c.workState);
    }
    if (b.headPicture)
        broadcastStatus(id, uint8_t(protocol::TextKind::HeadPicture), *b.headPicture, b.automatic);
    if (b.signature) broadcastStatus(id, uint8_t(protocol::TextKind::Signature), *b.signature, b.automatic);
    // The plain record last, so that what a reader sees last is the latest status.
    if (b.status) broadcastStatus(id, 0, {}, b.automatic);
    b.headPicture.reset();
    b.signature.reset();
    b.status = false;
}

void Server::onStatus(Session& s, const protocol::StatusRecord& r) {
    if (r.userId != s.userId()) {
        log(LogLevel::Warning, s.peer() + " sent a status for user " + std::to_string(r.userId));
        return;
    }
    const protocol::UserRecord* u = directory_.user(r.userId);
    const uint8_t status = r.status & 0x7F;
    if (!u || status > protocol::kMobile) return;
    const bool head = r.textKind == uint8_t(protocol::TextKind::HeadPicture);
    const bool signature = r.textKind == uint8_t(protocol::TextKind::Signature);
    if (head) directory_.setHeadPicture(r.userId, r.text);
    if (signature) directory_.setSignature(r.userId, r.text);
    directory_.setPresence(r.userId, status, r.hasAudio, r.hasCamera);
    if (takeChange(r.userId)) {
        if (head || signature) {
            const Colleague c = directory_.colleague(r.userId);
            store_->updateProfile(c.id, c.headPicture, c.signature, c.workState);
        }
        // The sender's own status changes only with this echo; everybody else learns it too.
        broadcastStatus(r.userId, r.textKind, r.text, r.automatic);
        return;
    }
    ChangeBudget& b = budgets_[r.userId];
    if (head)
        b.headPicture = r.text;
    else if (signature)
        b.signature = r.text;
    else
        b.status = true;
    b.automatic = r.automatic;
    queueChange(r.userId);
}

void Server::onWorkState(Session& s, const protocol::WorkStateRecord& r) {
    if (takeChange(s.userId())) {
        applyWorkState(s.userId(), r);
        return;
    }
    budgets_[s.userId()].workState = r;
    queueChange(s.userId());
}

void Server::applyWorkState(uint32_t userId, const protocol::WorkStateRecord& r) {
    directory_.setWorkState(userId, r.name);
    const Colleague c = directory_.colleague(userId);
    store_->updateProfile(c.id, c.headPicture, c.signature, c.workState);
    pushRecord(userId, protocol::makeMessage(Cmd::WorkStateSync, r));
}

void Server::onChangeNamePassword(Session& s, const ChangeNamePassword& c) {
    if (c.userId != s.userId() || c.name.empty()) return;
    if (takeChange(c.userId)) {
        applyNamePassword(c);
        return;
    }
    // A password digest waiting is kept when only the name changes after it.
    ChangeBudget& b = budgets_[c.userId];
    ChangeNamePassword next = c;
    if (next.digest.empty() && b.rename) next.digest = b.rename->digest;
    b.rename = std::move(next);
    queueChange(c.userId);
}

void Server::applyNamePassword(const ChangeNamePassword& c) {
    if (!c.digest.empty()) {
        const bool hex = c.digest.size() == 32 &&
                         c.digest.find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos;
        std::string upper = c.digest;
        for (auto& ch : upper)
            ch = char(std::toupper(static_cast<unsigned char>(ch)));
        if (!hex || !store_->setPasswordDigest(c.userId, upper, config_.hashIterations)) return;
    }
    // The client takes the rename of its own record as the confirmation.
    renameColleague(c.userId, c.name);
}

} // namespace vantor::server
