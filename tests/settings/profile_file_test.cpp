// Settings files on disk: reads that always see the latest contents, the 2047-byte limit, integer
// and boolean reads, writes that keep the file and never leave it half-written.
#include "settings/profile_file.h"
#include "settings/settings_file_io.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vantor::settings {
namespace {

using test::fileBytes;
using test::filesIn;
using test::putFile;
using test::TempDir;

class ProfileFileTest : public ::testing::Test {
  protected:
    TempDir dir;
    std::string path = dir / "IM.Dat";
    ProfileFile file{path};
};

TEST_F(ProfileFileTest, ReadsWithDefaults) {
    putFile(path, "[Login]\r\nServerPort=0x1F40\r\nProxyPort=12abc\r\nAutoConnect=2\r\nSavePass=0\r\n"
                  "HostName=srv\r\nEmpty=\r\n");
    struct Case {
        const char* key;
        int64_t fallback;
        int64_t expected;
    };
    const Case ints[] = {{"ServerPort", 1, 8000},
                         {"ProxyPort", 1080, 1080},
                         {"Missing", 60, 60},
                         {"HostName", 5, 5},
                         {"Empty", 9, 9}};
    for (const auto& c : ints)
        EXPECT_EQ(file.readInteger("Login", c.key, c.fallback), c.expected) << c.key;
    EXPECT_TRUE(file.readBool("Login", "AutoConnect", false));
    EXPECT_FALSE(file.readBool("Login", "SavePass", true));
    EXPECT_TRUE(file.readBool("Login", "Missing", true));
    EXPECT_EQ(file.readString("Login", "HostName", "x"), "srv");
    EXPECT_EQ(file.readString("Login", "Empty", "x"), "");
    EXPECT_EQ(file.readString("Login", "Missing", "x"), "x");
    EXPECT_EQ(ProfileFile(dir / "absent.Dat").readString("Login", "HostName", "d"), "d");
    EXPECT_EQ(ProfileFile(dir / "no/such/folder.Dat").readInteger("Login", "ServerPort", 8000), 8000);
}

TEST_F(ProfileFileTest, StringsComeBackAtMost2047Bytes) {
    struct Case {
        const char* name;
        std::string stored;
        std::string expected;
    };
    const std::string ids = std::string(3000, '7');
    const std::string gbk = std::string(2046, 'a') + "\xD4\xDA"; // 在 straddles byte 2047
    const Case cases[] = {
        {"long list cut", ids, ids.substr(0, 2047)},
        {"exactly 2047", ids.substr(0, 2047), ids.substr(0, 2047)},
        {"no character split", gbk, gbk.substr(0, 2046)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        file.writeString("Init", "RecentUser", c.stored);
        EXPECT_EQ(file.readString("Init", "RecentUser"), c.expected);
    }
    EXPECT_EQ(file.readString("Init", "Missing", ids).size(), 2047u);
}

TEST_F(ProfileFileTest, NothingIsCached) {
    ProfileFile other(path);
    file.writeInteger("Login", "ServerPort", 9000);
    EXPECT_EQ(other.readInteger("Login", "ServerPort", 0), 9000);
    // Another program rewrites the file between two reads.
    putFile(path, "[Login]\nServerPort=9100\n");
    EXPECT_EQ(other.readInteger("Login", "ServerPort", 0), 9100);
    putFile(path, "[login]\nserverport=0x2000\n");
    EXPECT_EQ(file.readInteger("Login", "ServerPort", 0), 0x2000);
}

TEST_F(ProfileFileTest, WritesCreateAndKeep) {
    file.writeString("Login", "UserName", "alice");
    file.writeBool("Login", "SavePass", true);
    file.writeInteger("WindowPos", "Left", -12);
    EXPECT_EQ(fileBytes(path), "[Login]\r\nUserName=alice\r\nSavePass=1\r\n[WindowPos]\r\nLeft=-12\r\n");

    putFile(path, "; kept\n[Login]\nUserName=bob\n\n[Other]\nShowSMS=1\n");
    file.writeString("login", "username", "carol");
    EXPECT_EQ(fileBytes(path), "; kept\n[Login]\nUserName=carol\n\n[Other]\nShowSMS=1\n");
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"IM.Dat"}); // no temporary file left
}

TEST_F(ProfileFileTest, ReplacedFileKeepsItsPermissions) {
    putFile(path, "[A]\nk=1\n");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    file.writeString("A", "k", "2");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(ProfileFileTest, FailedWritesReportTheFile) {
    putFile(dir / "plain", "x");
    std::filesystem::create_directories(dir / "folder.Dat");
    const std::string cases[] = {
        dir / "missing/IM.Dat", // the folder does not exist (it is never created by a write)
        dir / "plain/IM.Dat",   // a file where the folder should be
        dir / "folder.Dat",     // a folder under the file's name
    };
    for (const auto& target : cases) {
        try {
            ProfileFile(target).writeString("Login", "UserName", "x");
            ADD_FAILURE() << "no error for " << target;
        } catch (const SettingsError& e) {
            EXPECT_EQ(std::string(e.what()), "Unable to write to " + target);
        }
    }
    EXPECT_THROW(file.writeString("Bad]", "k", "v"), std::invalid_argument);
    EXPECT_THROW(file.writeString("A", "k=", "v"), std::invalid_argument);
}

TEST_F(ProfileFileTest, AFailingReplacementLeavesTheOldFile) {
    const std::string old = "[Login]\r\nPassword=a4278f7f2d649afd\r\n";
    for (WriteFault fault : {WriteFault::ShortWrite, WriteFault::Sync, WriteFault::Rename}) {
        SCOPED_TRACE(static_cast<int>(fault));
        putFile(path, old);
        EXPECT_FALSE(replaceWholeFile(path, "[Login]\r\nPassword=\r\n" + std::string(100000, ';'), fault));
        EXPECT_EQ(fileBytes(path), old);
        EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"IM.Dat"});
    }
    EXPECT_TRUE(replaceWholeFile(path, "new"));
    EXPECT_EQ(fileBytes(path), "new");
}

TEST_F(ProfileFileTest, AProcessKilledWhileWritingLeavesAWholeFile) {
    const std::string a = "[Login]\r\nLoginToken=" + std::string(200000, 'a') + ",\r\n";
    const std::string b = "[Login]\r\nLoginToken=" + std::string(300000, 'b') + ",\r\n";
    putFile(path, a);
    for (int round = 0; round < 5; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (unsigned i = 0;; ++i)
                (void)replaceWholeFile(path, i % 2 ? a : b);
        }
        ::usleep(20000 + 7000 * round);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const std::string now = fileBytes(path);
        EXPECT_TRUE(now == a || now == b) << "round " << round << ": " << now.size() << " bytes";
        EXPECT_EQ(file.readString("Login", "LoginToken").size(), 2047u);
    }
}

TEST_F(ProfileFileTest, OddFilesReadAsAbsent) {
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); // must not block
    EXPECT_EQ(file.readString("A", "k", "d"), "d");
    std::string text;
    EXPECT_EQ(readWholeFile(path, text), ReadStatus::Unusable);
    EXPECT_THROW(file.writeString("A", "k", "v"), SettingsError);
}

TEST_F(ProfileFileTest, CreateNeverReplaces) {
    EXPECT_TRUE(createWholeFile(path, "first"));
    EXPECT_FALSE(createWholeFile(path, "second"));
    EXPECT_EQ(fileBytes(path), "first");
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"IM.Dat"});
}

} // namespace
} // namespace vantor::settings
