// The main window's skin: the top and bottom bars from the current skin's shifted pictures, the own
// labels in the skin's colours, the opacity, and the rounded window region.
#include "skin/appearance.h"
#include "skin/shadow_picture.h"
#include "ui/kit/palette.h"
#include "ui/main/main_window.h"

#include <QLabel>
#include <QPainter>
#include <QRegion>

namespace vantor::ui {

namespace {

void setColour(QLabel* label, const QColor& c, bool bold = false) {
    if (!label) return;
    label->setStyleSheet(QStringLiteral("color: %1;%2")
                             .arg(c.name(), bold ? QStringLiteral(" font-weight: bold;") : QString()));
}

// A background picture over a bar: stretched across, its own height kept where it is high enough.
void drawBackground(QPainter& p, const QRect& bar, const QImage& picture) {
    p.drawImage(bar, picture);
}

} // namespace

void MainWindow::setAppearance(skin::Appearance* appearance) {
    if (appearance_) disconnect(appearance_, nullptr, this, nullptr);
    appearance_ = appearance;
    if (appearance_) {
        connect(appearance_, &skin::Appearance::changed, this, [this] {
            applySkinColours();
            update();
        });
        connect(appearance_, &skin::Appearance::opacityChanged, this,
                [this](int opacity) { setWindowOpacity(opacity / 255.0); });
        setWindowOpacity(appearance_->opacity() / 255.0);
    }
    applySkinColours();
    update();
}

void MainWindow::applySkinColours() {
    if (!appearance_ || appearance_->picture(skin::SkinPicture::MainTopBg).isNull()) {
        // Our own painted bars: white on blue.
        setColour(userName_, Qt::white, true);
        setColour(myState_, Qt::white);
        setColour(memo_, QColor(255, 255, 255, 210));
        setColour(offlineCount_, colour::kItemText);
        return;
    }
    // The own name, status and offline count take Name; the signature takes Memo.
    setColour(userName_, appearance_->nameColour(), true);
    setColour(myState_, appearance_->nameColour());
    setColour(offlineCount_, appearance_->nameColour());
    setColour(memo_, appearance_->memoColour());
}

void MainWindow::paintBars(QPainter& p) {
    const QRect top(0, 0, width(), topBar_->geometry().bottom() + 1);
    QRect bottom;
    if (bottomBar_ && bottomBar_->isVisible())
        bottom = QRect(bottomBar_->mapTo(this, QPoint(0, 0)), bottomBar_->size()).adjusted(-1, 0, 1, 1);
    const skin::Appearance* a = appearance_;
    const bool skinned = a && !a->picture(skin::SkinPicture::MainTopBg).isNull();
    p.fillRect(rect(), skinned && a->windowColour() ? *a->windowColour() : colour::kPanel);
    if (!skinned) {
        paintTopBar(p, top);
        p.setPen(QColor(0x2F, 0x6F, 0xB3));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        return;
    }
    drawBackground(p, top, a->picture(skin::SkinPicture::MainTopBg));
    const QImage& topPic = a->picture(skin::SkinPicture::MainTopPic);
    if (!topPic.isNull()) p.drawImage(QPoint(width() - topPic.width(), 0), topPic);
    if (!bottom.isEmpty()) {
        const QImage& bg = a->picture(skin::SkinPicture::BottomBg);
        if (!bg.isNull()) drawBackground(p, bottom, bg);
        const QImage& pic = a->picture(skin::SkinPicture::BottomPic);
        if (!pic.isNull() && &pic != &bg)
            p.drawImage(QPoint(bottom.right() + 1 - pic.width(), bottom.top()), pic);
    }
    p.setPen(a->borderColour());
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void MainWindow::applyRegion() {
    // Rounded corners: the corner pixels are cut away (recreated after every resize).
    QRegion region;
    for (const skin::PixelRect& r : skin::roundedWindowShape(width(), height()))
        region += QRect(r.x, r.y, r.width, r.height);
    setMask(region);
}

} // namespace vantor::ui
