// The fixed table of 105 faces (emoticons): each has an index, a code beginning "/~" that stands
// for it in plain text, a display name, and a picture "<index>.gif" in the program's Face folder.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace vantor::conversation {

inline constexpr int kFaceCount = 105;

// The face page: a 15 × 7 grid of 30 × 29 pixel cells, face y × 15 + x in column x, row y.
inline constexpr int kFacePageColumns = 15;
inline constexpr int kFacePageRows = 7;
inline constexpr int kFaceCellWidth = 30;
inline constexpr int kFaceCellHeight = 29;
inline constexpr int kFacePictureSize = 24; // each face picture is 24 × 24

struct Face {
    int index = 0;
    std::string_view code;     // "/~wx"; ASCII, the same in GBK
    std::string_view nameUtf8; // "笑脸"
};

// All faces in index order (the order in which plain text is searched for codes).
std::span<const Face> faceTable();

bool isFaceIndex(int index);
// The code of a face; empty for an index outside 0..104.
std::string_view faceCode(int index);
// The display name in GBK bytes; empty for an index outside 0..104.
const std::string& faceNameGbk(int index);
// The index whose code is exactly `code`; -1 when none.
int faceIndexOfCode(std::string_view code);
// "17.gif"; empty for an index outside 0..104.
std::string faceFileName(int index);
// The face under a point of the face page (pixel coordinates from its top left); -1 outside the
// grid and for the cells after the last face.
int faceAtPagePoint(int x, int y);

} // namespace vantor::conversation
