// The colours and small painting helpers shared by the main window and the conversation windows.
#pragma once

#include <QColor>
#include <QPainter>
#include <QRect>
#include <QString>

#include <cstdint>

namespace vantor::ui {

// A colour written the desktop's way, 0x00BBGGRR.
constexpr QColor fromBgr(uint32_t bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

namespace colour {
inline const QColor kItemText = fromBgr(0x4F4F4F);   // tree item texts
inline const QColor kSignature = fromBgr(0x8F8F8F);  // the signature beside a name
inline const QColor kSelOutline = fromBgr(0x524D41); // selected user: outline
inline const QColor kSelFill = fromBgr(0x6A6454);    // selected user: fill
inline const QColor kHoverUnderline = fromBgr(0xCFCFCF);
inline const QColor kShadow = fromBgr(0x525252);
inline const QColor kPanel{0xF4, 0xF7, 0xFA};  // the window body
inline const QColor kTopBar{0x2F, 0x6F, 0xB3}; // the skin's top bar, the default skin
inline const QColor kTopBarLight{0x5A, 0x9B, 0xD8};
inline const QColor kBadge{0xE5, 0x3B, 0x30};
} // namespace colour

// A rounded red badge with a white number, drawn with its left edge `offset` pixels right of `at`.
void drawBadge(QPainter& p, const QPoint& at, int offset, const QString& text);

// The skin's top bar: a vertical gradient of the default skin's blue.
void paintTopBar(QPainter& p, const QRect& r);

} // namespace vantor::ui
