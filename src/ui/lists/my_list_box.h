// TMyListBox: the notice list of the internal-notice window, drawn as one widget. Items are 47
// pixels high, newest at the top: the title (14 bytes + "…"), the right text, the second line
// (29 bytes + "…", 27 when the item is at most 189 wide), the unread mark, and on the selected
// deletable item its delete icon.
#pragma once

#include "lists/notice_list.h"

#include <QAbstractScrollArea>

#include <functional>

namespace vantor::ui {

class SkinLibrary;

class TMyListBox : public QAbstractScrollArea {
    Q_OBJECT
  public:
    static constexpr int kItemHeight = 47;

    explicit TMyListBox(QWidget* parent = nullptr);

    // Texts are GBK.
    void AddNotice(const std::string& title, const std::string& rightText, int value, bool read,
                   bool deletable, const wire::Guid& id, const std::string& secondLine);
    void Clear();
    void MarkRead(int row);
    // Selects a row as a click would, without reporting it (−1: none).
    void select(int row);
    // Takes a row out (the owner does after its delete went through).
    void removeRow(int row);
    const lists::NoticeList& notices() const { return list_; }

    std::function<void(int row, const wire::Guid& id, int value)> OnItemClick;
    std::function<void(int row, const wire::Guid& id, int value)> OnItemDblClick;
    std::function<void(int row, const wire::Guid& id, int value)> OnItemDelete;

    QRect itemRect(int row) const;
    QRect deleteRect(int row) const;
    QRect rightTextRect(int row) const;
    int rowAt(const QPoint& pos) const;
    int hoveredRow() const { return hovered_; }
    QString shownTitle(int row) const;
    QString shownSecondLine(int row) const;

  protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;

  private:
    void updateScrollBars();
    void report(const std::function<void(int, const wire::Guid&, int)>& callback, int row) const;

    lists::NoticeList list_;
    int hovered_ = -1;
    bool overDelete_ = false;
    const SkinLibrary* skin_;
};

} // namespace vantor::ui
