// The built-in pictures besides the faces: the loading and error placeholders for conversation
// pictures, the default head and group pictures, and the face page of the face picker.
#pragma once

#include <QImage>

#include <vector>

namespace artgen {

std::vector<QImage> loadingFrames(); // 32 × 32, animated
QImage errorPicture();               // 32 × 32
QImage defaultHead();                // 40 × 40, opaque
QImage defaultGroup();               // 40 × 40, opaque
// 15 × 7 cells of 30 × 29 pixels with each face's first frame centred; opaque.
QImage facePage(const std::vector<QImage>& faces);

} // namespace artgen
