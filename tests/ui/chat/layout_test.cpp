// The window's rules without widgets: toolbars by kind, the drop area, placement, panel sizes and
// the font in its three forms.
#include "protocol/text.h"
#include "ui/chat/chat_layout.h"

#include <gtest/gtest.h>

namespace {

using namespace vantor::ui;
using namespace vantor::ui::chatlayout;

TEST(ChatLayout, ToolbarsByKind) {
    struct Case {
        uint8_t kind;
        bool creator, mayCreate;
        std::vector<ChatTool> tools;
    } cases[] = {
        {0,
         false,
         true,
         {ChatTool::AddUser, ChatTool::SendFile, ChatTool::RemoteDesktop, ChatTool::Audio, ChatTool::Video}},
        {0, false, false, {ChatTool::SendFile, ChatTool::RemoteDesktop, ChatTool::Audio, ChatTool::Video}},
        {1, true, false, {ChatTool::AddUser, ChatTool::SendFile, ChatTool::Dirhaven, ChatTool::GroupSetup}},
        {1, false, true, {ChatTool::SendFile, ChatTool::Dirhaven, ChatTool::ExitGroup}},
        {2,
         false,
         true,
         {ChatTool::SendFile, ChatTool::RemoteDesktop, ChatTool::Audio, ChatTool::Video,
          ChatTool::Reservation}},
    };
    const int xs[] = {10, 61, 112, 163, 213};
    for (const Case& c : cases) {
        const auto buttons = toolbarFor(c.kind, c.creator, c.mayCreate);
        ASSERT_EQ(buttons.size(), c.tools.size()) << int(c.kind);
        for (size_t i = 0; i < buttons.size(); ++i) {
            EXPECT_EQ(buttons[i].tool, c.tools[i]);
            EXPECT_EQ(buttons[i].x, xs[i]) << "the last step is 50 pixels";
            EXPECT_FALSE(buttons[i].hint.isEmpty());
        }
    }
    EXPECT_EQ(toolbarFor(0, false, true)[0].hint, QStringLiteral("邀请并创建讨论组"));
    EXPECT_EQ(toolbarFor(1, true, false)[0].hint, QStringLiteral("添加讨论组人员"));
    EXPECT_EQ(toolbarFor(1, true, false)[1].hint, QStringLiteral("群发文件"));
}

TEST(ChatLayout, DropAreaIsTheInputBoxBand) {
    const QRect window(100, 50, 590, 510); // bottom edge at y = 560
    const int display = 400, input = 100;
    struct Case {
        QPoint at;
        bool over;
    } cases[] = {
        {{105, 500}, true}, {{104, 500}, false}, {{505, 500}, true}, {{506, 500}, false},
        {{200, 435}, true}, {{200, 434}, false}, {{200, 541}, true}, {{200, 542}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(overInputArea(c.at, window, display, input), c.over) << c.at.x() << "," << c.at.y();
    for (const char* name : {"a.GIF", "b.jpg", "c.Jpeg", "d.BMP"})
        EXPECT_TRUE(isPictureFile(QString::fromLatin1(name))) << name;
    for (const char* name : {"a.png", "b.jpg.txt", "gif", "c.jpe"})
        EXPECT_FALSE(isPictureFile(QString::fromLatin1(name))) << name;
}

TEST(ChatLayout, NewWindowsAndPanels) {
    EXPECT_EQ(newWindowPosition({}, {5, 6}), QPoint(5, 6));
    EXPECT_EQ(newWindowPosition({QRect(10, 300, 50, 50), QRect(400, 20, 50, 50)}, {}), QPoint(30, 320));
    struct Case {
        SidePanel panel;
        bool group;
        int w, h, side;
    } cases[] = {
        {SidePanel::UserInfo, false, 590, 510, 158}, {SidePanel::Transfers, false, 590, 510, 199},
        {SidePanel::Transfers, true, 640, 540, 199}, {SidePanel::Members, true, 640, 540, 199},
        {SidePanel::Remote, false, 590, 510, 158},   {SidePanel::Voice, false, 590, 510, 158},
        {SidePanel::Video, false, 729, 510, 337},
    };
    for (const Case& c : cases) {
        const PanelSize s = panelSize(c.panel, c.group);
        EXPECT_EQ(s.width, c.w);
        EXPECT_EQ(s.height, c.h);
        EXPECT_EQ(s.side, c.side);
    }
}

TEST(ChatLayout, FontsBetweenQtRecordsAndSettings) {
    EXPECT_EQ(windowsRgbOf(QColor(0x12, 0x34, 0x56)), 0x563412u);
    EXPECT_EQ(colourOf(0x563412u), QColor(0x12, 0x34, 0x56));

    QFont qt(QStringLiteral("一二三四五六七八九十一二"), 12);
    qt.setItalic(true);
    const vantor::conversation::ChatFont f = chatFontOf(qt, Qt::red);
    EXPECT_EQ(f.name.size(), 20u) << "the face is cut to 20 bytes without splitting a character";
    EXPECT_EQ(f.size, 12u);
    EXPECT_TRUE(f.italic);
    EXPECT_EQ(f.color, 0x0000FFu);

    vantor::conversation::ChatFont huge{vantor::protocol::toGbk("宋体"), 0, 4000, true};
    EXPECT_LE(qfontOf(huge).pointSize(), 36) << "a peer's font size is bounded";
    const auto fontSpec = fontSpecOf(huge);
    EXPECT_EQ(chatFontOf(fontSpec).name, huge.name);
    EXPECT_TRUE(chatFontOf(fontSpec).bold);
}

} // namespace
