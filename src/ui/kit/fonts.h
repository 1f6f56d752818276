// The fonts the windows name: "微软雅黑" (the sans-serif text face) and "宋体" (the serif one) become
// an installed CJK family, so that no Chinese text renders as empty boxes.
#pragma once

#include <QFont>
#include <QString>

namespace vantor::ui {

// The installed family that stands for a face the windows name; other names come back unchanged.
// An empty result means no CJK family is installed at all.
QString cjkFamily(const QString& windowsFace);
// "微软雅黑" at this pixel size.
QFont textFont(int pixelSize = 12);
// Makes the application's fonts follow the mapping (QFont("微软雅黑") and QFont("宋体") find the
// CJK families) and sets the default text font.
void installFonts();
// The family to draw a message's font name with: the Chinese system faces become the installed
// CJK families, a family installed here stays itself, anything else becomes the CJK text family.
QString messageFamily(const QString& faceName);
// The font of the conversation windows' system lines and labels: the CJK text face at 9 points.
QFont systemLineFont();
// Whether every character of `text` has a glyph in `font` (no fallback boxes).
bool rendersText(const QFont& font, const QString& text);

inline const QString kYaHei = QStringLiteral("微软雅黑");
inline const QString kSongTi = QStringLiteral("宋体");

} // namespace vantor::ui
