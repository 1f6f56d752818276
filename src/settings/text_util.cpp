#include "settings/text_util.h"

namespace vantor::settings {

std::string_view trimText(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return text;
}

std::string_view gbkPrefix(std::string_view text, size_t n) {
    if (text.size() <= n) return text;
    size_t i = 0;
    while (i < n) {
        const auto c = static_cast<unsigned char>(text[i]);
        const size_t width = (c >= 0x81 && c <= 0xFE) ? 2 : 1;
        if (i + width > n) break;
        i += width;
    }
    return text.substr(0, i);
}

} // namespace vantor::settings
