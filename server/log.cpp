#include "server/log.h"

#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <sys/stat.h>

namespace vantor::server {

namespace {
std::atomic<int> gLevel{int(LogLevel::Info)};
std::mutex gMutex;
constexpr const char* kNames[] = {"debug", "info", "warning", "error", "off"};
// syslog priorities of the levels: debug, info, warning, error.
constexpr int kPriorities[] = {7, 6, 4, 3};

// The length of the valid UTF-8 sequence at `s[i]` that is not a control character, or 0.
size_t utf8Length(std::string_view s, size_t i) {
    const auto b = [&](size_t k) { return uint8_t(s[i + k]); };
    const uint8_t c = b(0);
    if (c >= 0x20 && c < 0x7F) return 1;
    size_t n = 0;
    uint32_t cp = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((b(k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b(k) & 0x3F);
    }
    const bool overlong = (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000);
    const bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
    const bool c1Control = cp >= 0x80 && cp <= 0x9F; // e.g. the one-character CSI
    if (overlong || surrogate || c1Control || cp > 0x10FFFF) return 0;
    return n;
}

bool toJournal() {
    static const bool journal = isJournalStream(std::getenv("JOURNAL_STREAM"), 2);
    return journal;
}
} // namespace

void setLogLevel(LogLevel level) {
    gLevel = int(level);
}

LogLevel logLevel() {
    return LogLevel(gLevel.load());
}

bool parseLogLevel(std::string_view text, LogLevel& out) {
    for (int i = 0; i <= int(LogLevel::Off); ++i)
        if (text == kNames[i]) {
            out = LogLevel(i);
            return true;
        }
    return false;
}

std::string logSafe(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (text[i] == '\\') {
            out += "\\\\";
            ++i;
        } else if (const size_t n = utf8Length(text, i)) {
            out.append(text.substr(i, n));
            i += n;
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", unsigned(uint8_t(text[i])));
            out += hex;
            ++i;
        }
    }
    return out;
}

bool isJournalStream(const char* journalStream, int fd) {
    if (!journalStream) return false;
    uintmax_t dev = 0, ino = 0;
    char rest = 0;
    if (std::sscanf(journalStream, "%" SCNuMAX ":%" SCNuMAX "%c", &dev, &ino, &rest) != 2) return false;
    struct stat st {};
    return ::fstat(fd, &st) == 0 && uintmax_t(st.st_dev) == dev && uintmax_t(st.st_ino) == ino;
}

void log(LogLevel level, const std::string& message) {
    if (int(level) < gLevel.load() || level == LogLevel::Off) return;
    const std::string text = logSafe(message);
    if (toJournal()) {
        std::lock_guard lock(gMutex);
        std::fprintf(stderr, "<%d>%s: %s\n", kPriorities[int(level)], kNames[int(level)], text.c_str());
        return;
    }
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm{};
    localtime_r(&t, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &tm);
    std::lock_guard lock(gMutex);
    std::fprintf(stderr, "%s.%03d vantor-server %s: %s\n", stamp, int(ms), kNames[int(level)], text.c_str());
}

} // namespace vantor::server
