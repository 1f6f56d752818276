#include "ui/notice/notice_frame.h"

#include "ui/kit/fonts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

namespace vantor::ui {

NoticeFrame::NoticeFrame(const QString& caption, const QString& product, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    setFont(systemLineFont());
    setMinimumSize(kMinWidth, kMinHeight);
    setWindowTitle(product.isEmpty() ? caption : product + QStringLiteral(" - ") + caption);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(237, 239, 241));
    setPalette(pal);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(1, 1, 1, 1);
    root->setSpacing(0);
    titleArea_ = new QWidget(this);
    titleArea_->setObjectName(QStringLiteral("Panel_Title"));
    titleArea_->setFixedHeight(30);
    titleArea_->setAutoFillBackground(true);
    titleArea_->setStyleSheet(QStringLiteral("#Panel_Title { background: #3c78b4; } QLabel { color: white; }"
                                             " QToolButton { color: white; border: none; }"));
    auto* row = new QHBoxLayout(titleArea_);
    row->setContentsMargins(10, 0, 4, 0);
    caption_ = new QLabel(windowTitle(), titleArea_);
    caption_->setObjectName(QStringLiteral("Lb_Caption"));
    row->addWidget(caption_, 1);
    auto* minimise = new QToolButton(titleArea_);
    minimise->setObjectName(QStringLiteral("M_Min"));
    minimise->setText(QStringLiteral("—"));
    auto* maximise = new QToolButton(titleArea_);
    maximise->setObjectName(QStringLiteral("M_Max"));
    maximise->setText(QStringLiteral("□"));
    auto* close = new QToolButton(titleArea_);
    close->setObjectName(QStringLiteral("M_Close"));
    close->setText(QStringLiteral("✕"));
    for (QToolButton* b : {minimise, maximise, close})
        row->addWidget(b);
    connect(minimise, &QToolButton::clicked, this, &QWidget::showMinimized);
    connect(maximise, &QToolButton::clicked, this, &NoticeFrame::toggleMaximised);
    connect(close, &QToolButton::clicked, this, &QWidget::close);
    titleArea_->installEventFilter(this);
    caption_->installEventFilter(this);
    root->addWidget(titleArea_);
    body_ = new QVBoxLayout;
    body_->setContentsMargins(8, 8, 8, 8);
    body_->setSpacing(6);
    root->addLayout(body_, 1);
}

void NoticeFrame::toggleMaximised() {
    if (isMaximized()) {
        showNormal();
        if (normalGeometry_.isValid()) setGeometry(normalGeometry_);
        return;
    }
    normalGeometry_ = geometry();
    // The work area: a borderless window does not get it from the window manager.
    if (QScreen* s = screen()) setGeometry(s->availableGeometry());
    showMaximized();
}

bool NoticeFrame::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == titleArea_ || watched == caption_) &&
        titleDrag_.handle(*this, event, [this] { toggleMaximised(); }))
        return true;
    return QWidget::eventFilter(watched, event);
}

} // namespace vantor::ui
