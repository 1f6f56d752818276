// The drop shadow's picture: the followed window's shape in white on black, 16 pixels of margin on
// every side, softened by three in-place diagonal passes and turned into premultiplied ARGB of one
// colour whose alpha is the softened intensity. The passes read pixels that the same pass has
// already replaced, so their order is part of the result.
#pragma once

#include <cstdint>
#include <vector>

namespace vantor::skin {

struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const PixelRect&) const = default;
};

inline constexpr int kShadowMargin = 16;

class ShadowPicture {
  public:
    int width() const { return width_; }
    int height() const { return height_; }
    // Premultiplied 0xAARRGGBB, row by row, width() × height().
    const std::vector<uint32_t>& pixels() const { return argb_; }
    // The softened intensity of each pixel (the alpha of pixels()).
    const std::vector<uint8_t>& intensity() const { return plane_; }

    // Sized for a window of the given size (32 pixels wider and higher); true when the size changed.
    bool resize(int windowWidth, int windowHeight);
    // Draws the shape and the passes and colours the result. `shape` lists the window's own
    // rectangles (its region); empty means the whole window. `colour` is 0x00BBGGRR.
    void build(const std::vector<PixelRect>& shape, uint32_t colour);
    // Colours the existing intensities anew; the shape stays.
    void recolour(uint32_t colour);

    // One in-place pass at distance d over an intensity plane of w × h (exposed for the bench).
    static void blurPass(uint8_t* plane, int w, int h, int d);

  private:
    int width_ = 0, height_ = 0;
    std::vector<uint8_t> plane_;
    std::vector<uint32_t> argb_;
};

// i × j div 255 for bytes i and j.
uint8_t multiplyBytes(uint8_t i, uint8_t j);

// A window of w × h with the rounded-rectangle region of the main window (the corner pixels cut
// away), as the rectangles of its rows.
std::vector<PixelRect> roundedWindowShape(int w, int h);

} // namespace vantor::skin
