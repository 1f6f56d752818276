// The geometry and small rules of a conversation window that do not need its widgets: the toolbar
// of each conversation kind, the side panels' sizes, where dropped files go, where a new window
// opens, and the font of the input box in its three forms (Qt, chat record, settings text).
#pragma once

#include "conversation/chat_ports.h"
#include "settings/font_text.h"
#include "ui/chat/chat_services.h"

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace vantor::ui::chatlayout {

struct ToolButton {
    ChatTool tool;
    QString hint;
    int x = 0;
};

// The x of the toolbar's n-th button: 10, 61, 112, 163, 213, then every 50 pixels.
int toolbarX(int slot);
// The buttons of a window's toolbar from the left.
std::vector<ToolButton> toolbarFor(uint8_t kind, bool groupCreator, bool mayCreateGroups);

enum class SidePanel { UserInfo = 1, Transfers, Members, Remote, Voice, Video };
struct PanelSize {
    int width = 0, height = 0; // the window
    int side = 0;              // the width the panel takes from the conversation area
};
PanelSize panelSize(SidePanel panel, bool groupWindow);

inline constexpr int kUserInfoWidth = 152;
inline constexpr int kFontBarHeight = 28;
inline constexpr int kHeadSize = 34;
inline constexpr int kAlertMs = 15000;
inline constexpr int kNewWindowStep = 20;

// ".gif", ".jpg", ".jpeg" or ".bmp" in any letter case.
bool isPictureFile(const QString& path);
// Whether a drop at `cursor` (screen coordinates) is over the input area of a window with frame
// `window`: x from the window's left + 5 to left + display width + 5, y from the window's bottom −
// input height − 25 to its bottom − 19.
bool overInputArea(QPoint cursor, const QRect& window, int displayWidth, int inputHeight);

// A new window opens 20 pixels right of and below the existing window with the largest top; at
// `first` when there is none.
QPoint newWindowPosition(const std::vector<QRect>& existing, QPoint first);

// Windows RGB values (0x00BBGGRR).
QColor colourOf(uint32_t windowsRgb);
uint32_t windowsRgbOf(const QColor& colour);

// The input box's font as a message record carries it (face cut to 20 bytes of GBK).
conversation::ChatFont chatFontOf(const QFont& font, const QColor& colour);
// A message's font as the display draws it.
QFont qfontOf(const conversation::ChatFont& font);
conversation::ChatFont chatFontOf(const settings::FontSpec& font);
settings::FontSpec fontSpecOf(const conversation::ChatFont& font);

// The default input font: the system face at 9 points, black.
conversation::ChatFont defaultChatFont();

} // namespace vantor::ui::chatlayout
