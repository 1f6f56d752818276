// The current appearance of the client: the active skin's seven pictures (kept unshifted, with the
// shifted copies the windows draw), its colours and the main window's opacity. `loadSkin` reads a
// skin folder of the program and its Skin.ini with the account's own overlay; `applyShift` makes new
// shifted copies from the unshifted pictures; `save` writes the overlay. Windows listen to
// `changed`.
#pragma once

#include "skin/colour_shift.h"

#include <QColor>
#include <QImage>
#include <QObject>

#include <array>
#include <optional>
#include <string>

namespace vantor::skin {

enum class SkinPicture {
    MainTopPic, // MainTop_Pic.png
    MainTopBg,  // MainTop_bg.png
    TopPic,     // Top_Pic.png
    TopBg,      // Top_bg.png
    BottomPic,  // Bottom_Pic.png, else Bottom_Bg.png
    BottomBg,   // Bottom_Bg.png
    BottomBar,  // Bottom_bar.png
};
inline constexpr int kSkinPictureCount = 7;
// The file of a picture in a skin folder.
const char* skinPictureFile(SkinPicture p);

class Appearance : public QObject {
    Q_OBJECT
  public:
    // `programFolder` holds Skin/<name>/ and the thumbnails Skin/1.jpg … 8.jpg.
    explicit Appearance(const std::string& programFolder, QObject* parent = nullptr);

    // Where this account keeps its own Skin.ini values (its data folder); empty: nothing is saved.
    void setAccountFolder(const std::string& accountFolder) { accountFolder_ = accountFolder; }

    // LoadSkin: a name that is not a plain folder name loads the default skin. Pictures that are
    // missing stay empty. Emits changed and opacityChanged.
    void loadSkin(const std::string& name);
    // ApplyShift: new shifted copies from the unshifted pictures. Emits changed.
    void applyShift(const ColourShift& shift);
    void setOpacity(int opacity);
    // Writes H, S, B, ALphaBlend, Name and Memo into the account's overlay of the current skin.
    // False (and nothing written) without an account folder or when the file cannot be written.
    bool save() const;

    const std::string& skinName() const { return skinName_; }
    ColourShift shift() const { return shift_; }
    int opacity() const { return opacity_; }
    const QImage& picture(SkinPicture p) const { return shifted_[size_t(p)]; }
    const QImage& unshifted(SkinPicture p) const { return original_[size_t(p)]; }
    QColor nameColour() const { return name_; }
    QColor memoColour() const { return memo_; }
    QColor borderColour() const { return border_; }
    // The window colour of the skin; none when the skin leaves the windows their own colour.
    std::optional<QColor> windowColour() const { return formBg_; }
    // The dialog's thumbnail of skin n (1…8); empty when missing.
    QImage thumbnail(int n) const;

    // The Skin.ini files read for a skin: the program's and the account's overlay.
    std::string programSkinFile(const std::string& name) const;
    std::string overlaySkinFile(const std::string& name) const;

  signals:
    void changed();
    void opacityChanged(int opacity);

  private:
    std::string program_;
    std::string accountFolder_;
    std::string skinName_;
    ColourShift shift_;
    int opacity_ = 255;
    QColor name_, memo_, border_;
    std::optional<QColor> formBg_;
    std::array<QImage, kSkinPictureCount> original_;
    std::array<QImage, kSkinPictureCount> shifted_;
};

// The shifted copy of one picture (ARGB32, alpha kept).
QImage shiftedImage(const QImage& original, const ColourShift& shift);

} // namespace vantor::skin
