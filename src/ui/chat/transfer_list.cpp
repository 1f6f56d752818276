#include "ui/chat/transfer_list.h"

#include "protocol/text.h"
#include "transfer/file_panel_texts.h"
#include "ui/kit/icons.h"

#include <QEnterEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace vantor::ui {

namespace {

// The panel as drawn: 188 x 84 on a light grey ground.
constexpr int kPanelWidth = 188;
constexpr int kFrameWidth = 170;
const QColor kGround(248, 248, 248);
const QColor kGrey(107, 107, 107);
const QColor kFrameBorder(159, 159, 159);
const QColor kLink(0, 0, 255);
const QColor kLinkHover(255, 0, 0);

bool sameShape(const client::TransferItem& a, const client::TransferItem& b) {
    if (a.transmitId != b.transmitId || a.buttons.size() != b.buttons.size()) return false;
    for (size_t i = 0; i < a.buttons.size(); ++i)
        if (a.buttons[i].command != b.buttons[i].command) return false;
    return true;
}

QString buttonName(const std::string& command) {
    // "CMD_TFAccept" -> "btn_TFAccept"
    return QStringLiteral("btn_") + QString::fromLatin1(command.c_str()).mid(4);
}

QString fromGbk(const std::string& s) {
    return QString::fromStdString(protocol::fromGbk(s));
}

// An action link: blue text, red while the pointer is over it; pressing moves it one pixel right
// and down, releasing moves it back and, with the pointer still over it, runs the action.
class LinkButton : public QPushButton {
  public:
    LinkButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
        setFlat(true);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::NoFocus);
        colour(kLink);
    }

  protected:
    void enterEvent(QEnterEvent* e) override {
        colour(kLinkHover);
        QPushButton::enterEvent(e);
    }
    void leaveEvent(QEvent* e) override {
        colour(kLink);
        QPushButton::leaveEvent(e);
    }
    void mousePressEvent(QMouseEvent* e) override {
        move(pos() + QPoint(1, 1));
        QPushButton::mousePressEvent(e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        move(pos() - QPoint(1, 1));
        QPushButton::mouseReleaseEvent(e);
    }

  private:
    void colour(const QColor& c) {
        setStyleSheet(
            QStringLiteral("QPushButton { color: %1; border: none; padding: 0; background: transparent; }")
                .arg(c.name()));
    }
};

QLabel* label(QWidget* panel, const char* name, const QRect& r, Qt::Alignment align = Qt::AlignLeft) {
    auto* l = new QLabel(panel);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(r);
    l->setAlignment(align | Qt::AlignVCenter);
    return l;
}

void fill(QWidget* panel, const client::TransferItem& i) {
    auto* title = panel->findChild<QLabel*>(QStringLiteral("Lb_Title"));
    auto* name = panel->findChild<QLabel*>(QStringLiteral("Lb_FileName"));
    auto* size = panel->findChild<QLabel*>(QStringLiteral("Lb_FileSize"));
    auto* bar = panel->findChild<QWidget*>(QStringLiteral("Image_Progress"));
    auto* speed = panel->findChild<QLabel*>(QStringLiteral("Lb_Speed"));
    auto* remaining = panel->findChild<QLabel*>(QStringLiteral("Lb_Remaining"));
    auto* state = panel->findChild<QLabel*>(QStringLiteral("Lb_State"));
    title->setText(i.sending ? QStringLiteral("发送文件") : QStringLiteral("接收文件"));
    // Cut to 18 bytes of the system's code page, never inside a character; the hint has it whole.
    name->setText(fromGbk(transfer::panelNameText(protocol::toGbk(i.name.toStdString()))));
    name->setToolTip(i.name);
    const bool moving = i.started || i.offline;
    size->setText(moving ? i.amounts : QString::fromStdString(transfer::panelSizeText(i.size)));
    size->setToolTip(i.amounts);
    // The bar follows the progress inside the frame's border.
    bar->setFixedWidth(std::clamp(i.percent, 0, 100) * (kFrameWidth - 2) / 100);
    bar->setVisible(i.percent > 0);
    speed->setText(i.speed.isEmpty() ? QStringLiteral("0K/S") : i.speed);
    remaining->setText(i.remaining);
    state->setText(i.group ? QStringLiteral("群发文件") : i.state);
    title->setToolTip(state->text());
}

} // namespace

TransferList::TransferList(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Panel_Transfers"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* inner = new QWidget(scroll);
    column_ = new QVBoxLayout(inner);
    column_->setContentsMargins(2, 2, 2, 2);
    column_->setSpacing(4);
    column_->addStretch(1);
    scroll->setWidget(inner);
    outer->addWidget(scroll);
}

QWidget* TransferList::panelOf(const std::string& id) const {
    for (size_t k = 0; k < items_.size(); ++k)
        if (items_[k].transmitId == id) return panels_[k];
    return nullptr;
}

void TransferList::setItems(const std::vector<client::TransferItem>& items) {
    bool same = items.size() == items_.size();
    for (size_t k = 0; same && k < items.size(); ++k)
        same = sameShape(items[k], items_[k]);
    items_ = items;
    if (same) {
        for (size_t k = 0; k < items.size(); ++k)
            fill(panels_[k], items[k]);
        return;
    }
    // A button of a panel may be the one being pressed: the panels go once its handler returned.
    for (QWidget* p : panels_) {
        p->hide();
        column_->removeWidget(p);
        p->deleteLater();
    }
    panels_.clear();
    for (const client::TransferItem& i : items) {
        auto* panel = new QWidget(column_->parentWidget());
        panel->setObjectName(QStringLiteral("TsTFilePanel"));
        panel->setFixedSize(kPanelWidth, kPanelHeight);
        panel->setAutoFillBackground(true);
        QPalette ground = panel->palette();
        ground.setColor(QPalette::Window, kGround);
        panel->setPalette(ground);
        auto* icon = label(panel, "Image_Icon", QRect(5, 5, 32, 32));
        icon->setPixmap(fileTypePixmap(i.name, 32));
        label(panel, "Lb_Title", QRect(43, 7, 70, 14));
        auto* remaining = label(panel, "Lb_Remaining", QRect(170 - 60, 7, 60, 14), Qt::AlignRight);
        remaining->setStyleSheet(QStringLiteral("color: %1").arg(kGrey.name()));
        label(panel, "Lb_FileName", QRect(43, 25, 140, 14));
        auto* frame = new QFrame(panel);
        frame->setObjectName(QStringLiteral("Shape_Progress"));
        frame->setGeometry(6, 40, kFrameWidth, 11);
        frame->setStyleSheet(QStringLiteral("#Shape_Progress { border: 1px solid %1; background: white; }")
                                 .arg(kFrameBorder.name()));
        auto* bar = new QWidget(frame);
        bar->setObjectName(QStringLiteral("Image_Progress"));
        bar->setGeometry(1, 1, 0, 9);
        bar->setAttribute(Qt::WA_StyledBackground, true);
        bar->setStyleSheet(QStringLiteral(
            "#Image_Progress { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #9fd3ff, "
            "stop:0.5 #3d8fe0, stop:1 #2a6fc0); }"));
        label(panel, "Lb_Speed", QRect(7, 52, 80, 14));
        // Right-aligned at 175 like the size alone, wide enough for "done/total" while it moves.
        label(panel, "Lb_FileSize", QRect(85, 52, 90, 14), Qt::AlignRight);
        label(panel, "Lb_State", QRect(0, 0, 0, 0))->hide(); // the state is the title's hint
        // The links stand at 67, 103 and 152; a sender has no second one.
        static constexpr int kLeft[] = {67, 103, 152};
        const size_t n = i.buttons.size();
        for (size_t k = 0; k < n; ++k) {
            const client::TransferButton& b = i.buttons[k];
            auto* button = new LinkButton(b.text, panel);
            button->setObjectName(buttonName(b.command));
            button->setToolTip(b.hint);
            const int slot = n == 3 ? int(k) : n == 2 ? (k == 0 ? 0 : 2) : 2;
            button->move(kLeft[slot], 68);
            button->adjustSize();
            const std::string id = i.transmitId, command = b.command;
            connect(button, &QPushButton::clicked, this, [this, id, command] {
                if (onCommand) onCommand(id, command);
            });
        }
        fill(panel, i);
        column_->insertWidget(column_->count() - 1, panel);
        panels_.push_back(panel);
    }
}

} // namespace vantor::ui
