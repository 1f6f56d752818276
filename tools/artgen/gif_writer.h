// Writes frames as a GIF file with giflib: one shared palette of up to 255 colours (median cut when
// the frames hold more), index 255 transparent, and a looping animation when there are several
// frames. Partly transparent pixels are laid over white, the background of the conversation boxes.
#pragma once

#include <QImage>
#include <QString>

#include <vector>

namespace artgen {

// `delayCs` is the time each frame shows, in hundredths of a second. Returns false with `error` set
// when the file cannot be written.
bool writeGif(const QString& path, const std::vector<QImage>& frames, int delayCs, QString* error);

} // namespace artgen
