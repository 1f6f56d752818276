#include "client/chat_bridge.h"

#include "client/client_core.h"
#include "protocol/datetime.h"
#include "settings/user_settings.h"

namespace vantor::client {

using conversation::Conversation;

// ---- transport ----

void ChatBridge::sendToPeer(uint32_t contactId, const protocol::Message& message, bool relayed) {
    if (!core_.messenger().ConnectionOpen()) return;
    core_.peers().ensureChatChannel(contactId).SendData(message.bytes(), relayed);
}

std::optional<std::string> ChatBridge::queuePending(const protocol::ChatMessage& message) {
    return core_.peers().queueChat(message);
}

void ChatBridge::sendToServer(const protocol::Message& message) {
    core_.sendToServer(message);
}

// ---- directory ----

std::optional<conversation::ChatContact> ChatBridge::findUser(uint32_t userId) {
    const directory::User* u = core_.directory().directory().findUser(userId);
    if (!u) return std::nullopt;
    conversation::ChatContact c;
    c.id = u->id();
    c.displayName = u->record.name;
    c.status = u->record.status;
    c.outsideTree = u->record.notInTree;
    c.noTypingNotice = u->record.noTypingNotice;
    return c;
}

void ChatBridge::holdMessage(const protocol::ChatMessage& message) {
    core_.directory().directory().HoldMessage(message);
}

conversation::GroupMembership ChatBridge::groupMembership(const protocol::Guid& group, uint32_t userId) {
    const protocol::Group* g = core_.directory().directory().findGroup(group);
    if (!g) return conversation::GroupMembership::UnknownGroup;
    for (uint32_t id : g->members)
        if (id != 0 && id == userId) return conversation::GroupMembership::Member;
    return conversation::GroupMembership::NotMember;
}

void ChatBridge::holdGroupMessage(const protocol::ChatMessage& message) {
    core_.directory().directory().HoldGroupMessage(message);
}

void ChatBridge::queryUser(uint32_t userId) {
    core_.directory().directory().QueryUser(userId);
}

void ChatBridge::touchRecent(uint32_t userId) {
    core_.directory().recent().TouchRecent(userId);
}

// ---- store, settings, clock ----

ChatBridge::~ChatBridge() {
    // The chat core has gone by now (ClientCore stops the writer first): nothing waits any more.
    writer_.reset();
    waiting_.clear();
}

void ChatBridge::store(const std::string& record, conversation::StoreDone done) {
    const auto location = core_.historyLocation();
    if (!location) {
        if (done) done(std::string("not signed in"));
        return;
    }
    if (writer_ && (writer_->location().historyFolder != location->historyFolder ||
                    writer_->location().accountId != location->accountId))
        stopWriter();
    if (!writer_)
        writer_ = std::make_unique<history::StoreWriter>(
            *location, [this](std::vector<history::StoreWriter::Result> r) { written(std::move(r)); });
    const uint64_t ticket = writer_->submit(record);
    if (done) waiting_.emplace(ticket, std::move(done));
}

void ChatBridge::written(std::vector<history::StoreWriter::Result> results) {
    bool wake;
    {
        std::lock_guard lock(writtenMutex_);
        wake = written_.empty();
        if (written_.empty())
            written_ = std::move(results);
        else
            written_.insert(written_.end(), results.begin(), results.end());
    }
    if (wake)
        QMetaObject::invokeMethod(
            &uiThread_, [this] { takeWritten(); }, Qt::QueuedConnection);
}

void ChatBridge::takeWritten() {
    std::vector<history::StoreWriter::Result> results;
    {
        std::lock_guard lock(writtenMutex_);
        results.swap(written_);
    }
    for (const auto& r : results) {
        const auto it = waiting_.find(r.ticket);
        if (it == waiting_.end()) continue;
        conversation::StoreDone done = std::move(it->second);
        waiting_.erase(it);
        if (r.status.ok())
            done(std::nullopt);
        else
            done(r.status.reason.empty() ? std::string("store error") : r.status.reason);
    }
}

void ChatBridge::finishWrites() {
    if (!writer_) return;
    writer_->drain();
    takeWritten();
}

void ChatBridge::stopWriter() {
    finishWrites();
    writer_.reset();
    waiting_.clear();
}

conversation::ChatOptions ChatBridge::read() {
    // Read at each use: the settings dialog and sibling programs write the file meanwhile.
    const session::TMessengerX& m = core_.messenger();
    settings::UserSettings u = m.UserConfig;
    if (m.OwnUser)
        u = settings::loadUserSettings(m.environment().layout.userFile(m.OwnUser->userId),
                                       m.environment().layout);
    return conversation::ChatOptions{u.ShowMsgHint, u.NotShowContent, u.ShowMsgRemind};
}

uint32_t ChatBridge::tickCount() {
    // The resend queue measures ages on the same count.
    return core_.peers().tickCount();
}

double ChatBridge::now() {
    return protocol::nowDayCount();
}

// ---- the windows ----

void ChatBridge::showMessage(Conversation& c, uint32_t senderId, const std::string& header, bool own,
                             const std::string& plain, const conversation::ChatFont& font) {
    if (view_) view_->showMessage(c, senderId, header, own, plain, font);
}
void ChatBridge::systemLine(Conversation& c, const std::string& line) {
    if (view_) view_->systemLine(c, line);
}
void ChatBridge::alertBar(Conversation& c, const std::string& text) {
    if (view_) view_->alertBar(c, text);
}
void ChatBridge::clearInput(Conversation& c) {
    if (view_) view_->clearInput(c);
}
void ChatBridge::flash(Conversation& c) {
    if (view_) view_->flash(c);
}
void ChatBridge::bringToFront(Conversation& c) {
    if (view_) view_->bringToFront(c);
}
void ChatBridge::shake(Conversation& c) {
    if (view_) view_->shake(c);
}
void ChatBridge::alertConversation(Conversation& c) {
    if (view_) view_->alertConversation(c);
}
void ChatBridge::setTypingTexts(Conversation& c, const std::string& nameLabel, const std::string& caption) {
    if (view_) view_->setTypingTexts(c, nameLabel, caption);
}
void ChatBridge::startTypingTimer(Conversation& c) {
    if (view_) view_->startTypingTimer(c);
}
void ChatBridge::stopTypingTimer(Conversation& c) {
    if (view_) view_->stopTypingTimer(c);
}
void ChatBridge::queueTip(const std::string& text) {
    if (view_) view_->queueTip(text);
}
void ChatBridge::showReminder(const protocol::Shake& record) {
    if (view_) view_->showReminder(record);
}
void ChatBridge::serviceFirstMessage(Conversation& c) {
    core_.serviceDesk().firstMessage(c); // the session is announced to the staff member
    if (view_) view_->serviceFirstMessage(c);
}
void ChatBridge::storeFailed(Conversation& c, const std::string& reason) {
    if (view_) view_->storeFailed(c, reason);
}
void ChatBridge::closeAll() {
    if (view_) view_->closeAll();
}

} // namespace vantor::client
