#include "terminal_text.h"

#include <cstdint>
#include <cstdio>

namespace vantor::app {

namespace {

void hexEscape(std::string& out, const char* prefix, uint32_t value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%s%0*x", prefix, digits, unsigned(value));
    out += buf;
}

// Length of the UTF-8 sequence starting at `s` and its code point; 0 when it is not one.
size_t decode(std::string_view s, uint32_t& cp) {
    const auto b = [&](size_t i) { return uint8_t(s[i]); };
    const uint8_t c = b(0);
    size_t n = 0;
    if (c < 0x80) {
        cp = c;
        return 1;
    }
    if ((c & 0xE0) == 0xC0) {
        n = 2;
        cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3;
        cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (s.size() < n) return 0;
    for (size_t i = 1; i < n; ++i) {
        if ((b(i) & 0xC0) != 0x80) return 0;
        cp = cp << 6 | (b(i) & 0x3F);
    }
    static constexpr uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

bool directionControl(uint32_t cp) {
    return cp == 0x061C || cp == 0x200E || cp == 0x200F || (cp >= 0x202A && cp <= 0x202E) ||
           (cp >= 0x2066 && cp <= 0x2069);
}

} // namespace

std::string terminalText(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    while (!s.empty()) {
        uint32_t cp = 0;
        const size_t n = decode(s, cp);
        if (n == 0) {
            hexEscape(out, "\\x", uint8_t(s[0]), 2);
            s.remove_prefix(1);
            continue;
        }
        if (cp == '\t')
            out += "\\t";
        else if (cp == '\n')
            out += "\\n";
        else if (cp == '\r')
            out += "\\r";
        else if (cp == '\\')
            out += "\\\\";
        else if (cp < 0x20 || cp == 0x7F)
            hexEscape(out, "\\x", cp, 2);
        else if ((cp >= 0x80 && cp <= 0x9F) || directionControl(cp))
            hexEscape(out, "\\u", cp, 4);
        else
            out.append(s.substr(0, n));
        s.remove_prefix(n);
    }
    return out;
}

} // namespace vantor::app
