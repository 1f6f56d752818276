// THintWindowEx's placement and its choice of animation, without a window.
#pragma once

#include "skin/shadow_picture.h"

namespace vantor::skin {

// The hint's rectangle made 4 pixels taller and kept inside the desktop: moved left when it would
// leave on the right, up when it would leave at the bottom, and never left of or above the
// desktop's own corner.
PixelRect placeHint(PixelRect hint, PixelRect desktop);

enum class HintAnimation { None, Fade };

// A hint fades in when more than 250 ms have passed since the last one, its text is shorter than
// 100 characters and the desktop animates tooltips.
HintAnimation hintAnimation(long long msSinceLastHint, int textLength, bool desktopAnimates);

inline constexpr int kHintAnimationMs = 100;

} // namespace vantor::skin
