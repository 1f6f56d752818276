#include "session/command_line.h"

#include "settings/text_util.h"

namespace vantor::session {

std::string afterUin(std::string_view text) {
    const size_t p = text.find("uin=");
    return p == std::string_view::npos ? std::string() : std::string(text.substr(p + 4));
}

CommandLine parseCommandLine(std::string_view arg) {
    CommandLine c;
    c.run = arg == "Run";
    c.min = arg == "min";
    c.chatUser = afterUin(arg);
    constexpr std::string_view kUser = "loginuser=";
    constexpr std::string_view kPassword = "loginpwd=";
    if (const size_t u = arg.find(kUser); u != std::string_view::npos) {
        c.login = true;
        const size_t from = u + kUser.size();
        const size_t amp = arg.find('&', from);
        c.account =
            settings::trimText(arg.substr(from, amp == std::string_view::npos ? arg.npos : amp - from));
        if (const size_t p = arg.find(kPassword); p != std::string_view::npos)
            c.password = settings::trimText(arg.substr(p + kPassword.size()));
    }
    return c;
}

std::optional<uint32_t> parseUserNumber(std::string_view text) {
    if (text.empty() || text.size() > 10) return std::nullopt;
    uint64_t v = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') return std::nullopt;
        v = v * 10 + uint64_t(ch - '0');
    }
    if (v > UINT32_MAX) return std::nullopt;
    return uint32_t(v);
}

} // namespace vantor::session
