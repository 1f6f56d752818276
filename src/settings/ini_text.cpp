#include "settings/ini_text.h"

#include <limits>

namespace vantor::settings::ini {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool isLead(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// One line of the text: [begin, contentEnd) is its content, [contentEnd, end) its line end.
struct Line {
    size_t begin = 0;
    size_t contentEnd = 0;
    size_t end = 0;
};

class LineCursor {
  public:
    explicit LineCursor(std::string_view text) : text_(text) {}
    bool next(Line& line) {
        if (pos_ >= text_.size()) return false;
        line.begin = pos_;
        const size_t lf = text_.find('\n', pos_);
        if (lf == std::string_view::npos) {
            line.contentEnd = line.end = text_.size();
        } else {
            line.end = lf + 1;
            line.contentEnd = (lf > pos_ && text_[lf - 1] == '\r') ? lf - 1 : lf;
        }
        pos_ = line.end;
        return true;
    }

  private:
    std::string_view text_;
    size_t pos_ = 0;
};

enum class Kind { Other, Section, Key };

// Classifies one trimmed line; for a section `name` is its name, for a key line `name` and `value`
// are the trimmed key and the raw text after '='.
Kind classify(std::string_view s, std::string_view& name, std::string_view& value) {
    if (s.empty() || s.front() == ';') return Kind::Other;
    if (s.front() == '[') {
        const size_t close = s.rfind(']');
        name = trim(close == std::string_view::npos ? s.substr(1) : s.substr(1, close - 1));
        return Kind::Section;
    }
    const size_t eq = s.find('=');
    if (eq == std::string_view::npos) return Kind::Other;
    name = trim(s.substr(0, eq));
    value = s.substr(eq + 1);
    return name.empty() ? Kind::Other : Kind::Key;
}

std::string decodeValue(std::string_view v) {
    v = trim(v);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v.substr(0, v.find('\0')));
}

std::string_view lineEnd(std::string_view text) {
    const size_t lf = text.find('\n');
    if (lf == std::string_view::npos) return "\r\n";
    return (lf > 0 && text[lf - 1] == '\r') ? "\r\n" : "\n";
}

std::optional<int64_t> digits(std::string_view s, int base, bool negative) {
    if (s.empty()) return std::nullopt;
    // Accumulate as a negative number so that the most negative value fits.
    const int64_t min = std::numeric_limits<int64_t>::min();
    int64_t value = 0;
    for (char c : s) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return std::nullopt;
        if (value < (min + d) / base) return std::nullopt;
        value = value * base - d;
    }
    if (negative) return value;
    if (value == min) return std::nullopt;
    return -value;
}

} // namespace

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (isLead(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            ++i;
        } else if (lowerAscii(a[i]) != lowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

std::optional<std::string> findValue(std::string_view text, std::string_view section, std::string_view key) {
    LineCursor lines(text);
    Line line;
    bool inSection = false;
    while (lines.next(line)) {
        std::string_view name, value;
        switch (classify(trim(text.substr(line.begin, line.contentEnd - line.begin)), name, value)) {
        case Kind::Section:
            inSection = sameName(name, section);
            break;
        case Kind::Key:
            if (inSection && sameName(name, key)) return decodeValue(value);
            break;
        case Kind::Other:
            break;
        }
    }
    return std::nullopt;
}

std::string setValue(std::string_view text, std::string_view section, std::string_view key,
                     std::string_view value) {
    const std::string_view eol = lineEnd(text);
    const std::string_view stored = storedForm(value);

    LineCursor lines(text);
    Line line;
    bool inSection = false;
    bool inFirstSection = false;
    bool sectionSeen = false;
    Line insertAfter; // last non-blank line of the first matching section
    while (lines.next(line)) {
        const std::string_view content = trim(text.substr(line.begin, line.contentEnd - line.begin));
        std::string_view name, raw;
        const Kind kind = classify(content, name, raw);
        if (kind == Kind::Section) {
            inSection = sameName(name, section);
            inFirstSection = inSection && !sectionSeen;
            sectionSeen = sectionSeen || inSection;
        } else if (kind == Kind::Key && inSection && sameName(name, key)) {
            std::string out;
            out.reserve(text.size() + stored.size() + name.size() + 1);
            out.append(text.substr(0, line.begin)).append(name).append("=").append(stored);
            out.append(text.substr(line.contentEnd));
            return out;
        }
        if (inFirstSection && !content.empty()) insertAfter = line;
    }

    std::string out;
    out.reserve(text.size() + section.size() + key.size() + stored.size() + 8);
    if (sectionSeen) {
        out.append(text.substr(0, insertAfter.end));
        if (insertAfter.end == insertAfter.contentEnd) out.append(eol); // that line ended the file
        out.append(key).append("=").append(stored).append(eol);
        out.append(text.substr(insertAfter.end));
        return out;
    }
    out.append(text);
    if (!text.empty() && text.back() != '\n') out.append(eol);
    out.append("[").append(section).append("]").append(eol);
    out.append(key).append("=").append(stored).append(eol);
    return out;
}

std::string_view storedForm(std::string_view value) {
    const size_t stop = value.find_first_of(std::string_view("\r\n\0", 3));
    return value.substr(0, stop);
}

bool validSection(std::string_view section) {
    return !section.empty() && trim(section) == section && storedForm(section) == section &&
           section.find(']') == std::string_view::npos;
}

bool validKey(std::string_view key) {
    return !key.empty() && trim(key) == key && storedForm(key) == key &&
           key.find('=') == std::string_view::npos && key.front() != '[' && key.front() != ';';
}

std::optional<int64_t> parseInteger(std::string_view text) {
    text = trim(text);
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        return digits(text.substr(2), 16, false);
    return parseDecimal(text);
}

std::optional<int64_t> parseDecimal(std::string_view text) {
    text = trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    return digits(text, 10, negative);
}

} // namespace vantor::settings::ini
