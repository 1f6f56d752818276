// The frame the notice windows share: borderless, with a title bar of their own that shows the
// product name and the window's caption (drag to move, double click or the middle button to
// maximise to the work area), minimise and close, and a smallest size of 520 × 400.
#pragma once

#include "ui/kit/title_drag.h"
#include <QWidget>

#include <optional>

class QLabel;
class QVBoxLayout;

namespace vantor::ui {

class NoticeFrame : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kMinWidth = 520, kMinHeight = 400;

    // `caption`: the window's own name; `product`: the product name of the sign-in reply (may be empty).
    NoticeFrame(const QString& caption, const QString& product, QWidget* parent = nullptr);

    void toggleMaximised();

  protected:
    // Where the window puts its content, below the title bar.
    QVBoxLayout* body() const { return body_; }
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* titleArea_ = nullptr;
    QLabel* caption_ = nullptr;
    QVBoxLayout* body_ = nullptr;
    TitleDrag titleDrag_;
    QRect normalGeometry_;
};

} // namespace vantor::ui
