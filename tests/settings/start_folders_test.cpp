// Folder layout and the start-up steps that create folders and seed files.
#include "settings/folder_layout.h"
#include "settings/profile_file.h"
#include "settings/start_folders.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace vantor::settings {
namespace {

using test::fileBytes;
using test::fileExists;
using test::putFile;
using test::TempDir;
namespace fs = std::filesystem;

TEST(FolderLayout, Paths) {
    const FolderLayout layout("/opt/kzq", "/home/u/Documents/");
    struct Case {
        std::string actual;
        const char* expected;
    };
    const Case cases[] = {
        {layout.programFolder(), "/opt/kzq/"},
        {layout.documentsFolder(), "/home/u/Documents"},
        {layout.productFile(), "/opt/kzq/KZQ.Dat"},
        {layout.templateMachineFile(), "/opt/kzq/IM.Dat"},
        {layout.dataRoot(), "/home/u/Documents/KZQ/"},
        {layout.machineFile(), "/home/u/Documents/KZQ/IM.Dat"},
        {layout.accountFolder(10086), "/home/u/Documents/KZQ/10086/"},
        {layout.userFile(10086), "/home/u/Documents/KZQ/10086/IM.Dat"},
        {layout.cacheFolder(7), "/home/u/Documents/KZQ/7/Cache/"},
        {layout.historyFolder(7), "/home/u/Documents/KZQ/7/History/"},
        {layout.imagesFolder(7), "/home/u/Documents/KZQ/7/Images/"},
        {layout.userPicFolder(7), "/home/u/Documents/KZQ/7/UserPic/"},
        {layout.customFaceFolder(7), "/home/u/Documents/KZQ/7/CustomFace/"},
        {layout.userHeadFolder(7), "/home/u/Documents/KZQ/7/UserHead/"},
        {layout.accountFolder(4294967295u), "/home/u/Documents/KZQ/4294967295/"},
        {layout.oldAccountFolder(7), "/opt/kzq/7/"},
        {layout.defaultMessageSound(), "/opt/kzq/Sound/msg.wav"},
        {layout.skinFile("Skin2"), "/opt/kzq/Skin/Skin2/Skin.ini"},
        {layout.skinFile("../../etc"), "/opt/kzq/Skin/Skin1/Skin.ini"},
        {layout.skinFile(".."), "/opt/kzq/Skin/Skin1/Skin.ini"},
        {layout.skinFile("a\\b"), "/opt/kzq/Skin/Skin1/Skin.ini"},
        {layout.skinFile(""), "/opt/kzq/Skin/Skin1/Skin.ini"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.actual, c.expected);
}

class StartFoldersTest : public ::testing::Test {
  protected:
    TempDir dir;
    FolderLayout layout{dir / "program", dir / "home/Documents"};
};

TEST_F(StartFoldersTest, FirstStartCopiesTheTemplate) {
    putFile(layout.templateMachineFile(), "[Login]\r\nHostName=10.0.0.1\r\n");
    EXPECT_TRUE(prepareDataRoot(layout));
    EXPECT_EQ(fileBytes(layout.machineFile()), "[Login]\r\nHostName=10.0.0.1\r\n");
    // Later starts leave the machine file alone.
    putFile(layout.machineFile(), "[Login]\r\nHostName=mine\r\n");
    EXPECT_TRUE(prepareDataRoot(layout));
    EXPECT_EQ(fileBytes(layout.machineFile()), "[Login]\r\nHostName=mine\r\n");
}

TEST_F(StartFoldersTest, FirstStartWithoutTemplate) {
    EXPECT_TRUE(prepareDataRoot(layout));
    EXPECT_TRUE(fs::is_directory(layout.dataRoot()));
    EXPECT_FALSE(fileExists(layout.machineFile()));
}

TEST_F(StartFoldersTest, DataRootThatCannotBeCreated) {
    putFile(dir / "home/Documents", "a file, not a folder");
    EXPECT_FALSE(prepareDataRoot(layout));
}

TEST_F(StartFoldersTest, AccountFolders) {
    putFile(layout.customFaceSeed(), "BM-seed");
    const AccountFolders result = prepareAccountFolders(layout, 42);
    EXPECT_FALSE(result.customFaceFailed);
    EXPECT_EQ(result.userHeadFolder, layout.programUserHeadFolder());
    for (const std::string& folder :
         {layout.cacheFolder(42), layout.historyFolder(42), layout.imagesFolder(42), layout.userPicFolder(42),
          layout.customFaceFolder(42), layout.userHeadFolder(42)})
        EXPECT_TRUE(fs::is_directory(folder)) << folder;
    EXPECT_EQ(fileBytes(layout.customFaceFolder(42) + "FacePage1.bmp"), "BM-seed");

    // An existing CustomFace folder is not seeded again; the own head picture picks the account's folder.
    putFile(layout.customFaceFolder(42) + "FacePage1.bmp", "BM-mine");
    putFile(layout.userHeadFolder(42) + "42.bmp", "BM");
    const AccountFolders again = prepareAccountFolders(layout, 42);
    EXPECT_EQ(again.userHeadFolder, layout.userHeadFolder(42));
    EXPECT_EQ(fileBytes(layout.customFaceFolder(42) + "FacePage1.bmp"), "BM-mine");
}

unsigned modeOf(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return 0xFFFF;
    return unsigned(st.st_mode & 07777);
}

// The settings files hold the remembered password: owner only, whether the client creates them or
// finds them readable by everyone from an earlier version.
TEST_F(StartFoldersTest, SettingsFilesAndAccountFoldersAreTheOwnersOnly) {
    const unsigned oldMask = ::umask(022);
    for (const bool existedLoose : {false, true}) {
        SCOPED_TRACE(existedLoose ? "found 0644 / 0755" : "created");
        TempDir d;
        FolderLayout l{d / "program", d / "home/Documents"};
        if (existedLoose) {
            putFile(l.machineFile(), "[Login]\r\nPassword=x\r\n");
            putFile(l.userFile(42), "[Init]\r\n");
            for (const std::string& folder : {l.dataRoot(), l.accountFolder(42), l.historyFolder(42)}) {
                fs::create_directories(folder);
                ::chmod(folder.c_str(), 0755);
            }
            ::chmod(l.machineFile().c_str(), 0644);
            ::chmod(l.userFile(42).c_str(), 0644);
        } else {
            putFile(l.templateMachineFile(), "[Login]\r\n");
        }
        ASSERT_TRUE(prepareDataRoot(l));
        prepareAccountFolders(l, 42);
        ProfileFile(l.userFile(42)).writeString("Init", "Seen", "1"); // creates the file when missing
        EXPECT_EQ(modeOf(l.dataRoot()), 0700u);
        EXPECT_EQ(modeOf(l.machineFile()), 0600u);
        EXPECT_EQ(modeOf(l.accountFolder(42)), 0700u);
        EXPECT_EQ(modeOf(l.userFile(42)), 0600u);
        for (const std::string& folder : {l.cacheFolder(42), l.historyFolder(42), l.imagesFolder(42),
                                          l.userPicFolder(42), l.userHeadFolder(42), l.customFaceFolder(42)})
            EXPECT_EQ(modeOf(folder), 0700u) << folder;
        // A rewrite keeps the tightened mode.
        ProfileFile(l.machineFile()).writeString("Login", "Password", "y");
        EXPECT_EQ(modeOf(l.machineFile()), 0600u);
    }
    ::umask(oldMask);
}

TEST_F(StartFoldersTest, ASymbolicLinkUnderASettingsNameIsNotFollowed) {
    putFile(dir / "elsewhere", "x");
    ::chmod((dir / "elsewhere").c_str(), 0644);
    fs::create_directories(layout.dataRoot());
    fs::create_symlink(dir / "elsewhere", layout.machineFile());
    EXPECT_TRUE(prepareDataRoot(layout));
    EXPECT_EQ(modeOf(dir / "elsewhere"), 0644u);
}

TEST_F(StartFoldersTest, CustomFaceThatCannotBeCreatedIsReported) {
    putFile(dir / "home/Documents/KZQ/42/CustomFace", "in the way");
    const AccountFolders result = prepareAccountFolders(layout, 42);
    EXPECT_TRUE(result.customFaceFailed);
    EXPECT_TRUE(fs::is_directory(layout.historyFolder(42)));
    EXPECT_EQ(kCreateUserFolderFailed,
              "\xB4\xB4\xBD\xA8\xD3\xC3\xBB\xA7\xC4\xBF\xC2\xBC\xCA\xA7\xB0\xDC\xA3\xA1");
}

TEST_F(StartFoldersTest, OldAccountFolderCopiedOnce) {
    prepareAccountFolders(layout, 42);
    putFile(layout.oldAccountFolder(42) + "History/MsgDB.Dat", "old store");
    putFile(layout.oldAccountFolder(42) + "UserPic/7.bmp", "pic");
    putFile(layout.imagesFolder(42) + "kept.png", "kept");
    fs::create_symlink("/", layout.oldAccountFolder(42) + "root");

    EXPECT_EQ(copyOldAccountFolder(layout, 42), OldFolderCopy::Copied);
    EXPECT_EQ(fileBytes(layout.historyFolder(42) + "MsgDB.Dat"), "old store");
    EXPECT_EQ(fileBytes(layout.userPicFolder(42) + "7.bmp"), "pic");
    EXPECT_EQ(fileBytes(layout.imagesFolder(42) + "kept.png"), "kept");
    EXPECT_FALSE(fs::exists(fs::symlink_status(layout.accountFolder(42) + "root")));
    EXPECT_TRUE(ProfileFile(layout.userFile(42)).readBool("Init", "isCopyed", false));

    putFile(layout.oldAccountFolder(42) + "History/MsgDB.Dat", "changed");
    EXPECT_EQ(copyOldAccountFolder(layout, 42), OldFolderCopy::AlreadyDone);
    EXPECT_EQ(fileBytes(layout.historyFolder(42) + "MsgDB.Dat"), "old store");
}

TEST_F(StartFoldersTest, MarkerIsSetWithoutAnOldFolder) {
    prepareAccountFolders(layout, 42);
    EXPECT_EQ(copyOldAccountFolder(layout, 42), OldFolderCopy::NoOldFolder);
    EXPECT_EQ(fileBytes(layout.userFile(42)), "[Init]\r\nisCopyed=1\r\n");
}

TEST_F(StartFoldersTest, MarkerIsSetWhenTheCopyFails) {
    prepareAccountFolders(layout, 42);
    putFile(layout.oldAccountFolder(42) + "Images/a.png", "a");
    putFile(layout.imagesFolder(42) + "a.png/inner", "a folder stands where the file should go");
    EXPECT_EQ(copyOldAccountFolder(layout, 42), OldFolderCopy::Incomplete);
    EXPECT_TRUE(ProfileFile(layout.userFile(42)).readBool("Init", "isCopyed", false));
}

TEST_F(StartFoldersTest, MarkerThatCannotBeWritten) {
    // No account folder at all: the marker write fails and says so.
    EXPECT_THROW(copyOldAccountFolder(layout, 42), SettingsError);
}

} // namespace
} // namespace vantor::settings
