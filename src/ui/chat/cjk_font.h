// The installed family that stands in for the Chinese interface fonts ("宋体", "微软雅黑") on
// this system, and a face name as a message carries it turned into a font that renders.
#pragma once

#include <QFont>
#include <QString>

namespace vantor::ui::chatfont {

// A family that has the common CJK glyphs (Noto Sans CJK SC when installed).
QString cjkFamily();
// The family to draw a message's face name with: the Chinese system faces and families that are
// not installed map to cjkFamily().
QString familyFor(const QString& faceName);
// The system-line font: the CJK family at 9 points.
QFont systemFont();

} // namespace vantor::ui::chatfont
