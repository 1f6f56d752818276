// THintWindowEx: the application's hint window. Installed on the application, it takes the place of
// the standard tooltip: the hint's rectangle is 4 pixels taller than its text needs and kept inside
// the desktop (skin::placeHint); it shows on top without taking the focus and fades in over 100 ms
// when skin::hintAnimation says so.
#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>

class QPropertyAnimation;
class QTimer;

namespace vantor::ui {

class THintWindowEx : public QLabel {
    Q_OBJECT
  public:
    THintWindowEx();
    ~THintWindowEx() override;

    // Becomes the application's hint window (until destroyed).
    void install();
    // Shows `text` for a pointer at `globalPos` on a desktop of `desktop` (its available area).
    void showHint(const QString& text, const QPoint& globalPos, const QRect& desktop);
    void hideHint();
    bool fading() const;

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

  private:
    QElapsedTimer sinceLast_;
    QPropertyAnimation* fade_ = nullptr;
    QTimer* hideTimer_ = nullptr;
    QPointer<QObject> owner_; // the widget whose hint is shown
};

} // namespace vantor::ui
