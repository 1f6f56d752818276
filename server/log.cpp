#include "server/log.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace vantor::server {

namespace {
std::atomic<int> gLevel{int(LogLevel::Info)};
std::mutex gMutex;
constexpr const char* kNames[] = {"debug", "info", "warning", "error", "off"};
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

void log(LogLevel level, const std::string& message) {
    if (int(level) < gLevel.load() || level == LogLevel::Off) return;
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm{};
    localtime_r(&t, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &tm);
    std::lock_guard lock(gMutex);
    std::fprintf(stderr, "%s.%03d vantor-server %s: %s\n", stamp, int(ms), kNames[int(level)],
                 message.c_str());
}

} // namespace vantor::server
