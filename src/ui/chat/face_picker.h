// The face picker (TSelFaceForm): the face page, a 15 × 7 grid of 30 × 29 cells; the cell under
// the mouse is outlined and its face's name shown as a hint; a click chooses the face.
#pragma once

#include <QPixmap>
#include <QWidget>

#include <functional>

namespace vantor::ui {

class TSelFaceForm : public QWidget {
    Q_OBJECT
  public:
    // `facePage` is FacePage1.bmp; when it is missing the faces are drawn from `faceFolder`.
    TSelFaceForm(const QString& facePage, const QString& faceFolder, QWidget* parent = nullptr);

    int hovered() const { return hovered_; }
    // The hint shown for the hovered face (its name), empty when none.
    QString hint() const;
    // Moves the selection as the mouse would (page coordinates); used by the mouse handlers.
    void hoverAt(QPoint pagePoint);
    void chooseAt(QPoint pagePoint);

    std::function<void(int face)> onFace;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    QPixmap page_;
    int hovered_ = -1;
};

} // namespace vantor::ui
