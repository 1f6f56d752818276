// TfrmColor: the skin dialog under the main window's skin button. A grid of the eight skins, the
// hue, saturation and brightness sliders with their boxes, the opacity slider and OK, Cancel and
// Reset, forwarded to skin::ColourDialog over the current Appearance. Borderless and on top, it goes
// away when it loses the focus; whenever it hides (except while the client shuts down) `saved` is
// called to keep the appearance.
#pragma once

#include "skin/appearance.h"
#include "skin/colour_dialog.h"

#include <QWidget>

#include <functional>

class QLineEdit;
class QSlider;

namespace vantor::ui {

class SkinGrid;

class TfrmColor : public QWidget {
    Q_OBJECT
  public:
    explicit TfrmColor(skin::Appearance& appearance, QWidget* parent = nullptr);

    // Shows the dialog below `button`, its right edge 2 pixels inside `mainFrame`'s right edge.
    void openBelow(const QWidget* button, const QRect& mainFrame);
    // Saves the appearance when the dialog hides (the skin file overlay, SkinName).
    std::function<void()> saved;
    // Set while the client shuts down: hiding then saves nothing.
    bool shuttingDown = false;

    skin::ColourDialog& rules() { return rules_; }
    QSlider* hueSlider() const { return hue_; }
    QSlider* saturationSlider() const { return saturation_; }
    QSlider* brightnessSlider() const { return brightness_; }
    QSlider* opacitySlider() const { return opacity_; }
    QLineEdit* hueBox() const { return hueBox_; }
    // A cell of the grid clicked (as the mouse would).
    void clickCell(int column, int row);
    void okClick();
    void cancelClick();
    void resetClick();

  protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

  private:
    void syncControls();

    skin::Appearance& appearance_;
    skin::ColourDialog rules_;
    SkinGrid* grid_ = nullptr;
    QSlider* hue_ = nullptr;
    QSlider* saturation_ = nullptr;
    QSlider* brightness_ = nullptr;
    QSlider* opacity_ = nullptr;
    QLineEdit* hueBox_ = nullptr;
    QLineEdit* saturationBox_ = nullptr;
    QLineEdit* brightnessBox_ = nullptr;
    bool syncing_ = false;
};

} // namespace vantor::ui
