// TfrmRemind: the reminder toast in the lower right corner of the work area — a colleague's head
// picture and name, what the reminder is about, and "打开对话". It slides in upwards over 300 ms
// and out over 200 ms; one reminder is shown at a time (a new one replaces the text).
#pragma once

#include "protocol/chat.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QLabel;
class QPropertyAnimation;

namespace vantor::ui {

class TfrmRemind : public QWidget {
    Q_OBJECT
  public:
    explicit TfrmRemind(QWidget* parent = nullptr);

    // Shows a reminder: `nameGbk` the sender's name, `picture` its head picture (a file; empty:
    // the default), the text of the reminder's kind (kinds without one keep the text shown).
    void showReminder(const protocol::Shake& record, const std::string& nameGbk, const QString& picture,
                      const QRect& workArea);
    // Slides out and closes.
    void slideOut();
    uint32_t senderId() const { return record_.senderId; }
    const protocol::Shake& record() const { return record_; }
    QLabel* nameLabel() const { return name_; }
    QLabel* textLabel() const { return text_; }

    // "打开对话" or a click on the toast: open the conversation of the key.
    std::function<void(const protocol::Shake&)> onOpen;

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    protocol::Shake record_;
    QLabel* face_;
    QLabel* name_;
    QLabel* text_;
    QLabel* open_;
    QPointer<QPropertyAnimation> slide_;
    bool closing_ = false;
};

} // namespace vantor::ui
