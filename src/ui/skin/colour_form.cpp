#include "ui/skin/colour_form.h"

#include "settings/folder_layout.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace vantor::ui {

// The 4 × 2 cells of 36 × 36 with the skins' thumbnails.
class SkinGrid : public QWidget {
  public:
    SkinGrid(skin::Appearance& appearance, QWidget* parent) : QWidget(parent), appearance_(appearance) {
        setObjectName(QStringLiteral("SkinGrid"));
        setFixedSize(skin::kSkinColumns * kCell, skin::kSkinRows * kCell);
        for (int n = 1; n <= 8; ++n)
            thumbnails_[size_t(n - 1)] = appearance_.thumbnail(n);
    }
    std::function<void(int column, int row)> clicked;
    std::string selected;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        int selColumn = -1, selRow = -1;
        skin::cellOfSkin(selected, selColumn, selRow);
        for (int row = 0; row < skin::kSkinRows; ++row)
            for (int column = 0; column < skin::kSkinColumns; ++column) {
                const QRect cell(column * kCell, row * kCell, kCell, kCell);
                const QRect picture = cell.adjusted(6, 6, -6, -6);
                p.fillRect(cell, Qt::white);
                const QImage& thumb = thumbnails_[size_t(column + row * skin::kSkinColumns)];
                if (!thumb.isNull()) p.drawImage(picture, thumb);
                p.setPen(QColor(210, 210, 210));
                const bool sel = column == selColumn && row == selRow;
                p.drawRect((sel ? cell : picture.adjusted(-1, -1, 0, 0)).adjusted(0, 0, -1, -1));
                if (sel) {
                    p.setPen(QColor(0x2F, 0x6F, 0xB3));
                    p.drawRect(cell.adjusted(1, 1, -2, -2));
                }
            }
    }
    void mousePressEvent(QMouseEvent* e) override {
        const QPoint at = e->position().toPoint();
        if (clicked && rect().contains(at)) clicked(at.x() / kCell, at.y() / kCell);
    }

  private:
    static constexpr int kCell = 36;
    skin::Appearance& appearance_;
    std::array<QImage, 8> thumbnails_;
};

namespace {

QSlider* slider(QWidget* parent, const char* name, int max) {
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setObjectName(QLatin1String(name));
    s->setRange(0, max);
    s->setFixedWidth(150);
    return s;
}

QLineEdit* box(QWidget* parent, const char* name) {
    auto* b = new QLineEdit(parent);
    b->setObjectName(QLatin1String(name));
    b->setReadOnly(true);
    b->setFixedWidth(40);
    b->setAlignment(Qt::AlignRight);
    return b;
}

} // namespace

TfrmColor::TfrmColor(skin::Appearance& appearance, QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      appearance_(appearance) {
    setObjectName(QStringLiteral("TfrmColor"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(8, 8, 8, 8);
    root->setSpacing(6);
    grid_ = new SkinGrid(appearance_, this);
    root->addWidget(grid_, 0, Qt::AlignHCenter);

    auto* sliders = new QGridLayout;
    hue_ = slider(this, "TrackBar_H", 360);
    saturation_ = slider(this, "TrackBar_S", 200);
    brightness_ = slider(this, "TrackBar_I", 200);
    opacity_ = slider(this, "TrackBar_t", 255);
    hueBox_ = box(this, "Edt_H");
    saturationBox_ = box(this, "Edt_S");
    brightnessBox_ = box(this, "Edt_I");
    const struct {
        const char* label;
        QSlider* slider;
        QLineEdit* box;
    } rows[] = {{"色相", hue_, hueBox_},
                {"饱和度", saturation_, saturationBox_},
                {"亮度", brightness_, brightnessBox_},
                {"透明度", opacity_, nullptr}};
    int r = 0;
    for (const auto& row : rows) {
        sliders->addWidget(new QLabel(QString::fromUtf8(row.label), this), r, 0);
        sliders->addWidget(row.slider, r, 1);
        if (row.box) sliders->addWidget(row.box, r, 2);
        ++r;
    }
    root->addLayout(sliders);

    auto* buttons = new QHBoxLayout;
    const struct {
        const char* name;
        const char* text;
        void (TfrmColor::*click)();
    } defs[] = {{"Ok", "确定", &TfrmColor::okClick},
                {"No", "取消", &TfrmColor::cancelClick},
                {"Rest", "复原", &TfrmColor::resetClick}};
    for (const auto& d : defs) {
        auto* b = new QPushButton(QString::fromUtf8(d.text), this);
        b->setObjectName(QLatin1String(d.name));
        connect(b, &QPushButton::clicked, this, d.click);
        buttons->addWidget(b);
    }
    root->addLayout(buttons);

    rules_.apply = [this](const skin::ColourShift& s) { appearance_.applyShift(s); };
    rules_.chooseSkin = [this](const std::string& name) { appearance_.loadSkin(name); };
    rules_.setOpacity = [this](int o) { appearance_.setOpacity(o); };
    grid_->clicked = [this](int column, int row) { clickCell(column, row); };
    // Moving a slider writes its box; the rules apply the three boxes at once.
    connect(hue_, &QSlider::valueChanged, this, [this](int v) {
        hueBox_->setText(QString::number(v - 180));
        if (!syncing_) rules_.setHuePosition(v);
    });
    connect(saturation_, &QSlider::valueChanged, this, [this](int v) {
        saturationBox_->setText(QString::number(v - 100));
        if (!syncing_) rules_.setSaturationPosition(v);
    });
    connect(brightness_, &QSlider::valueChanged, this, [this](int v) {
        brightnessBox_->setText(QString::number(v - 100));
        if (!syncing_) rules_.setBrightnessPosition(v);
    });
    connect(opacity_, &QSlider::valueChanged, this, [this](int v) {
        if (!syncing_) rules_.setOpacityPosition(v);
    });
    adjustSize();
}

void TfrmColor::syncControls() {
    syncing_ = true;
    const skin::ColourDialog::State& s = rules_.state();
    hue_->setValue(s.huePosition);
    saturation_->setValue(s.saturationPosition);
    brightness_->setValue(s.brightnessPosition);
    opacity_->setValue(s.opacityPosition);
    hueBox_->setText(QString::number(s.huePosition - 180));
    saturationBox_->setText(QString::number(s.saturationPosition - 100));
    brightnessBox_->setText(QString::number(s.brightnessPosition - 100));
    grid_->selected = s.skinName;
    grid_->update();
    syncing_ = false;
}

void TfrmColor::openBelow(const QWidget* button, const QRect& mainFrame) {
    adjustSize();
    const QPoint under = button ? button->mapToGlobal(QPoint(0, button->height())) : mainFrame.bottomLeft();
    move(mainFrame.right() - 2 - width() + 1, under.y());
    show();
    raise();
    activateWindow();
}

void TfrmColor::clickCell(int column, int row) {
    rules_.selectCell(column, row);
    // The sliders follow the chosen skin's own shift and opacity.
    rules_.followSkin(appearance_.shift(), appearance_.opacity());
    syncControls();
}

void TfrmColor::okClick() {
    rules_.ok();
    hide();
}

void TfrmColor::cancelClick() {
    rules_.cancel();
    syncControls();
    hide();
}

void TfrmColor::resetClick() {
    rules_.reset();
    syncControls();
}

void TfrmColor::showEvent(QShowEvent* e) {
    rules_.shown(appearance_.skinName(), appearance_.shift(), appearance_.opacity());
    syncControls();
    QWidget::showEvent(e);
}

void TfrmColor::hideEvent(QHideEvent* e) {
    QWidget::hideEvent(e);
    if (!shuttingDown && saved) saved();
}

void TfrmColor::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(0xF4, 0xF7, 0xFA));
    p.setPen(QColor(0x2F, 0x6F, 0xB3));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace vantor::ui
