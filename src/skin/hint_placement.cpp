#include "skin/hint_placement.h"

namespace vantor::skin {

PixelRect placeHint(PixelRect hint, PixelRect desktop) {
    hint.height += 4;
    const int right = desktop.x + desktop.width;
    const int bottom = desktop.y + desktop.height;
    if (hint.x + hint.width > right) hint.x = right - hint.width;
    if (hint.y + hint.height > bottom) hint.y = bottom - hint.height;
    if (hint.x < desktop.x) hint.x = desktop.x;
    if (hint.y < desktop.y) hint.y = desktop.y;
    return hint;
}

HintAnimation hintAnimation(long long msSinceLastHint, int textLength, bool desktopAnimates) {
    return msSinceLastHint > 250 && textLength < 100 && desktopAnimates ? HintAnimation::Fade
                                                                        : HintAnimation::None;
}

} // namespace vantor::skin
