#include "shell/pending_alerts.h"

#include <algorithm>

namespace vantor::shell {

PendingAlerts::PendingAlerts(IShellView& view, TrayFlasher& flasher, platform::SoundPlayer& sound,
                             Hooks hooks)
    : view_(view), flasher_(flasher), sound_(sound), hooks_(std::move(hooks)) {}

bool PendingAlerts::isPending(int id) const {
    return std::any_of(pending_.begin(), pending_.end(),
                       [id](const client::ConversationAlert& a) { return a.conversationId == id; });
}

void PendingAlerts::alertConversation(const client::ConversationAlert& alert) {
    if (isPending(alert.conversationId)) return;
    pending_.push_back(alert);
    if (!flasher_.flashing()) flasher_.start(hooks_.flashPicture ? hooks_.flashPicture(alert) : QString());
    if (hooks_.messageSound) {
        const QString file = hooks_.messageSound();
        if (!file.isEmpty()) sound_.play(file);
    }
    view_.showPendingCount(int(pending_.size()));
    view_.markInLists(alert, true);
    view_.requestAttention();
}

void PendingAlerts::messageArrived(const client::ConversationAlert& alert, const std::string& sender,
                                   const std::string& text) {
    if (hooks_.messageArrived) hooks_.messageArrived(alert, sender, text);
}

void PendingAlerts::conversationInFront(int id) {
    if (hooks_.opened) hooks_.opened(id);
}

void PendingAlerts::open(int id) {
    if (!OpenPendingConversation(id) && windows_) windows_->showConversation(id);
}

bool PendingAlerts::remove(int id) {
    auto it = std::find_if(pending_.begin(), pending_.end(),
                           [id](const client::ConversationAlert& a) { return a.conversationId == id; });
    if (it == pending_.end()) return false;
    const client::ConversationAlert alert = *it;
    const bool wasOldest = it == pending_.begin();
    pending_.erase(it);
    view_.markInLists(alert, false);
    // The tray shows the picture of the oldest conversation still waiting.
    if (wasOldest && !pending_.empty())
        flasher_.start(hooks_.flashPicture ? hooks_.flashPicture(pending_.front()) : QString());
    return true;
}

void PendingAlerts::afterRemoval() {
    StopAlertIfIdle();
    if (!pending_.empty()) view_.showPendingCount(int(pending_.size()));
}

bool PendingAlerts::OpenPendingConversation(int id) {
    if (hooks_.opened) hooks_.opened(id);
    if (!remove(id)) return false;
    afterRemoval();
    if (windows_) windows_->showConversation(id);
    return true;
}

bool PendingAlerts::OpenOldest() {
    if (pending_.empty()) return false;
    return OpenPendingConversation(pending_.front().conversationId);
}

void PendingAlerts::forget(int id) {
    if (remove(id)) afterRemoval();
}

void PendingAlerts::forgetConversationWith(uint32_t userId) {
    for (const auto& a : std::deque<client::ConversationAlert>(pending_))
        if (a.groupId.isNull() && a.senderId == userId) forget(a.conversationId);
}

void PendingAlerts::conversationClosed(int id) {
    if (hooks_.opened) hooks_.opened(id);
    forget(id);
}

void PendingAlerts::StopAlertIfIdle() {
    if (!pending_.empty()) return;
    flasher_.stop();
    view_.showPendingCount(0);
}

void PendingAlerts::clear() {
    for (const auto& a : pending_)
        view_.markInLists(a, false);
    pending_.clear();
    StopAlertIfIdle();
}

} // namespace vantor::shell
