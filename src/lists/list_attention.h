// The two attention effects of the contact lists, on one 500 ms timer that runs only while there
// is something to show: the new-message icon that blinks until stopped, and the name flash of a
// newly shown contact that ends after 15 changes. Items are named by their key (a user id or a
// group identifier as text).
#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

namespace vantor::lists {

class ListAttention : public QObject {
    Q_OBJECT
  public:
    static constexpr int kIntervalMs = 500;
    static constexpr int kFlashChanges = 15;

    explicit ListAttention(QObject* parent = nullptr);

    void setBlinking(const QString& key, bool on);
    bool blinking(const QString& key) const { return blinking_.contains(key); }
    // Whether the new-message icon of a blinking item is drawn in the current phase.
    bool iconShown(const QString& key) const { return blinkPhase_ && blinking_.contains(key); }
    void stopAllBlinking();

    // Starts (or restarts) the name flash of an item.
    void flash(const QString& key);
    bool flashing(const QString& key) const { return flashes_.contains(key); }
    // The name is red (and the second line orange) in this phase of the flash.
    bool flashLit(const QString& key) const { return flashes_.value(key, 0) % 2 == 1; }

    bool timerActive() const { return timer_.isActive(); }
    // One step of the timer; the timer calls it, tests call it in place of waiting.
    void tick();

  signals:
    // Something drawn changed: repaint.
    void changed();

  private:
    void updateTimer();

    QTimer timer_;
    QSet<QString> blinking_;
    bool blinkPhase_ = true;
    QHash<QString, int> flashes_; // key → changes so far
};

} // namespace vantor::lists
