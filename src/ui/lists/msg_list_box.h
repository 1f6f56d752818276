// TMsgListBox: the reminder list of the message-centre panel, drawn as one widget. Each reminder
// (newest at the top) shows "[source] ", its relative date, its text cut to 222 bytes (the whole
// text as hint) and a dotted line; while the pointer is over an item its delete button replaces
// the date. A reminder with a link draws its text as a link that opens only http, https and mailto.
#pragma once

#include "lists/reminder_list.h"

#include <QAbstractScrollArea>
#include <QUrl>

#include <functional>
#include <vector>

namespace vantor::ui {

class SkinLibrary;

class TMsgListBox : public QAbstractScrollArea {
    Q_OBJECT
  public:
    explicit TMsgListBox(QWidget* parent = nullptr);

    // The 663-byte reminder record; false when it does not decode.
    bool AddItem(const std::string& record);
    void Clear();
    size_t RemoveItems(const wire::Guid& itemGuid);
    const lists::ReminderList& items() const { return list_; }

    // The delete button: CmdInfoRead's 47-byte body for the owner to send.
    std::function<void(const std::string& infoRead)> OnDelete;
    // Opens a link with the desktop; only called for links that may open.
    std::function<void(const QUrl& link)> openLink;
    // The current date-time as a day count (tests fix it).
    std::function<double()> now;

    // Geometry in the viewport (without scrolling) of an item, its text and its delete button.
    int itemCount() const { return int(list_.items().size()); }
    QRect itemRect(int row) const;
    QRect textRect(int row) const;
    QRect deleteRect(int row) const;
    int rowAt(const QPoint& pos) const;
    int hoveredRow() const { return hovered_; }
    // What an item shows, as drawn.
    QString timeText(int row) const;
    QString shownText(int row) const;
    QString hintText(int row) const;

  protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    bool viewportEvent(QEvent* e) override;

  private:
    void relayout();
    int textHeight(int row) const;

    lists::ReminderList list_;
    std::vector<int> tops_; // item tops in the content, one more for the end
    int hovered_ = -1;
    bool overLink_ = false;
    const SkinLibrary* skin_;
};

} // namespace vantor::ui
