#include "ui/chat/face_picker.h"

#include "conversation/faces.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace vantor::ui {

using namespace conversation;

TSelFaceForm::TSelFaceForm(const QString& facePage, const QString& faceFolder, QWidget* parent)
    : QWidget(parent, Qt::Popup) {
    setObjectName(QStringLiteral("TSelFaceForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setMouseTracking(true);
    const QSize size(kFacePageColumns * kFaceCellWidth + 1, kFacePageRows * kFaceCellHeight + 1);
    setFixedSize(size);
    page_.load(facePage);
    if (page_.isNull()) {
        page_ = QPixmap(size);
        page_.fill(Qt::white);
        QPainter p(&page_);
        for (int i = 0; i < kFaceCount; ++i) {
            const int x = (i % kFacePageColumns) * kFaceCellWidth,
                      y = (i / kFacePageColumns) * kFaceCellHeight;
            p.drawPixmap(x + 3, y + 2, QPixmap(faceFolder + QString::fromStdString(faceFileName(i))));
        }
    }
}

QString TSelFaceForm::hint() const {
    if (!isFaceIndex(hovered_)) return {};
    return QString::fromUtf8(faceTable()[size_t(hovered_)].nameUtf8.data(),
                             qsizetype(faceTable()[size_t(hovered_)].nameUtf8.size()));
}

void TSelFaceForm::hoverAt(QPoint p) {
    const int face = faceAtPagePoint(p.x(), p.y());
    if (face == hovered_) return;
    hovered_ = face;
    setToolTip(hint());
    update();
}

void TSelFaceForm::chooseAt(QPoint p) {
    hoverAt(p);
    if (hovered_ < 0) return;
    const int face = hovered_;
    if (onFace) onFace(face);
    close();
}

void TSelFaceForm::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, page_);
    if (hovered_ < 0) return;
    const int x = (hovered_ % kFacePageColumns) * kFaceCellWidth,
              y = (hovered_ / kFacePageColumns) * kFaceCellHeight;
    p.setPen(QPen(QColor(0, 90, 200), 1));
    p.drawRect(x, y, kFaceCellWidth, kFaceCellHeight);
}

void TSelFaceForm::mouseMoveEvent(QMouseEvent* event) {
    hoverAt(event->position().toPoint());
    if (hovered_ >= 0) QToolTip::showText(event->globalPosition().toPoint(), hint(), this);
}

void TSelFaceForm::mousePressEvent(QMouseEvent* event) {
    if (!rect().contains(event->position().toPoint())) {
        close();
        return;
    }
    if (event->button() == Qt::LeftButton) chooseAt(event->position().toPoint());
}

void TSelFaceForm::leaveEvent(QEvent*) {
    hovered_ = -1;
    update();
}

} // namespace vantor::ui
