#include "platform/program_folder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vantor::platform {
namespace {

// A tree with a program folder usr/bin and the installed data folder usr/share/vantor beside it.
TEST(ProgramDataFolder, BuildFolderFirstThenTheInstalledDataThenTheProgramFolder) {
    struct Case {
        const char* name;
        bool markerInBin;
        bool markerIsFolder; // bin/KZQ.Dat is a folder, not the file
        bool markerInShare;
        const char* expected; // relative to the tree
    } cases[] = {
        {"build folder", true, false, false, "usr/bin"},
        {"build folder beside an installation", true, false, true, "usr/bin"},
        {"installed", false, false, true, "usr/share/vantor"},
        {"a folder named like the file", false, true, true, "usr/share/vantor"},
        {"nothing anywhere", false, false, false, "usr/bin"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir tree;
        ASSERT_TRUE(tree.isValid());
        const QDir root(tree.path());
        ASSERT_TRUE(root.mkpath("usr/bin") && root.mkpath("usr/share/vantor"));
        auto touch = [&](const QString& rel) {
            QFile f(root.filePath(rel));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("[Version]\r\n");
        };
        if (c.markerInBin) touch("usr/bin/KZQ.Dat");
        if (c.markerIsFolder) {
            ASSERT_TRUE(root.mkpath("usr/bin/KZQ.Dat"));
        }
        if (c.markerInShare) touch("usr/share/vantor/KZQ.Dat");
        EXPECT_EQ(programDataFolder(root.filePath("usr/bin")).toStdString(),
                  QDir(root.filePath(c.expected)).absolutePath().toStdString());
        // A trailing '/' on the program folder changes nothing.
        EXPECT_EQ(programDataFolder(root.filePath("usr/bin") + "/").toStdString(),
                  QDir(root.filePath(c.expected)).absolutePath().toStdString());
    }
}

} // namespace
} // namespace vantor::platform
