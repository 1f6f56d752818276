// Links inside the system lines of a conversation display: action name + "_" + argument + "<" +
// shown text + ">". Only the shown text is visible; a click hands the whole link back for parsing.
// Argument and shown text are written with '%', '<' and '>' escaped as %25, %3C and %3E, so that a
// file name from a peer can neither end a link early nor start a link of its own.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::conversation {

inline constexpr std::string_view kActionOpenFile = "OpenFile";
inline constexpr std::string_view kActionOpenDir = "OpenDir";
inline constexpr std::string_view kActionAcceptHelp = "RHAccept";
inline constexpr std::string_view kActionDeclineHelp = "RHDecline";

bool isKnownAction(std::string_view action);

struct ActionLink {
    std::string action;
    std::string argument;
    std::string shown;
    friend bool operator==(const ActionLink&, const ActionLink&) = default;
};

// The text of a link for a system line; all parts GBK.
std::string actionLinkText(std::string_view action, std::string_view argument, std::string_view shown);
inline std::string actionLinkText(const ActionLink& link) {
    return actionLinkText(link.action, link.argument, link.shown);
}

// A clicked link: action := text before the first "_", argument := text between that "_" and the
// first "<", shown := text from there to the next ">" (or the end). Nothing for an action that is
// not one of the four, or a text without "_" or "<".
std::optional<ActionLink> parseActionLink(std::string_view value);

// One run of a system line: plain text, or a link showing `text` whose value is `link`.
struct ActionLinePiece {
    std::string text;
    std::string link; // empty for plain text
    friend bool operator==(const ActionLinePiece&, const ActionLinePiece&) = default;
};

// Cuts a system line into plain text and links. A recognised action name followed by "_", a "<" and
// a ">" makes a link; anything else stays plain text.
std::vector<ActionLinePiece> splitActionLine(std::string_view line);

} // namespace vantor::conversation
