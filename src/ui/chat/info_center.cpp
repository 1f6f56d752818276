#include "ui/chat/info_center.h"

#include "ui/chat/file_list_box.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace vantor::ui {

namespace {

constexpr int kFadeStepMs = 10;
constexpr int kFadeStep = 10;
constexpr int kFadeTop = 180; // reached: the panel settles at kOpaque
constexpr int kOpaque = 190;

QPushButton* titleButton(QWidget* parent, const char* name, const QString& text, const QString& hint) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(hint);
    b->setFlat(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setCursor(Qt::PointingHandCursor);
    b->setStyleSheet(QStringLiteral("QPushButton { color: white; border: none; padding: 0 4px; }"
                                    "QPushButton:hover { color: rgb(255,188,90); }"));
    return b;
}

QWidget* sectionTitle(QWidget* parent, QLabel*& label, const QString& text) {
    auto* bar = new QWidget(parent);
    bar->setFixedHeight(TfrmInfoCenter::kSectionTitleHeight);
    bar->setAutoFillBackground(true);
    QPalette p = bar->palette();
    p.setColor(QPalette::Window, QColor(30, 58, 90));
    bar->setPalette(p);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(8, 0, 4, 0);
    label = new QLabel(text, bar);
    label->setStyleSheet(QStringLiteral("color: white;"));
    row->addWidget(label, 1);
    return bar;
}

} // namespace

TfrmInfoCenter::TfrmInfoCenter(transfer::OfflineFiles& files, std::function<double()> now, QWidget* parent)
    : QWidget(parent,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus),
      files_(files) {
    setObjectName(QStringLiteral("TfrmInfoCenter"));
    setWindowTitle(QStringLiteral("消息中心"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose); // made again for the next file
    setFixedWidth(kWidth);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(45, 79, 115));
    setPalette(p);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(1, 0, 1, 0);
    column->setSpacing(0);

    // The title: "消息中心" and M_Close.
    auto* title = new QWidget(this);
    title->setFixedHeight(kTitleHeight);
    auto* titleRow = new QHBoxLayout(title);
    titleRow->setContentsMargins(8, 0, 4, 0);
    auto* caption = new QLabel(QStringLiteral("消息中心"), title);
    caption->setObjectName(QStringLiteral("lb_Title"));
    caption->setStyleSheet(QStringLiteral("color: white; font-weight: bold;"));
    titleRow->addWidget(caption, 1);
    auto* close = titleButton(title, "M_Close", QStringLiteral("×"), QStringLiteral("关闭"));
    titleRow->addWidget(close);
    connect(close, &QPushButton::clicked, this, [this] { fadeOut(); });
    column->addWidget(title);

    // "离线文件": its title with File_Hide / File_Show, then the list.
    QWidget* fileBar = sectionTitle(this, fileTitle_, QStringLiteral("离线文件"));
    fileToggle_ = titleButton(fileBar, "File_Hide", QStringLiteral("－"), QStringLiteral("收起"));
    fileBar->layout()->addWidget(fileToggle_);
    connect(fileToggle_, &QPushButton::clicked, this, [this] { setFilesOpen(!filesOpen_); });
    column->addWidget(fileBar);
    fileList_ = new TFileListBox(files_, std::move(now));
    fileArea_ = new QScrollArea(this);
    fileArea_->setObjectName(QStringLiteral("File_Area"));
    fileArea_->setFrameShape(QFrame::NoFrame);
    fileArea_->setWidgetResizable(true);
    fileArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    fileArea_->setWidget(fileList_);
    column->addWidget(fileArea_);
    fileList_->onCount = [this](int) { relayout(); };

    // "消息提醒": the reminders' title with Msg_Show ("打开消息中心"), which closes the panel.
    QWidget* msgBar = sectionTitle(this, subTitle_, QStringLiteral("消息提醒   0/0"));
    subTitle_->setObjectName(QStringLiteral("lb_subTitle"));
    auto* open = titleButton(msgBar, "Msg_Show", QStringLiteral("打开消息中心"), QString());
    msgBar->layout()->addWidget(open);
    connect(open, &QPushButton::clicked, this, [this] { fadeOut(); });
    column->addWidget(msgBar);

    fade_ = new QTimer(this);
    fade_->setInterval(kFadeStepMs);
    connect(fade_, &QTimer::timeout, this, [this] { fadeStep(); });
    relayout();
}

void TfrmInfoCenter::relayout() {
    const int files = int(files_.items().size());
    fileTitle_->setText(files ? QStringLiteral("离线文件 (%1)").arg(files_.notHandled())
                              : QStringLiteral("离线文件"));
    const int shown = filesOpen_ ? std::min(files, kShownFiles) : 0;
    fileArea_->setVisible(shown > 0);
    fileArea_->setFixedHeight(shown * TFileListBox::kItemHeight);
    // The title, the offline-file section (its title and what it shows) and the reminders' title.
    setFixedHeight(kTitleHeight + kSectionTitleHeight + shown * TFileListBox::kItemHeight +
                   kSectionTitleHeight);
}

void TfrmInfoCenter::setFilesOpen(bool open) {
    filesOpen_ = open;
    fileToggle_->setObjectName(QLatin1String(open ? "File_Hide" : "File_Show"));
    fileToggle_->setText(open ? QStringLiteral("－") : QStringLiteral("＋"));
    fileToggle_->setToolTip(open ? QStringLiteral("收起") : QStringLiteral("展开"));
    relayout();
}

void TfrmInfoCenter::showBeside(const QRect& mainFrame, const QRect& screen) {
    move(screen.x() + screen.width() - width() - mainFrame.width() - 10, screen.y() + 2);
    if (isVisible() && !fadingOut_) return;
    fadingOut_ = false;
    if (!isVisible()) opacity_ = 0;
    setWindowOpacity(opacity_ / 255.0);
    show();
    fade_->start();
}

void TfrmInfoCenter::fadeOut() {
    fadingOut_ = true;
    fade_->start();
}

void TfrmInfoCenter::fadeStep() {
    if (fadingOut_) {
        opacity_ = std::max(0, opacity_ - kFadeStep);
        setWindowOpacity(opacity_ / 255.0);
        if (opacity_ == 0) {
            fade_->stop();
            fadingOut_ = false;
            close();
        }
        return;
    }
    opacity_ += kFadeStep;
    if (opacity_ >= kFadeTop) {
        opacity_ = kOpaque;
        fade_->stop();
    }
    setWindowOpacity(opacity_ / 255.0);
}

} // namespace vantor::ui
