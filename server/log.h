// The server's log: one line per event on standard error. Run by hand or by a test it reads
// "<date> <time>.<ms> vantor-server <level>: <event>"; when standard error is journald's stream
// (systemd sets JOURNAL_STREAM to its device and inode) it reads "<<priority>><level>: <event>",
// journald taking the priority from the prefix and adding time and program itself.
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

// An event's text made safe for one log line: valid UTF-8 stays as it is; control characters
// (line breaks, escape sequences), bytes that are not UTF-8 (GBK names from clients) and the
// backslash itself are written as \xNN and \\, so no text from outside can start a line of its
// own or colour the terminal.
std::string logSafe(std::string_view text);
// Whether `journalStream` (the value of JOURNAL_STREAM, "<device>:<inode>") names the file that
// descriptor `fd` is open on.
bool isJournalStream(const char* journalStream, int fd);

} // namespace vantor::server
