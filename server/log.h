// The server's log: one line per event on stderr with a timestamp and a level.
#pragma once

#include <string>
#include <string_view>

namespace vantor::server {

enum class LogLevel { Debug = 0, Info = 1, Warning = 2, Error = 3, Off = 4 };

void setLogLevel(LogLevel level);
LogLevel logLevel();
// "debug", "info", "warning", "error" or "off"; false for anything else.
bool parseLogLevel(std::string_view text, LogLevel& out);
void log(LogLevel level, const std::string& message);

} // namespace vantor::server
