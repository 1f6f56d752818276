// Every dialog speaks Chinese: Qt's own texts (message box buttons, the file dialog, the input
// box's edit menu) come from Qt's Chinese translations once the client installs them, and file
// dialogs start in Documents or the folder last used. On an X server of the test's own, through
// the assembled desktop; the pictures stay in build/screenshots/ for people to look at.
#include "../main/window_fixture.h"
#include "ui/chat/chat_windows.h"
#include "ui/kit/dialogs.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeView>
#include <gtest/gtest.h>

namespace vantor::testing {
namespace {

constexpr uint32_t kWang = 1002;

// Texts of a window that a person reads, with file patterns ("*.gif") and paths left out.
QStringList englishTexts(QWidget* root) {
    QStringList texts;
    auto add = [&](const QString& t) {
        if (!t.isEmpty()) texts << t;
    };
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(root)) continue;
        add(w->toolTip());
        if (auto* b = qobject_cast<QAbstractButton*>(w)) add(b->text());
        if (auto* l = qobject_cast<QLabel*>(w)) add(l->text());
        if (auto* c = qobject_cast<QComboBox*>(w); c && c->objectName() != QLatin1String("lookInCombo"))
            for (int i = 0; i < c->count(); ++i)
                add(c->itemText(i));
        if (auto* h = qobject_cast<QHeaderView*>(w); h && h->model())
            for (int i = 0; i < h->count(); ++i)
                if (!h->isSectionHidden(i)) add(h->model()->headerData(i, h->orientation()).toString());
    }
    // Key names of shortcuts ("Ctrl+Z", after the tab) are the keyboard's, not a language.
    if (auto* menu = qobject_cast<QMenu*>(root))
        for (QAction* a : menu->actions())
            add(a->text().section(QLatin1Char('\t'), 0, 0));
    static const QRegularExpression pattern(QStringLiteral(R"(\*\.\w+|/\S*|&)"));
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{2,}"));
    QStringList english;
    for (QString t : texts) {
        t.remove(pattern);
        if (t.contains(word)) english << t;
    }
    return english;
}

void keep(QWidget* w, const char* name) {
    QDir().mkpath(QStringLiteral(VANTOR_SCREENSHOT_DIR));
    w->grab().save(QStringLiteral(VANTOR_SCREENSHOT_DIR "/") + QLatin1String(name));
}

bool settle(const std::function<bool()>& done, int ms = 3000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

class ChineseDialogsTest : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        if (!ui::installChineseTranslations()) {
            if (qEnvironmentVariable("CI") == QLatin1String("true"))
                FAIL() << "Qt's Chinese translations are missing (qt6-translations-l10n)";
            GTEST_SKIP() << "QT'S CHINESE TRANSLATIONS MISSING (qt6-translations-l10n), NOT TESTED";
        }
    }
};

TEST_F(ChineseDialogsTest, MessageBoxFileDialogAndInputMenuCarryNoEnglish) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("提示"),
                    QStringLiteral("有 1 个文件传输任务还未结束，确定要关闭吗！"),
                    QMessageBox::Ok | QMessageBox::Cancel);
    box.show();
    settle([&] { return box.isVisible(); });
    EXPECT_EQ(box.button(QMessageBox::Ok)->text().remove(QLatin1Char('&')).left(2), QStringLiteral("确定"));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text().remove(QLatin1Char('&')).left(2),
              QStringLiteral("取消"));
    EXPECT_EQ(englishTexts(&box), QStringList());
    keep(&box, "dialog-message-box.png");
    box.close();

    QFileDialog files(nullptr, QStringLiteral("发送图片"), ui::dialogFolder(),
                      QStringLiteral("图片 (*.gif *.jpg *.jpeg *.bmp *.png)"));
    files.setOption(QFileDialog::DontUseNativeDialog);
    files.resize(640, 420);
    files.show();
    settle([&] { return files.isVisible(); }, 1000);
    EXPECT_EQ(englishTexts(&files), QStringList());
    keep(&files, "dialog-file.png");
    files.close();

    startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
    desktop->setConversationWindows(nullptr);
    ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
    desktop->chatWindows()->openWith(kWang);
    ui::TfrmChatForm* form = nullptr;
    for (const auto& c : desktop->client().conversations().all())
        form = desktop->chatWindows()->existing(c->id);
    ASSERT_NE(form, nullptr);
    std::unique_ptr<QMenu> menu(form->input()->createStandardContextMenu());
    menu->popup(form->input()->mapToGlobal(QPoint(20, 20)));
    settle([&] { return menu->isVisible(); }, 1000);
    EXPECT_GE(menu->actions().size(), 5);
    EXPECT_EQ(englishTexts(menu.get()), QStringList());
    keep(menu.get(), "dialog-input-menu.png");
}

TEST(DialogFolder, DocumentsFirstThenTheFolderLastUsed) {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString expected = QFileInfo(documents).isDir() ? documents : QDir::homePath();
    EXPECT_EQ(ui::dialogFolder(), expected) << "not the program's working folder";
    QTemporaryDir elsewhere;
    ui::rememberDialogFolder(elsewhere.filePath(QStringLiteral("截图.jpg")));
    EXPECT_EQ(ui::dialogFolder(), QFileInfo(elsewhere.path()).absoluteFilePath());
    EXPECT_EQ(ui::inDialogFolder(QStringLiteral("王芳.html")),
              QDir(elsewhere.path()).filePath(QStringLiteral("王芳.html")));
    EXPECT_EQ(ui::inDialogFolder(QStringLiteral("/srv/a.txt")), QStringLiteral("/srv/a.txt"));
    ui::rememberDialogFolder(elsewhere.filePath(QStringLiteral("gone/b.jpg"))); // no such folder: kept
    EXPECT_EQ(ui::dialogFolder(), QFileInfo(elsewhere.path()).absoluteFilePath());
}

} // namespace
} // namespace vantor::testing
