// The eight skins of the skin dialog, our own: each a palette and a motif (waves, leaves, hills,
// sun rays, stars, petals, lines, rings) drawn over gradients into the seven bar pictures, its
// Skin.ini and its 24 × 24 thumbnail.
#pragma once

#include <QByteArray>
#include <QImage>

namespace artgen {

inline constexpr int kSkinCount = 8;

struct SkinArt {
    QImage mainTopPic; // MainTop_Pic.png, at the top bar's right
    QImage mainTopBg;  // MainTop_bg.png, stretched over the top bar
    QImage topPic;     // Top_Pic.png, at a conversation window's top right
    QImage topBg;      // Top_bg.png
    QImage bottomPic;  // Bottom_Pic.png, at the bottom bar's right
    QImage bottomBg;   // Bottom_Bg.png
    QImage bottomBar;  // Bottom_bar.png, a conversation window's send row
    QImage thumbnail;  // Skin/<n>.jpg
    QByteArray ini;    // Skin.ini
};

// Skin n, 1…8.
SkinArt drawSkin(int n);

} // namespace artgen
