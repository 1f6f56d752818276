#include "ui/chat/file_list_box.h"

#include "lists/relative_date.h"
#include "protocol/text.h"
#include "transfer/file_io.h"
#include "transfer/file_panel_texts.h"
#include "ui/kit/icons.h"

#include <QDesktopServices>
#include <QDir>
#include <QEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace vantor::ui {

namespace {

const QColor kText(182, 206, 227);
const QColor kLink(198, 216, 252);
const QColor kLinkHover(255, 188, 90);
const QColor kGround(45, 79, 115);

QString fromGbk(const std::string& s) {
    return QString::fromStdString(protocol::fromGbk(s));
}

// A link of the list: light blue, orange while the pointer is over it; a click runs it.
class ListLink : public QPushButton {
  public:
    ListLink(const char* name, QWidget* parent) : QPushButton(parent) {
        setObjectName(QLatin1String(name));
        setFlat(true);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::NoFocus);
        colour(kLink);
    }
    void place(const QString& text, int x, int y) {
        setText(text);
        adjustSize();
        move(x, y);
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

  private:
    void colour(const QColor& c) {
        setStyleSheet(
            QStringLiteral("QPushButton { color: %1; border: none; padding: 0; background: transparent; }"
                           "QPushButton:disabled { color: %1; }")
                .arg(c.name()));
    }
};

QLabel* label(QWidget* parent, const char* name, const QRect& r, Qt::Alignment align = Qt::AlignLeft) {
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(r);
    l->setAlignment(align | Qt::AlignVCenter);
    l->setStyleSheet(QStringLiteral("color: %1").arg(kText.name()));
    return l;
}

} // namespace

TFileListBox::TFileListBox(transfer::OfflineFiles& files, std::function<double()> now, QWidget* parent)
    : QWidget(parent), files_(files), now_(std::move(now)) {
    setObjectName(QStringLiteral("TFileListBox"));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, kGround);
    setPalette(p);
    column_ = new QVBoxLayout(this);
    column_->setContentsMargins(0, 0, 0, 0);
    column_->setSpacing(0);
    column_->addStretch(1);
    files_.onChanged = [this] { refresh(); };
    refresh();
}

TFileListBox::~TFileListBox() {
    files_.onChanged = nullptr;
}

QWidget* TFileListBox::panelOf(const std::string& id) const {
    for (const auto& [panelId, panel] : panels_)
        if (panelId == id) return panel;
    return nullptr;
}

void TFileListBox::refresh() {
    const auto& items = files_.items();
    bool same = items.size() == panels_.size();
    // Newest on top: the list keeps arrival order.
    for (size_t k = 0; same && k < items.size(); ++k)
        same = panels_[k].first == items[items.size() - 1 - k]->id();
    if (!same) {
        // A link of an item may be the one being clicked: the items go once its handler returned.
        for (auto& [id, panel] : panels_) {
            panel->hide();
            column_->removeWidget(panel);
            panel->deleteLater();
        }
        panels_.clear();
        for (auto it = items.rbegin(); it != items.rend(); ++it) {
            const transfer::OfflineFileItem& item = **it;
            const std::string id = item.id();
            auto* panel = new QWidget(this);
            panel->setObjectName(QStringLiteral("TFileListPanel"));
            panel->setFixedSize(kItemWidth, kItemHeight);
            label(panel, "Lb_From", QRect(9, 3, 150, 16));
            label(panel, "Lb_Time", QRect(167, 3, 110, 16), Qt::AlignRight);
            auto* icon = label(panel, "Image_Icon", QRect(9, 22, 32, 32));
            icon->setPixmap(fileTypePixmap(fromGbk(item.notice.fileName), 32));
            label(panel, "Lb_File", QRect(45, 22, kItemWidth - 50, 16));
            auto* save = new ListLink("btn_SaveAs", panel);
            auto* refuse = new ListLink("btn_Refuse", panel);
            auto* openFile = new ListLink("btn_OpenFile", panel);
            auto* openDir = new ListLink("btn_OpenDir", panel);
            save->place(QStringLiteral("另存为..."), kItemWidth - 126, 42);
            refuse->place(QStringLiteral("拒绝接收"), kItemWidth - 54, 42);
            openFile->place(QStringLiteral("打开文件"), kItemWidth - 126, 42);
            openDir->place(QStringLiteral("打开文件夹"), kItemWidth - 66, 42);
            connect(save, &QPushButton::clicked, this, [this, id] { saveAs(id); });
            connect(refuse, &QPushButton::clicked, this, [this, id] { files_.refuse(id); });
            auto open = [this](const QString& path) {
                if (openPath)
                    openPath(path);
                else
                    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
            };
            connect(openFile, &QPushButton::clicked, this, [this, id, open] {
                if (const auto* i = files_.find(id)) open(i->savedPath);
            });
            connect(openDir, &QPushButton::clicked, this, [this, id, open] {
                if (const auto* i = files_.find(id)) open(QFileInfo(i->savedPath).absolutePath());
            });
            auto* bar = new QWidget(panel);
            bar->setObjectName(QStringLiteral("Image_Progress"));
            bar->setAttribute(Qt::WA_StyledBackground, true);
            bar->setStyleSheet(QStringLiteral("#Image_Progress { background: #ffbc5a; }"));
            bar->setGeometry(0, kItemHeight - 4, 0, 3);
            auto* line = new QWidget(panel);
            line->setObjectName(QStringLiteral("Image_Line"));
            line->setAttribute(Qt::WA_StyledBackground, true);
            line->setStyleSheet(QStringLiteral("#Image_Line { border-top: 1px dotted #6f8fb0; }"));
            line->setGeometry(0, kItemHeight - 1, kItemWidth, 1);
            column_->insertWidget(column_->count() - 1, panel);
            panels_.emplace_back(id, panel);
        }
    }
    for (const auto& [id, panel] : panels_)
        if (const transfer::OfflineFileItem* item = files_.find(id)) fill(panel, *item);
    if (onCount) onCount(files_.notHandled());
}

void TFileListBox::fill(QWidget* panel, const transfer::OfflineFileItem& item) {
    using State = transfer::OfflineFileItem::State;
    const auto& n = item.notice;
    panel->findChild<QLabel*>(QStringLiteral("Lb_From"))
        ->setText(QStringLiteral("来自：") + fromGbk(n.senderName));
    auto* time = panel->findChild<QLabel*>(QStringLiteral("Lb_Time"));
    if (item.busy())
        time->setText(item.speed.isEmpty() ? QStringLiteral("准备接收...")
                                           : item.speed + QLatin1Char(' ') + item.remaining);
    else if (!item.error.isEmpty())
        time->setText(item.error);
    else
        time->setText(fromGbk(lists::relativeDate(n.sendTime, now_ ? now_() : 0)));
    time->setToolTip(QString::fromStdString(transfer::offerTimeHint(n.sendTime)));
    const std::string shown = transfer::listFileText(n.fileName, n.size);
    auto* file = panel->findChild<QLabel*>(QStringLiteral("Lb_File"));
    file->setText(fromGbk(shown));
    const std::string whole =
        n.fileName + protocol::toGbk("（") + transfer::listSizeText(n.size) + protocol::toGbk("）");
    file->setToolTip(shown == whole ? QString() : fromGbk(whole));
    auto* save = panel->findChild<QPushButton*>(QStringLiteral("btn_SaveAs"));
    auto* refuse = panel->findChild<QPushButton*>(QStringLiteral("btn_Refuse"));
    const bool taken = item.state == State::Taken, refused = item.state == State::Refused;
    save->setVisible(!taken && !refused);
    save->setEnabled(!item.busy());
    refuse->setVisible(!taken);
    refuse->setEnabled(!item.busy() && !refused);
    refuse->setText(refused ? QStringLiteral("已经拒绝") : QStringLiteral("拒绝接收"));
    refuse->adjustSize();
    panel->findChild<QPushButton*>(QStringLiteral("btn_OpenFile"))->setVisible(taken);
    panel->findChild<QPushButton*>(QStringLiteral("btn_OpenDir"))->setVisible(taken);
    auto* bar = panel->findChild<QWidget*>(QStringLiteral("Image_Progress"));
    bar->setVisible(item.busy());
    bar->setFixedWidth(std::clamp(item.percent, 0, 100) * kItemWidth / 100);
}

void TFileListBox::saveAs(const std::string& id) {
    const transfer::OfflineFileItem* item = files_.find(id);
    if (!item || item->busy() || item->handled()) return;
    // The name comes from the network: its last component only.
    const QString suggested = transfer::plainFileName(fromGbk(item->notice.fileName));
    auto save = [this, id](const QString& path, bool overwrite) {
        if (!path.isEmpty()) files_.saveAs(id, path, overwrite);
    };
    if (askPath) return askPath(suggested, save);
    auto* dialog = new QFileDialog(window(), QStringLiteral("另存为"), QDir::home().filePath(suggested));
    dialog->setObjectName(QStringLiteral("SaveOfflineFileDialog"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    const QString ext = QFileInfo(suggested).suffix();
    if (!ext.isEmpty()) dialog->setDefaultSuffix(ext);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this, [this, save](const QString& path) {
        if (!QFileInfo::exists(path)) return save(path, false);
        auto* box = new QMessageBox(QMessageBox::Question, QStringLiteral("确认"),
                                    QStringLiteral("文件已经存在，是否要重新下载？"),
                                    QMessageBox::Ok | QMessageBox::Cancel, window());
        box->setAttribute(Qt::WA_DeleteOnClose);
        connect(box, &QMessageBox::finished, this, [save, path](int r) {
            if (r == QMessageBox::Ok) save(path, true);
        });
        box->open();
    });
    dialog->open();
}

} // namespace vantor::ui
