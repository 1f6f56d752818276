// The office services through the desktop client put together, against the reference server in
// attendance mode with service points: the work-state button opens the attendance window, and the
// group list's service entries open service conversations with their staff member.
#include "../../client/services_fixture.h"
#include "ui/chat/chat_windows.h"
#include "ui/chat/display_box.h"
#include "ui/lists/user_list_box.h"
#include "ui/services/attendance_form.h"
#include "ui/services/service_windows.h"
#include "window_fixture.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QToolButton>

namespace vantor::testing {
namespace {

class ServicesDesktopTest : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        // The sample organisation's server gives way to one with the office services.
        server_.reset();
        now_ = at(9, 0);
        std::string error;
        const QString folder = dir_.filePath(QStringLiteral("services"));
        QDir().mkpath(folder);
        server_ = startServicesServer(folder, now_, &error);
        ASSERT_TRUE(server_) << error;
    }
    std::atomic<double> now_{0};
};

TEST_F(ServicesDesktopTest, TheWorkStateButtonOpensAttendanceAndTheGroupListOpensAServiceConversation) {
    startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
    ASSERT_TRUE(desktop->serviceWindows()) << "built without the service windows";
    ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
    desktop->setConversationWindows(nullptr);
    window().show();
    ASSERT_TRUE(drive([&] {
        return server().call(
            [](server::Server& s) { return s.office()->attendanceOn(1001, at(9, 0)).signedIn; });
    }));

    // Attendance mode: the work-state button is there and opens "员工考勤", not the menu.
    ASSERT_TRUE(seen("Img_LCDbtn"));
    find<QToolButton>("Img_LCDbtn")->click();
    ui::TfrmAttence* attendance = desktop->serviceWindows()->attendance();
    ASSERT_TRUE(attendance);
    EXPECT_TRUE(attendance->isVisible());
    EXPECT_EQ(attendance->windowTitle(), QStringLiteral("员工考勤"));
    ASSERT_TRUE(drive([&] { return attendance->signButton()->isEnabled(); }));
    EXPECT_EQ(attendance->signButton()->text(), QStringLiteral("签 退"));
    attendance->close();

    // The group list: "客服中心" after the discussion groups; its entry opens the conversation.
    auto* groups = find<ui::TUserListBox>("UserListGroups");
    ASSERT_EQ(groups->list().sectionCount(), 3);
    TestClient& staff = signIn("mali", "mali123"); // 1013, of the tax desk
    ASSERT_TRUE(groups->onActivate);
    groups->onActivate(QString::fromStdString(kTaxDesk.toString()));
    ui::TfrmChatForm* form = nullptr;
    ASSERT_TRUE(drive([&] {
        for (const auto& c : desktop->client().conversations().all())
            if (c->key.groupId == kTaxDesk) form = desktop->chatWindows()->existing(c->id);
        return form && form->display()->toPlainText().contains(QStringLiteral("税务咨询欢迎您"));
    }));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("税务咨询"));
    EXPECT_FALSE(form->input()->isReadOnly());
    form->input()->insertPlainText(QStringLiteral("请问发票怎么开？"));
    form->sendClick();
    ASSERT_TRUE(drive([&] { return staff.received().size() == 1; }));
    EXPECT_EQ(staff.received().back(), "请问发票怎么开？");
}

} // namespace
} // namespace vantor::testing
