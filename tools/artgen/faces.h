// The 105 face pictures, drawn from recipes: the moods (faces_moods.cpp), the objects
// (faces_objects.cpp), the hand signs (faces_hands.cpp) and the small scenes (faces_scenes.cpp).
#pragma once

#include <QImage>
#include <QPainter>

#include <functional>
#include <vector>

namespace artgen {

// How to draw one face: frame count, time per frame (1/100 s) and the drawing of frame n on the
// 24-unit grid.
struct Recipe {
    int frames = 1;
    int delayCs = 0;
    std::function<void(QPainter&, int frame)> draw;
};

Recipe moodRecipe(int index);   // faces 0-54
Recipe sceneRecipe(int index);  // faces 90-104
Recipe objectRecipe(int index); // faces 55-77
Recipe handRecipe(int index);   // faces 78-89

struct FaceArt {
    std::vector<QImage> frames; // 24 × 24 each
    int delayCs = 0;
};

FaceArt drawFace(int index);

} // namespace artgen
