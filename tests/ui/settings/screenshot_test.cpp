// Each page of the settings dialog, rendered on an X server of the test's own and kept as a picture
// in build/screenshots/ for people to look at; each picture is checked to be drawn, with the
// Chinese captions in real glyphs.
#include "../main/window_fixture.h"
#include "protocol/text.h"
#include "ui/kit/fonts.h"
#include "ui/settings/system_set_form.h"

#include <QDir>
#include <QGuiApplication>
#include <QToolButton>

#include <set>

namespace vantor::testing {
namespace {

int colours(const QImage& img) {
    std::set<QRgb> seen;
    for (int y = 0; y < img.height(); y += 2)
        for (int x = 0; x < img.width(); x += 2)
            seen.insert(img.pixel(x, y));
    return int(seen.size());
}

class SettingsScreenshotTest : public MainWindowTest {};

TEST_F(SettingsScreenshotTest, EveryPage) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
    ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
    protocol::UserDetail held;
    held.userId = 1001;
    held.company = protocol::toGbk("示例科技有限公司");
    held.office = protocol::toGbk("总经理办公室/经理");
    held.officePhone = "010-6000 1001";
    held.mail = "zhangwei@example.com";
    desktop->settingsForm().setOwnDetail(held);
    const struct {
        shell::SettingsPage page;
        const char* file;
    } pages[] = {{shell::SettingsPage::Net, "settings-net"},
                 {shell::SettingsPage::Status, "settings-status"},
                 {shell::SettingsPage::Userinfo, "settings-userinfo"},
                 {shell::SettingsPage::Other, "settings-other"},
                 {shell::SettingsPage::Password, "settings-password"}};
    QDir().mkpath(QStringLiteral(VANTOR_SCREENSHOT_DIR));
    for (const auto& p : pages) {
        desktop->openSettings(p.page);
        ui::TSystemSetForm* d = desktop->settingsDialog();
        ASSERT_TRUE(d);
        if (p.page == shell::SettingsPage::Password)
            d->findChild<QWidget*>(QStringLiteral("cb_CgPassword"))->setProperty("checked", true);
        drive([] { return false; }, 300);
        const QImage img = d->grab().toImage();
        const QString file = QStringLiteral(VANTOR_SCREENSHOT_DIR "/%1.png").arg(QLatin1String(p.file));
        EXPECT_TRUE(img.save(file)) << file.toStdString();
        EXPECT_GT(colours(img), 30) << p.file << ": looks blank";
        auto* side = d->findChild<QToolButton*>(QStringLiteral("Imgbtn_Net"));
        EXPECT_TRUE(ui::rendersText(side->font(), side->text()));
    }
    desktop->settingsDialog()->close();
}

} // namespace
} // namespace vantor::testing
