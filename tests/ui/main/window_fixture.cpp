#include "window_fixture.h"

#include "directory/tree_model.h"
#include "settings/profile_file.h"
#include "ui/main/org_tree.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

namespace vantor::testing {

void MainWindowTest::TearDown() {
    if (desktop && HasFailure())
        std::fprintf(stderr, "  last message: %s / balloon: %s %s\n",
                     qPrintable(window().shown().messageText), qPrintable(window().shown().balloonTitle),
                     qPrintable(window().shown().balloonText));
    desktop.reset();
    ClientTest::TearDown();
}

void MainWindowTest::startDesktop(const std::string& argument, bool host, uint16_t port) {
    folder = dir_.filePath(QStringLiteral("desktop"));
    QDir().mkpath(folder + QStringLiteral("/program/SysImages"));
    QDir().mkpath(folder + QStringLiteral("/Documents/KZQ"));
    // The built-in pictures drawn at build time, when they are there.
    for (const char* picture : {"DefaultHead.bmp", "DefaultGroup.bmp"})
        QFile::copy(QStringLiteral(VANTOR_BIN_DIR "/SysImages/") + QLatin1String(picture),
                    folder + QStringLiteral("/program/SysImages/") + QLatin1String(picture));
    settings::ProfileFile machine((folder + QStringLiteral("/Documents/KZQ/IM.Dat")).toStdString());
    machine.writeString("Login", "HostName", host ? "127.0.0.1" : "");
    machine.writeInteger("Login", "ServerPort", port ? port : server().port());
    ui::DesktopOptions o;
    o.programFolder = folder + QStringLiteral("/program");
    o.documentsFolder = folder + QStringLiteral("/Documents");
    o.clock = &clock_;
    o.launcher = &launcher;
    o.sound = &sound;
    o.notifier = notifier;
    o.hotKeys = hotKeys;
    o.compositing = compositing;
    o.machineId = [] { return std::string("020000000009"); };
    o.localAddress = [] { return std::string("127.0.0.1"); };
    o.quit = [] {};
    desktop = std::make_unique<ui::Desktop>(std::move(o));
    desktop->setConversationWindows(&windows);
    window().linkOpener = [this](const QUrl& url) { links.push_back(url); };
    desktop->start(protocol::toGbk(argument));
}

bool MainWindowTest::seen(const char* name) {
    QWidget* w = window().findChild<QWidget*>(QLatin1String(name));
    return w && window().isVisible() && w->isVisibleTo(&window());
}

bool MainWindowTest::signInPanelShown() {
    return seen("SignInPanel") && seen("btn_Login");
}

bool MainWindowTest::signInFromPanel(const QString& account, const QString& password) {
    if (!drive([&] { return signInPanelShown(); })) return false;
    find<QLineEdit>("Edt_UserName")->setText(account);
    find<QLineEdit>("Edt_Password")->setText(password);
    find<QPushButton>("btn_Login")->click();
    return drive([&] { return messenger().SignedIn(); });
}

QString MainWindowTest::userRow(uint32_t id) {
    auto& tree = desktop->client().directory().tree();
    return tree.indexOfUser(id).data().toString();
}

QString MainWindowTest::departmentRow(uint32_t id) {
    auto& tree = desktop->client().directory().tree();
    return tree.indexOfDepartment(id).data().toString();
}

void MainWindowTest::deliver(protocol::Cmd code, const std::string& body) {
    messenger().dispatcher().dispatch({uint8_t(code), body});
}

} // namespace vantor::testing
