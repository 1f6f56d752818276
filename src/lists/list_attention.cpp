#include "lists/list_attention.h"

namespace vantor::lists {

ListAttention::ListAttention(QObject* parent) : QObject(parent) {
    timer_.setInterval(kIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &ListAttention::tick);
}

void ListAttention::updateTimer() {
    const bool wanted = !blinking_.isEmpty() || !flashes_.isEmpty();
    if (wanted && !timer_.isActive())
        timer_.start();
    else if (!wanted)
        timer_.stop();
}

void ListAttention::setBlinking(const QString& key, bool on) {
    const bool changedState = on ? !blinking_.contains(key) : blinking_.remove(key);
    if (on) blinking_.insert(key);
    if (on && blinking_.size() == 1) blinkPhase_ = true; // the icon shows at once
    updateTimer();
    if (changedState) emit changed();
}

void ListAttention::stopAllBlinking() {
    if (blinking_.isEmpty()) return;
    blinking_.clear();
    updateTimer();
    emit changed();
}

void ListAttention::flash(const QString& key) {
    flashes_.insert(key, 0);
    updateTimer();
}

void ListAttention::tick() {
    if (blinking_.isEmpty() && flashes_.isEmpty()) {
        updateTimer();
        return;
    }
    blinkPhase_ = !blinkPhase_;
    for (auto it = flashes_.begin(); it != flashes_.end();) {
        if (++it.value() >= kFlashChanges)
            it = flashes_.erase(it); // back to black and grey
        else
            ++it;
    }
    updateTimer();
    emit changed();
}

} // namespace vantor::lists
