// TfrmColor's rules without a window: the eight skins of the grid, the three shift sliders with
// their boxes, the opacity slider, and what OK, Cancel and Reset do. The window forwards its
// controls here and draws what `State` says; `apply` puts a shift on the windows, `chooseSkin`
// loads another skin and `setOpacity` sets the main window's opacity.
#pragma once

#include "skin/colour_shift.h"

#include <functional>
#include <string>

namespace vantor::skin {

inline constexpr int kSkinColumns = 4;
inline constexpr int kSkinRows = 2;

// "Skin" + column + row × 4 + 1.
std::string skinNameOfCell(int column, int row);
// The cell of a skin name ("Skin1".."Skin8"); false for any other name.
bool cellOfSkin(const std::string& name, int& column, int& row);

class ColourDialog {
  public:
    struct State {
        int huePosition = 180;        // "色相" 0..360, H = position - 180
        int saturationPosition = 100; // "饱和度" 0..200, S = position - 100
        int brightnessPosition = 100; // "亮度" 0..200, B = position - 100
        int opacityPosition = 0;      // "透明度" 0..255, opacity 255 - position
        std::string skinName;
    };

    std::function<void(const ColourShift&)> apply;
    std::function<void(const std::string& skinName)> chooseSkin;
    std::function<void(int opacity)> setOpacity;

    const State& state() const { return state_; }
    ColourShift shift() const;
    int opacity() const { return 255 - state_.opacityPosition; }

    // The dialog comes up with the current appearance; it is remembered for Cancel.
    void shown(const std::string& skinName, const ColourShift& shift, int opacity);
    // A slider moved: its box takes the value and the three boxes are applied at once.
    void setHuePosition(int position);
    void setSaturationPosition(int position);
    void setBrightnessPosition(int position);
    void setOpacityPosition(int position);
    // A cell of the grid: its skin is loaded. Then the sliders follow the loaded skin's own shift
    // and opacity (`followSkin`); what Cancel goes back to stays.
    void selectCell(int column, int row);
    void followSkin(const ColourShift& skinShift, int skinOpacity);
    // "确定": keeps what is shown. "取消": the shifts (and opacity) held when the dialog came up.
    // "复原": H = S = B = 0.
    void ok() {}
    void cancel();
    void reset();

  private:
    void setPositions(const ColourShift& shift);
    void applyNow();

    State state_;
    State atShow_;
};

} // namespace vantor::skin
