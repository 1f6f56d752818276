// The history window's own frame: the title area (drag to move, double-click to maximise), the
// resize borders, and the bars built around the view.
#include "ui/history/history_form.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QWindow>

namespace vantor::ui {

QWidget* THistoryForm::buildTitleArea() {
    titleArea_ = new QWidget(this);
    titleArea_->setObjectName(QStringLiteral("Panel_Title"));
    titleArea_->setFixedHeight(28);
    titleArea_->setAutoFillBackground(true);
    titleArea_->setStyleSheet(QStringLiteral("#Panel_Title { background: #3c78b4; } QLabel { color: white; }"
                                             " QToolButton { color: white; border: none; }"));
    auto* row = new QHBoxLayout(titleArea_);
    row->setContentsMargins(8, 0, 4, 0);
    caption_ = new QLabel(QStringLiteral("对话记录"), titleArea_);
    caption_->setObjectName(QStringLiteral("Lb_Caption"));
    row->addWidget(caption_, 1);
    auto* minimise = new QToolButton(titleArea_);
    minimise->setText(QStringLiteral("—"));
    auto* maximise = new QToolButton(titleArea_);
    maximise->setObjectName(QStringLiteral("Btn_Max"));
    maximise->setText(QStringLiteral("□"));
    auto* close = new QToolButton(titleArea_);
    close->setText(QStringLiteral("✕"));
    for (QToolButton* b : {minimise, maximise, close})
        row->addWidget(b);
    connect(minimise, &QToolButton::clicked, this, &QWidget::showMinimized);
    connect(maximise, &QToolButton::clicked, this, &THistoryForm::toggleMaximised);
    connect(close, &QToolButton::clicked, this, &QWidget::close);
    titleArea_->installEventFilter(this);
    caption_->installEventFilter(this);
    return titleArea_;
}

QWidget* THistoryForm::buildSearchBar() {
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    searchBox_ = new QLineEdit(bar);
    searchBox_->setObjectName(QStringLiteral("Edit_Search"));
    searchBox_->setPlaceholderText(QStringLiteral("查找聊天内容"));
    searchAll_ = new QCheckBox(QStringLiteral("所有对话"), bar);
    auto* go = new QPushButton(QStringLiteral("查找"), bar);
    exportButton_ = new QPushButton(QStringLiteral("导出..."), bar);
    exportButton_->setObjectName(QStringLiteral("Btn_Export"));
    row->addWidget(searchBox_, 1);
    row->addWidget(searchAll_);
    row->addWidget(go);
    row->addWidget(exportButton_);
    auto run = [this] {
        if (!searchBox_->text().isEmpty()) startSearch(searchBox_->text(), searchAll_->isChecked());
    };
    connect(go, &QPushButton::clicked, this, run);
    connect(searchBox_, &QLineEdit::returnPressed, this, run);
    connect(exportButton_, &QPushButton::clicked, this, [this] {
        ctx_.services->exportFileName(
            this, selection_.name + QStringLiteral(".html"), [this](const QString& path) {
                if (!exportTo(path))
                    ctx_.services->error(this, QStringLiteral("错误"), QStringLiteral("未能导出对话记录！"));
            });
    });
    return bar;
}

QWidget* THistoryForm::buildPageBar() {
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    auto button = [&](const char* text, const char* name, const QString& hint) {
        auto* b = new QPushButton(QString::fromUtf8(text), bar);
        b->setObjectName(QLatin1String(name));
        b->setFixedWidth(36);
        b->setToolTip(hint);
        return b;
    };
    firstButton_ = button("<<", "Btn_First", QStringLiteral("第一页"));
    previousButton_ = button("<", "Btn_Prior", QStringLiteral("上一页"));
    nextButton_ = button(">", "Btn_Next", QStringLiteral("下一页"));
    lastButton_ = button(">>", "Btn_Last", QStringLiteral("最后一页"));
    pageBox_ = new QLineEdit(bar);
    pageBox_->setObjectName(QStringLiteral("Edit_Page"));
    pageBox_->setToolTip(QStringLiteral("页码（按回车键跳转）"));
    pageBox_->setFixedWidth(48);
    pageBox_->setValidator(new QIntValidator(1, 99999999, pageBox_));
    pageLabel_ = new QLabel(bar);
    pageLabel_->setObjectName(QStringLiteral("Lb_Pages"));
    row->addStretch(1);
    row->addWidget(firstButton_);
    row->addWidget(previousButton_);
    row->addWidget(pageBox_);
    row->addWidget(pageLabel_);
    row->addWidget(nextButton_);
    row->addWidget(lastButton_);
    connect(firstButton_, &QPushButton::clicked, this, &THistoryForm::firstPage);
    connect(previousButton_, &QPushButton::clicked, this, &THistoryForm::previousPage);
    connect(nextButton_, &QPushButton::clicked, this, &THistoryForm::nextPage);
    connect(lastButton_, &QPushButton::clicked, this, &THistoryForm::lastPage);
    connect(pageBox_, &QLineEdit::returnPressed, this, &THistoryForm::typedPage);
    return bar;
}

void THistoryForm::toggleMaximised() {
    if (isMaximized()) {
        showNormal();
        return;
    }
    if (QScreen* s = screen()) {
        // The work area, as a borderless window does not get it from the window manager.
        setProperty("normalGeometry", geometry());
        setGeometry(s->availableGeometry());
    }
    showMaximized();
}

bool THistoryForm::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == titleArea_ || watched == caption_) &&
        titleDrag_.handle(*this, event, [this] { toggleMaximised(); }))
        return true;
    return QWidget::eventFilter(watched, event);
}

void THistoryForm::mousePressEvent(QMouseEvent* event) {
    const Qt::Edges edges = historyview::resizeEdgesAt(event->position().toPoint(), size());
    if (event->button() != Qt::LeftButton || !edges || isMaximized()) return QWidget::mousePressEvent(event);
    if (windowHandle() && windowHandle()->startSystemResize(edges)) return;
    resizing_ = edges;
    resizeStart_ = geometry();
    resizeOrigin_ = event->globalPosition().toPoint();
}

void THistoryForm::mouseMoveEvent(QMouseEvent* event) {
    if (!resizing_) {
        const Qt::Edges edges = historyview::resizeEdgesAt(event->position().toPoint(), size());
        const bool diagonal =
            (edges & (Qt::LeftEdge | Qt::RightEdge)) && (edges & (Qt::TopEdge | Qt::BottomEdge));
        setCursor(diagonal                                 ? Qt::SizeFDiagCursor
                  : edges & (Qt::LeftEdge | Qt::RightEdge) ? Qt::SizeHorCursor
                  : edges                                  ? Qt::SizeVerCursor
                                                           : Qt::ArrowCursor);
        return QWidget::mouseMoveEvent(event);
    }
    const QPoint d = event->globalPosition().toPoint() - resizeOrigin_;
    QRect g = resizeStart_;
    if (resizing_ & Qt::LeftEdge) g.setLeft(std::min(g.left() + d.x(), g.right() - minimumWidth()));
    if (resizing_ & Qt::RightEdge) g.setRight(std::max(g.right() + d.x(), g.left() + minimumWidth()));
    if (resizing_ & Qt::TopEdge) g.setTop(std::min(g.top() + d.y(), g.bottom() - minimumHeight()));
    if (resizing_ & Qt::BottomEdge) g.setBottom(std::max(g.bottom() + d.y(), g.top() + minimumHeight()));
    setGeometry(g);
}

void THistoryForm::mouseReleaseEvent(QMouseEvent* event) {
    resizing_ = {};
    QWidget::mouseReleaseEvent(event);
}

void THistoryForm::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    QPainter p(this);
    p.fillRect(rect(), QColor(0xe8, 0xf0, 0xf8));
    p.setPen(QColor(0x3c, 0x78, 0xb4));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace vantor::ui
