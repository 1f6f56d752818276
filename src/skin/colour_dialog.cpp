#include "skin/colour_dialog.h"

#include <algorithm>

namespace vantor::skin {

std::string skinNameOfCell(int column, int row) {
    column = std::clamp(column, 0, kSkinColumns - 1);
    row = std::clamp(row, 0, kSkinRows - 1);
    return "Skin" + std::to_string(column + row * kSkinColumns + 1);
}

bool cellOfSkin(const std::string& name, int& column, int& row) {
    if (name.size() != 5 || name.compare(0, 4, "Skin") != 0 || name[4] < '1' || name[4] > '8') return false;
    const int n = name[4] - '1';
    column = n % kSkinColumns;
    row = n / kSkinColumns;
    return true;
}

ColourShift ColourDialog::shift() const {
    return {state_.huePosition - 180, state_.saturationPosition - 100, state_.brightnessPosition - 100};
}

void ColourDialog::setPositions(const ColourShift& shift) {
    const ColourShift c = shift.clamped();
    state_.huePosition = c.H + 180;
    state_.saturationPosition = c.S + 100;
    state_.brightnessPosition = c.B + 100;
}

void ColourDialog::applyNow() {
    if (apply) apply(shift());
}

void ColourDialog::shown(const std::string& skinName, const ColourShift& shift, int opacity) {
    setPositions(shift);
    state_.opacityPosition = 255 - std::clamp(opacity, 0, 255);
    state_.skinName = skinName;
    atShow_ = state_;
}

void ColourDialog::setHuePosition(int position) {
    position = std::clamp(position, 0, 360);
    if (position == state_.huePosition) return;
    state_.huePosition = position;
    applyNow();
}

void ColourDialog::setSaturationPosition(int position) {
    position = std::clamp(position, 0, 200);
    if (position == state_.saturationPosition) return;
    state_.saturationPosition = position;
    applyNow();
}

void ColourDialog::setBrightnessPosition(int position) {
    position = std::clamp(position, 0, 200);
    if (position == state_.brightnessPosition) return;
    state_.brightnessPosition = position;
    applyNow();
}

void ColourDialog::setOpacityPosition(int position) {
    position = std::clamp(position, 0, 255);
    if (position == state_.opacityPosition) return;
    state_.opacityPosition = position;
    if (setOpacity) setOpacity(opacity());
}

void ColourDialog::selectCell(int column, int row) {
    state_.skinName = skinNameOfCell(column, row);
    if (chooseSkin) chooseSkin(state_.skinName);
}

void ColourDialog::followSkin(const ColourShift& skinShift, int skinOpacity) {
    setPositions(skinShift);
    state_.opacityPosition = 255 - std::clamp(skinOpacity, 0, 255);
}

void ColourDialog::cancel() {
    const State before = state_;
    if (before.skinName != atShow_.skinName && chooseSkin) chooseSkin(atShow_.skinName);
    state_ = atShow_;
    applyNow();
    // A skin chosen meanwhile brought its own opacity: the one at show time comes back in any case.
    if (setOpacity) setOpacity(opacity());
}

void ColourDialog::reset() {
    const ColourShift before = shift();
    setPositions({});
    if (!before.identity()) applyNow();
}

} // namespace vantor::skin
