#include "skin/shadow_follow.h"

namespace vantor::skin {

bool ShadowFollower::setVisible(bool visible) {
    if (visible == visible_) return false;
    visible_ = visible;
    return true;
}

bool ShadowFollower::setOffset(int offset) {
    if (offset == offset_) return false;
    offset_ = offset;
    return true;
}

void ShadowFollower::setColour(uint32_t colour) {
    if (colour == colour_) return;
    colour_ = colour;
    if (picture_.width() == 0) return;
    picture_.recolour(colour_);
    window_.push(picture_, constantAlpha_);
}

void ShadowFollower::positionChanging(const FollowedWindow& w) {
    if (w.minimised || w.maximised || !w.shown) window_.hideShadow();
}

void ShadowFollower::build(const FollowedWindow& w) {
    if (!visible_) return;
    if (picture_.resize(w.width, w.height)) redraw_ = true;
    if (!redraw_) return;
    redraw_ = false;
    picture_.build(w.region, colour_);
    ++builds_;
    constantAlpha_ = w.opacity < 0 ? 0 : (w.opacity > 255 ? 255 : w.opacity);
    window_.push(picture_, constantAlpha_);
}

void ShadowFollower::positionChanged(const FollowedWindow& w) {
    if (!w.maximised) build(w);
    window_.place(w.left + offset_ - kShadowMargin, w.top + offset_ - (kShadowMargin - 2),
                  w.width + 2 * kShadowMargin, w.height + 2 * kShadowMargin);
    if (compositing_ && visible_ && w.shown && !w.minimised && !w.maximised && picture_.width() > 0)
        window_.showShadow();
    else
        window_.hideShadow();
}

} // namespace vantor::skin
