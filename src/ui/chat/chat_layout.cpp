#include "ui/chat/chat_layout.h"

#include "protocol/text.h"
#include "protocol/wire.h"
#include "ui/kit/fonts.h"

#include <algorithm>

namespace vantor::ui::chatlayout {

int toolbarX(int slot) {
    static constexpr int kFirst[] = {10, 61, 112, 163, 213};
    if (slot < 5) return kFirst[std::max(slot, 0)];
    return 213 + (slot - 4) * 50;
}

std::vector<ToolButton> toolbarFor(uint8_t kind, bool groupCreator, bool mayCreateGroups) {
    std::vector<ToolButton> out;
    auto add = [&](ChatTool tool, const char* hint) {
        out.push_back({tool, QString::fromUtf8(hint), toolbarX(int(out.size()))});
    };
    switch (kind) {
    case protocol::kOneToOne:
        if (mayCreateGroups) add(ChatTool::AddUser, "邀请并创建讨论组");
        add(ChatTool::SendFile, "发送文件");
        add(ChatTool::RemoteDesktop, "远程协助");
        add(ChatTool::Audio, "语音对话");
        add(ChatTool::Video, "视频对话");
        break;
    case protocol::kGroupConversation:
        if (groupCreator) {
            add(ChatTool::AddUser, "添加讨论组人员");
            add(ChatTool::SendFile, "群发文件");
            add(ChatTool::Dirhaven, "群文件共享");
            add(ChatTool::GroupSetup, "讨论组设置");
        } else {
            add(ChatTool::SendFile, "群发文件");
            add(ChatTool::Dirhaven, "群文件共享");
            add(ChatTool::ExitGroup, "退出讨论组");
        }
        break;
    default:
        add(ChatTool::SendFile, "发送文件");
        add(ChatTool::RemoteDesktop, "远程协助");
        add(ChatTool::Audio, "语音对话");
        add(ChatTool::Video, "视频对话");
        add(ChatTool::Reservation, "办事预约");
        break;
    }
    return out;
}

PanelSize panelSize(SidePanel panel, bool groupWindow) {
    switch (panel) {
    case SidePanel::UserInfo:
    case SidePanel::Remote:
    case SidePanel::Voice:
        return {590, 510, 158};
    case SidePanel::Transfers:
        return groupWindow ? PanelSize{640, 540, 199} : PanelSize{590, 510, 199};
    case SidePanel::Members:
        return {640, 540, 199};
    case SidePanel::Video:
        return {729, 510, 337};
    }
    return {590, 510, 158};
}

bool isPictureFile(const QString& path) {
    const QString lower = path.toLower();
    for (const char* ext : {".gif", ".jpg", ".jpeg", ".bmp"})
        if (lower.endsWith(QLatin1String(ext))) return true;
    return false;
}

bool overInputArea(QPoint cursor, const QRect& window, int displayWidth, int inputHeight) {
    const int left = window.left(), bottom = window.top() + window.height();
    return cursor.x() >= left + 5 && cursor.x() <= left + displayWidth + 5 &&
           cursor.y() >= bottom - inputHeight - 25 && cursor.y() <= bottom - 19;
}

QPoint newWindowPosition(const std::vector<QRect>& existing, QPoint first) {
    if (existing.empty()) return first;
    const auto lowest = std::max_element(existing.begin(), existing.end(),
                                         [](const QRect& a, const QRect& b) { return a.top() < b.top(); });
    return lowest->topLeft() + QPoint(kNewWindowStep, kNewWindowStep);
}

QColor colourOf(uint32_t rgb) {
    return QColor(int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int((rgb >> 16) & 0xFF));
}

uint32_t windowsRgbOf(const QColor& c) {
    return uint32_t(c.red()) | uint32_t(c.green()) << 8 | uint32_t(c.blue()) << 16;
}

conversation::ChatFont chatFontOf(const QFont& font, const QColor& colour) {
    conversation::ChatFont f;
    const std::string face = protocol::toGbk(font.family().toStdString());
    f.name = face.substr(0, wire::gbkCutLength(face, 20));
    f.color = windowsRgbOf(colour);
    f.size = uint32_t(std::clamp(font.pointSize() > 0 ? font.pointSize() : 9, 1, 72));
    f.bold = font.bold();
    f.italic = font.italic();
    f.underline = font.underline();
    f.strikeOut = font.strikeOut();
    return f;
}

QFont qfontOf(const conversation::ChatFont& f) {
    QFont font(messageFamily(QString::fromStdString(protocol::fromGbk(f.name))));
    // A peer's size is untrusted: keep it readable (0, no size at all, is the default 9).
    font.setPointSize(f.size == 0 ? 9 : int(std::clamp<uint32_t>(f.size, 6, 36)));
    font.setBold(f.bold);
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeOut);
    return font;
}

conversation::ChatFont chatFontOf(const settings::FontSpec& s) {
    return {s.face, s.colour, uint32_t(std::clamp(s.size, 1, 72)), s.bold, s.italic, s.underline, s.strike};
}

settings::FontSpec fontSpecOf(const conversation::ChatFont& f) {
    settings::FontSpec s;
    s.face = f.name;
    s.colour = f.color;
    s.size = int(f.size);
    s.bold = f.bold;
    s.italic = f.italic;
    s.underline = f.underline;
    s.strike = f.strikeOut;
    return s;
}

conversation::ChatFont defaultChatFont() {
    return {protocol::toGbk("宋体"), 0, 9, false, false, false, false};
}

} // namespace vantor::ui::chatlayout
