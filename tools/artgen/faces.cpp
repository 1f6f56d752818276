#include "faces.h"

#include "paint.h"

namespace artgen {

FaceArt drawFace(int index) {
    const Recipe recipe = index < 55   ? moodRecipe(index)
                          : index < 78 ? objectRecipe(index)
                          : index < 90 ? handRecipe(index)
                                       : sceneRecipe(index);
    FaceArt art;
    art.delayCs = recipe.delayCs;
    for (int frame = 0; frame < recipe.frames; ++frame) {
        QImage image = canvas(24, 24);
        QPainter p;
        begin(p, image);
        recipe.draw(p, frame);
        p.end();
        art.frames.push_back(shrink(image, 24, 24));
    }
    return art;
}

} // namespace artgen
