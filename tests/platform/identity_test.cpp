#include "platform/machine_identity.h"
#include "platform/updater_lock.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <vector>

namespace vantor::platform {
namespace {

TEST(MachineId, FormatOfTheHardwareAddress) {
    struct Case {
        std::vector<uint8_t> address;
        const char* expected;
    } cases[] = {
        // words 0x33221100 and 0x00005544
        {{0x00, 0x11, 0x22, 0x33, 0x44, 0x55}, "332211005544"},
        // no padding: 0x00000001 and 0x0000000A
        {{0x01, 0x00, 0x00, 0x00, 0x0A, 0x00}, "1a"},
        {{0xDE, 0xAD, 0xBE, 0xEF, 0xFE, 0xED}, "efbeaddeedfe"},
        {{0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, "00"},
        {{}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatMachineId(c.address), c.expected);
}

TEST(MachineId, ComesFromANonLoopbackInterfaceWhenThereIsOne) {
    const std::string id = machineId();
    // Every character is a lower-case hexadecimal digit, and the text fits text[30].
    EXPECT_LE(id.size(), 16u);
    for (char ch : id)
        EXPECT_TRUE((ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f')) << id;
}

TEST(UpdaterLock, HeldOnlyWhileAnotherHolderHasIt) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("updater.lock"));
    EXPECT_FALSE(updaterRunning(path)) << "no lock file";

    // The updater: holds an exclusive lock on its own open file.
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(updaterRunning(path)) << "file without a lock";
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    EXPECT_TRUE(updaterRunning(path));
    EXPECT_TRUE(updaterRunning(path)) << "the check itself leaves no lock behind";
    ::flock(fd, LOCK_UN);
    EXPECT_FALSE(updaterRunning(path));
    ::close(fd);
}

} // namespace
} // namespace vantor::platform
