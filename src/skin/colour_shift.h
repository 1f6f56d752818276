// The skin's colour shift: hue, saturation and brightness moved by whole steps on 32-bit pixels,
// in integer arithmetic only, so that every build gives the same pixels. Pixels are 0xAARRGGBB
// (the memory order blue, green, red, alpha); alpha is never changed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vantor::skin {

struct ColourShift {
    int H = 0; // hue, -180..180
    int S = 0; // saturation, -100..100
    int B = 0; // brightness, -100..100
    bool identity() const { return H == 0 && S == 0 && B == 0; }
    // The same shift with every value inside its range.
    ColourShift clamped() const;
};

// One pixel shifted.
uint32_t shiftPixel(uint32_t argb, const ColourShift& shift);

// `count` pixels of `from` shifted into `to` (which may be `from`).
void shiftPixels(const uint32_t* from, uint32_t* to, size_t count, const ColourShift& shift);

} // namespace vantor::skin
