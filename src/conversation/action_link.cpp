#include "conversation/action_link.h"

#include <array>

namespace vantor::conversation {

namespace {

constexpr std::array<std::string_view, 4> kActions = {kActionOpenFile, kActionOpenDir, kActionAcceptHelp,
                                                      kActionDeclineHelp};

// '<', '>' and '%' are below 0x40 and so never trail bytes of GBK characters: byte-wise escaping
// is safe.
std::string escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '%')
            out += "%25";
        else if (c == '<')
            out += "%3C";
        else if (c == '>')
            out += "%3E";
        else
            out += c;
    }
    return out;
}

std::string unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const std::string_view rest = text.substr(i);
        if (rest.starts_with("%25")) {
            out += '%';
            i += 2;
        } else if (rest.starts_with("%3C") || rest.starts_with("%3c")) {
            out += '<';
            i += 2;
        } else if (rest.starts_with("%3E") || rest.starts_with("%3e")) {
            out += '>';
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The next position at or after `from` (a character boundary) where a recognised action name
// followed by "_" starts, walking GBK characters so that a match never begins inside one.
size_t findAction(std::string_view line, size_t from, size_t& nameLength) {
    for (size_t i = from; i < line.size(); ++i) {
        const std::string_view rest = line.substr(i);
        for (std::string_view action : kActions) {
            if (rest.size() > action.size() && rest.starts_with(action) && rest[action.size()] == '_') {
                nameLength = action.size();
                return i;
            }
        }
        const auto b = static_cast<uint8_t>(line[i]);
        if (b >= 0x81 && b <= 0xFE) ++i;
    }
    return std::string_view::npos;
}

} // namespace

bool isKnownAction(std::string_view action) {
    for (std::string_view a : kActions)
        if (a == action) return true;
    return false;
}

std::string actionLinkText(std::string_view action, std::string_view argument, std::string_view shown) {
    return std::string(action) + "_" + escape(argument) + "<" + escape(shown) + ">";
}

std::optional<ActionLink> parseActionLink(std::string_view value) {
    const size_t underscore = value.find('_');
    if (underscore == std::string_view::npos) return std::nullopt;
    const size_t open = value.find('<', underscore + 1);
    if (open == std::string_view::npos) return std::nullopt;
    ActionLink link;
    link.action = std::string(value.substr(0, underscore));
    if (!isKnownAction(link.action)) return std::nullopt;
    link.argument = unescape(value.substr(underscore + 1, open - underscore - 1));
    const size_t close = value.find('>', open + 1);
    link.shown = unescape(value.substr(open + 1, close == std::string_view::npos ? close : close - open - 1));
    return link;
}

std::vector<ActionLinePiece> splitActionLine(std::string_view line) {
    std::vector<ActionLinePiece> pieces;
    std::string plain;
    size_t pos = 0;
    size_t searchFrom = 0;
    while (true) {
        size_t nameLength = 0;
        const size_t start = findAction(line, searchFrom, nameLength);
        const size_t open = start == std::string_view::npos ? start : line.find('<', start + nameLength + 1);
        const size_t close = open == std::string_view::npos ? open : line.find('>', open + 1);
        if (start == std::string_view::npos) break;
        if (close == std::string_view::npos) {
            // Not a link: look for the next action name after this one.
            searchFrom = start + nameLength;
            continue;
        }
        plain += line.substr(pos, start - pos);
        if (!plain.empty()) pieces.push_back({std::move(plain), {}});
        plain.clear();
        pieces.push_back({unescape(line.substr(open + 1, close - open - 1)),
                          std::string(line.substr(start, close + 1 - start))});
        pos = searchFrom = close + 1;
    }
    plain += line.substr(pos);
    if (!plain.empty()) pieces.push_back({std::move(plain), {}});
    return pieces;
}

} // namespace vantor::conversation
