// TFormShadow's rules without a window: where the shadow goes, when its picture is rebuilt and when
// it shows. The followed window reports its position messages; the shadow window does what it is
// told through IShadowWindow (the widget implements it, tests record it).
#pragma once

#include "skin/shadow_picture.h"

#include <cstdint>
#include <vector>

namespace vantor::skin {

class IShadowWindow {
  public:
    virtual ~IShadowWindow() = default;
    // Directly behind the followed window, without activating anything.
    virtual void place(int x, int y, int width, int height) = 0;
    // The picture as the window's content; `constantAlpha` 0..255 scales all of it.
    virtual void push(const ShadowPicture& picture, int constantAlpha) = 0;
    virtual void showShadow() = 0;
    virtual void hideShadow() = 0;
};

// What the followed window is at a position message.
struct FollowedWindow {
    int left = 0, top = 0, width = 0, height = 0;
    bool minimised = false;
    bool maximised = false;
    bool shown = true;
    int opacity = 255;             // its own opacity, 255 when opaque
    std::vector<PixelRect> region; // its region's rectangles; empty: the whole window
};

class ShadowFollower {
  public:
    // `compositing`: whether the desktop composes translucent windows; without it the shadow never
    // shows (there is nothing to blend it with).
    ShadowFollower(IShadowWindow& window, bool compositing) : window_(window), compositing_(compositing) {}

    bool visible() const { return visible_; }
    int offset() const { return offset_; }
    uint32_t colour() const { return colour_; }
    const ShadowPicture& picture() const { return picture_; }
    // How many times the picture was built (drawn and softened) so far.
    int builds() const { return builds_; }

    // Store the value; the caller then makes the followed window report its position again. True
    // when it changed.
    bool setVisible(bool visible);
    bool setOffset(int offset);
    // Recolours the picture (the shape stays) and pushes it again.
    void setColour(uint32_t colour);
    // The picture is rebuilt at the next position message.
    void refresh() { redraw_ = true; }

    // WM_WINDOWPOSCHANGING: hides the shadow when the window is minimised, maximised or hidden.
    void positionChanging(const FollowedWindow& w);
    // WM_WINDOWPOSCHANGED: rebuild when needed, place, then show or hide.
    void positionChanged(const FollowedWindow& w);

  private:
    void build(const FollowedWindow& w);

    IShadowWindow& window_;
    bool compositing_;
    bool visible_ = false;
    int offset_ = 1;
    uint32_t colour_ = 0; // black
    bool redraw_ = true;
    int constantAlpha_ = 255;
    int builds_ = 0;
    ShadowPicture picture_;
};

} // namespace vantor::skin
