// The client's first command-line argument (also what `agent` hands over to a running client).
// Its forms are tested independently on the same text; it can match none of them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantor::session {

struct CommandLine {
    bool run = false;     // exactly "Run": start even while the updater works
    bool min = false;     // exactly "min": start hidden
    std::string chatUser; // everything after the first "uin=" (empty when absent)
    bool login = false;   // holds "loginuser="
    std::string account;  // between "loginuser=" and the next "&", trimmed
    std::string password; // everything after "loginpwd=", trimmed
};

CommandLine parseCommandLine(std::string_view argument);

// The text after the first "uin=", or empty.
std::string afterUin(std::string_view text);

// A user number made only of digits and within 32 bits; nullopt for anything else.
std::optional<uint32_t> parseUserNumber(std::string_view text);

} // namespace vantor::session
