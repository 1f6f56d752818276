// TFormShadow: the soft shadow behind a borderless window. A translucent, click-through tool window
// that never takes the focus, placed behind the window it follows by skin::ShadowFollower, which
// decides when the picture is rebuilt and when the shadow shows. Without a compositor it stays
// hidden.
#pragma once

#include "skin/shadow_follow.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

namespace vantor::ui {

class TFormShadow : public QWidget, public skin::IShadowWindow {
    Q_OBJECT
  public:
    // `compositing`: whether translucent windows are composed on this desktop.
    explicit TFormShadow(bool compositing);
    ~TFormShadow() override;

    // SetForm: follow `window` (none: follow nothing). The shadow re-reads its position at once.
    void setForm(QWidget* window);
    QWidget* form() const { return form_; }
    void setVisibleShadow(bool visible); // SetVisible
    void setOffset(int offset);          // SetOffset
    void setColour(uint32_t bgr);        // SetColor
    void refresh();                      // Refresh
    const skin::ShadowFollower& follower() const { return follower_; }
    const QImage& image() const { return image_; }

    // The position messages of the followed window, as its changes arrive (queued after them).
    void reapply();
    // The followed window as the rules see it now.
    skin::FollowedWindow followedState() const;

    // ---- skin::IShadowWindow ----
    void place(int x, int y, int width, int height) override;
    void push(const skin::ShadowPicture& picture, int constantAlpha) override;
    void showShadow() override;
    void hideShadow() override;

  protected:
    void paintEvent(QPaintEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    skin::ShadowFollower follower_;
    QPointer<QWidget> form_;
    QImage image_;
    bool pending_ = false;
};

} // namespace vantor::ui
