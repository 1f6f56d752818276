// The built-in message sound: a short two-note chime of our own, as a WAV file (16-bit mono PCM).
#pragma once

#include <QByteArray>

namespace artgen {

QByteArray messageChime();

} // namespace artgen
