#include "ui/chat/transfer_list.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace vantor::ui {

namespace {

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

void fill(QWidget* panel, const client::TransferItem& i) {
    auto* name = panel->findChild<QLabel*>(QStringLiteral("Lb_FileName"));
    auto* amounts = panel->findChild<QLabel*>(QStringLiteral("Lb_FileSize"));
    auto* bar = panel->findChild<QProgressBar*>(QStringLiteral("ProgressBar"));
    auto* speed = panel->findChild<QLabel*>(QStringLiteral("Lb_Speed"));
    auto* remaining = panel->findChild<QLabel*>(QStringLiteral("Lb_Remaining"));
    auto* state = panel->findChild<QLabel*>(QStringLiteral("Lb_State"));
    const QString elided = name->fontMetrics().elidedText(i.name, Qt::ElideMiddle, 170);
    name->setText(elided);
    name->setToolTip(i.name);
    amounts->setText(i.amounts);
    bar->setValue(i.percent);
    speed->setText(i.speed);
    remaining->setText(i.remaining);
    state->setText(i.group ? QStringLiteral("群发文件") : i.state);
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
        panel->setFixedHeight(kPanelHeight);
        panel->setAttribute(Qt::WA_StyledBackground, true);
        panel->setStyleSheet(
            QStringLiteral("#TsTFilePanel { background: #f4f8fc; border: 1px solid #c8d8e8; }"));
        auto* rows = new QVBoxLayout(panel);
        rows->setContentsMargins(6, 3, 6, 3);
        rows->setSpacing(1);
        auto* top = new QHBoxLayout;
        auto* name = new QLabel(panel);
        name->setObjectName(QStringLiteral("Lb_FileName"));
        QFont bold = name->font();
        bold.setBold(true);
        name->setFont(bold);
        auto* amounts = new QLabel(panel);
        amounts->setObjectName(QStringLiteral("Lb_FileSize"));
        top->addWidget(name, 1);
        top->addWidget(amounts);
        rows->addLayout(top);
        auto* bar = new QProgressBar(panel);
        bar->setObjectName(QStringLiteral("ProgressBar"));
        bar->setRange(0, 100);
        bar->setFixedHeight(12);
        bar->setTextVisible(false);
        rows->addWidget(bar);
        auto* figures = new QHBoxLayout;
        auto* state = new QLabel(panel);
        state->setObjectName(QStringLiteral("Lb_State"));
        state->setStyleSheet(QStringLiteral("color: #555"));
        auto* speed = new QLabel(panel);
        speed->setObjectName(QStringLiteral("Lb_Speed"));
        auto* remaining = new QLabel(panel);
        remaining->setObjectName(QStringLiteral("Lb_Remaining"));
        figures->setSpacing(10);
        figures->addWidget(state, 1);
        figures->addWidget(speed);
        figures->addWidget(remaining);
        rows->addLayout(figures);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch(1);
        for (const client::TransferButton& b : i.buttons) {
            auto* button = new QPushButton(b.text, panel);
            button->setObjectName(buttonName(b.command));
            button->setToolTip(b.hint);
            button->setFlat(true);
            button->setCursor(Qt::PointingHandCursor);
            button->setStyleSheet(
                QStringLiteral("color: #1a5fb4; text-decoration: underline; padding: 0 2px"));
            const std::string id = i.transmitId, command = b.command;
            connect(button, &QPushButton::clicked, this, [this, id, command] {
                if (onCommand) onCommand(id, command);
            });
            buttons->addWidget(button);
        }
        rows->addLayout(buttons);
        fill(panel, i);
        column_->insertWidget(column_->count() - 1, panel);
        panels_.push_back(panel);
    }
}

} // namespace vantor::ui
