#include "ui/people/use_pic.h"

#include "people/photo_frame.h"
#include "people/picture_codec.h"
#include "ui/kit/dialogs.h"
#include "ui/kit/fonts.h"

#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vantor::ui {

// ---- crop area ----

CropArea::CropArea(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Panel_Crop"));
    setFixedSize(people::kCropAreaWidth, people::kCropAreaHeight);
    frame_ = people::initialFrame();
    setMouseTracking(false);
}

void CropArea::setPicture(const QImage& picture) {
    picture_ = picture;
    const people::Placement p = people::initialPlacement(picture.size());
    topLeft_ = p.topLeft;
    zoom_ = p.zoom;
    update();
    emit frameChanged();
}

void CropArea::setZoom(int zoom) {
    zoom_ = std::clamp(zoom, 1, 100);
    update();
    emit frameChanged();
}

void CropArea::setFrame(const QRect& frame) {
    frame_ = people::keptInArea(frame);
    update();
    emit frameChanged();
}

QSize CropArea::shown() const {
    return people::shownSize(picture_.size(), zoom_);
}

QImage CropArea::preview() const {
    if (picture_.isNull()) return {};
    const QImage drawn = picture_.scaled(shown(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return drawn.copy(people::framedPart(frame_, topLeft_, shown()));
}

QImage CropArea::photo() const {
    if (picture_.isNull()) return {};
    const QRect part = people::framedPart(frame_, topLeft_, shown());
    if (part.isEmpty()) return {};
    return people::photoOf(picture_, shown(), part);
}

void CropArea::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(0x40, 0x40, 0x40));
    if (!picture_.isNull()) p.drawImage(QRect(topLeft_, shown()), picture_);
    p.setPen(QPen(Qt::white, 1, Qt::DashLine));
    p.drawRect(frame_.adjusted(0, 0, -1, -1));
    p.fillRect(QRect(frame_.bottomRight() - QPoint(5, 5), QSize(6, 6)), Qt::white);
}

void CropArea::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || picture_.isNull()) return;
    dragStart_ = e->position().toPoint();
    frameAtStart_ = frame_;
    if (frame_.contains(dragStart_)) {
        drag_ = (e->modifiers() & Qt::ShiftModifier) ? Drag::FrameSize : Drag::Frame;
    } else {
        drag_ = Drag::Picture;
        grabbed_ = topLeft_;
    }
}

void CropArea::mouseMoveEvent(QMouseEvent* e) {
    const QPoint d = e->position().toPoint() - dragStart_;
    switch (drag_) {
    case Drag::Picture:
        topLeft_ = grabbed_ + d;
        update();
        emit frameChanged();
        break;
    case Drag::Frame:
        setFrame(frameAtStart_.translated(d));
        break;
    case Drag::FrameSize:
        setFrame(QRect(frameAtStart_.topLeft(), frameAtStart_.size() + QSize(d.x(), d.y())));
        break;
    case Drag::None:
        break;
    }
}

void CropArea::mouseReleaseEvent(QMouseEvent*) {
    drag_ = Drag::None;
}

// ---- dialog ----

namespace {
QLabel* pictureBox(const QString& name, QSize size, QWidget* parent) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setFixedSize(size);
    l->setFrameShape(QFrame::Box);
    l->setAlignment(Qt::AlignCenter);
    return l;
}
QString systemFaces(client::ClientCore& core) {
    return QString::fromStdString(core.messenger().environment().layout.programUserHeadFolder());
}
} // namespace

TfrmUsePic::TfrmUsePic(client::ClientCore& core, QWidget* parent) : QWidget(parent, Qt::Window), core_(core) {
    setObjectName(QStringLiteral("TfrmUsePic"));
    setWindowTitle(QStringLiteral("设置头像"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAcceptDrops(true);
    setFont(textFont());
    auto* layout = new QVBoxLayout(this);
    auto* tabsRow = new QHBoxLayout;
    auto* local = new QPushButton(QStringLiteral("照片裁剪"), this);
    local->setObjectName(QStringLiteral("btn_LocalPic"));
    auto* system = new QPushButton(QStringLiteral("系统头像"), this);
    system->setObjectName(QStringLiteral("btn_SysPic"));
    tabsRow->addWidget(local);
    tabsRow->addWidget(system);
    tabsRow->addStretch();
    layout->addLayout(tabsRow);
    tabs_ = new QStackedWidget(this);
    layout->addWidget(tabs_);

    // 照片裁剪
    auto* photoTab = new QWidget;
    photoTab->setObjectName(QStringLiteral("TabUserPhoto"));
    auto* photoLayout = new QHBoxLayout(photoTab);
    auto* left = new QVBoxLayout;
    crop_ = new CropArea(photoTab);
    left->addWidget(crop_);
    zoom_ = new QSlider(Qt::Horizontal, photoTab);
    zoom_->setObjectName(QStringLiteral("TrackBar1"));
    zoom_->setRange(0, 100);
    zoom_->setEnabled(false);
    left->addWidget(zoom_);
    auto* open = new QPushButton(QStringLiteral("打开图片..."), photoTab);
    open->setObjectName(QStringLiteral("btn_OpenPic"));
    left->addWidget(open);
    photoLayout->addLayout(left);
    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("照片预览："), photoTab));
    preview_ = pictureBox(QStringLiteral("ImageCap"),
                          QSize(people::kFrameWidth - 2, people::kFrameHeight - 2), photoTab);
    right->addWidget(preview_);
    uploading_ = new QLabel(QStringLiteral("正在上传..."), photoTab);
    uploading_->hide();
    done_ = new QLabel(photoTab);
    right->addWidget(uploading_);
    right->addWidget(done_);
    right->addStretch();
    save_ = new QPushButton(QStringLiteral("保 存"), photoTab);
    save_->setObjectName(QStringLiteral("btn_Save"));
    save_->setEnabled(false);
    right->addWidget(save_);
    photoLayout->addLayout(right);
    tabs_->addWidget(photoTab);

    // 系统头像
    auto* faceTab = new QWidget;
    faceTab->setObjectName(QStringLiteral("TabUserFace"));
    auto* faceLayout = new QVBoxLayout(faceTab);
    faces_ = new QTableWidget(4, 8, faceTab);
    faces_->setObjectName(QStringLiteral("DrawGrid1"));
    faces_->horizontalHeader()->hide();
    faces_->verticalHeader()->hide();
    faces_->horizontalHeader()->setDefaultSectionSize(40);
    faces_->verticalHeader()->setDefaultSectionSize(40);
    faces_->setIconSize(QSize(36, 36));
    faces_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    const QString faceFolder = systemFaces(core_);
    for (int n = 0; n < faces_->rowCount() * faces_->columnCount(); ++n) {
        const QString file = faceFolder + QString::number(n) + QStringLiteral(".bmp");
        auto* item = new QTableWidgetItem;
        if (QFileInfo::exists(file)) item->setIcon(QIcon(file));
        faces_->setItem(n / faces_->columnCount(), n % faces_->columnCount(), item);
    }
    faceLayout->addWidget(faces_);
    useSystem_ = new QCheckBox(QStringLiteral("使用系统小头像"), faceTab);
    useSystem_->setObjectName(QStringLiteral("CheckBox1"));
    faceUpdate_ = new QPushButton(QStringLiteral("更新默认小头像"), faceTab);
    faceUpdate_->setObjectName(QStringLiteral("btn_SysFaceUp"));
    faceUpdate_->hide();
    faceLayout->addWidget(useSystem_);
    faceLayout->addWidget(faceUpdate_);
    tabs_->addWidget(faceTab);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(QStringLiteral("当前头像："), this));
    selected_ = pictureBox(QStringLiteral("Image_Selected"), QSize(44, 44), this);
    bottom->addWidget(selected_);
    bottom->addStretch();
    auto* close = new QPushButton(QStringLiteral("关 闭"), this);
    close->setObjectName(QStringLiteral("btn_Close"));
    bottom->addWidget(close);
    layout->addLayout(bottom);

    connect(local, &QPushButton::clicked, this, [this] { tabs_->setCurrentIndex(0); });
    connect(system, &QPushButton::clicked, this, [this] { tabs_->setCurrentIndex(1); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(zoom_, &QSlider::valueChanged, this, [this](int v) { crop_->setZoom(v); });
    connect(crop_, &CropArea::frameChanged, this, [this] { updatePreview(); });
    connect(save_, &QPushButton::clicked, this, [this] { save(); });
    connect(useSystem_, &QCheckBox::toggled, faceUpdate_, &QWidget::setVisible);
    connect(faces_, &QTableWidget::cellClicked, this, [this, faceFolder](int row, int column) {
        const QString file = faceFolder + QString::number(column + row * faces_->columnCount()) + ".bmp";
        chosenFace_ = column + row * faces_->columnCount();
        if (QFileInfo::exists(file)) selected_->setPixmap(QPixmap(file));
    });
    connect(faceUpdate_, &QPushButton::clicked, this, [this] { useSystemFace(); });
    connect(open, &QPushButton::clicked, this, [this] {
        auto* dialog = new QFileDialog(this, QStringLiteral("打开图片"), dialogFolder(),
                                       QStringLiteral("图片 (*.jpg *.jpeg *.bmp *.png *.gif)"));
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setFileMode(QFileDialog::ExistingFile);
        connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& f) {
            rememberDialogFolder(f);
            loadPicture(f);
        });
        dialog->open();
    });
    core_.people().addListener(this);
    showCurrent();
}

TfrmUsePic::~TfrmUsePic() {
    core_.people().removeListener(this);
}

void TfrmUsePic::showCurrent() {
    const auto& own = core_.messenger().OwnUser;
    if (!own) return;
    const QString photo = core_.people().photoPath(own->userId);
    if (QFileInfo::exists(photo))
        preview_->setPixmap(QPixmap(photo).scaled(preview_->size(), Qt::KeepAspectRatio));
    const QString thumb = core_.people().thumbnailPath(own->userId);
    const QString face =
        systemFaces(core_) + QString::fromStdString(own->headPicture) + QStringLiteral(".bmp");
    if (QFileInfo::exists(thumb))
        selected_->setPixmap(QPixmap(thumb));
    else if (QFileInfo::exists(face))
        selected_->setPixmap(QPixmap(face));
}

bool TfrmUsePic::useSystemFace() {
    const auto& own = core_.messenger().OwnUser;
    if (!own || chosenFace_ < 0) return false;
    const std::string name = std::to_string(chosenFace_);
    if (name == own->headPicture) return false;
    if (!QFileInfo::exists(systemFaces(core_) + QString::fromStdString(name) + QStringLiteral(".bmp")))
        return false;
    return core_.directory().presence().SetOwnStatus(own->status, std::nullopt, name, false);
}

bool TfrmUsePic::loadPicture(const QString& path) {
    QImage img(path);
    if (img.isNull()) return false; // a file that does not load leaves the dialog as it was
    crop_->setPicture(img);
    zoom_->setEnabled(true);
    zoom_->setValue(crop_->zoom());
    save_->setEnabled(true);
    done_->clear();
    return true;
}

void TfrmUsePic::updatePreview() {
    const QImage p = crop_->preview();
    preview_->setPixmap(p.isNull() ? QPixmap() : QPixmap::fromImage(p));
}

void TfrmUsePic::save() {
    if (!core_.messenger().OwnUser || !core_.messenger().ConnectionOpen()) {
        showInformation(this, QStringLiteral("提示"), QStringLiteral("您已经离线，请重新登录后上传！"));
        return;
    }
    if (!crop_->hasPicture()) {
        showInformation(this, QStringLiteral("提示"), QStringLiteral("请选择照片后上传！"));
        return;
    }
    uploading_->show();
    save_->setEnabled(false);
    const QImage photo = crop_->photo();
    const bool sent = !photo.isNull() && core_.people().setOwnPhoto(people::jpegBytes(photo));
    save_->setEnabled(true);
    uploading_->hide();
    done_->setText(sent ? QStringLiteral("照片上传成功！") : QStringLiteral("照片上传失败！"));
}

void TfrmUsePic::pictureArrived(uint32_t userId) {
    const auto& own = core_.messenger().OwnUser;
    if (own && own->userId == userId) showCurrent();
}

void TfrmUsePic::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TfrmUsePic::dropEvent(QDropEvent* e) {
    for (const QUrl& url : e->mimeData()->urls())
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile()) loadPicture(url.toLocalFile());
}

} // namespace vantor::ui
