// What vantor-cli prints of a text from the network: every control character as an escape.
#include "terminal_text.h"

#include <gtest/gtest.h>

namespace vantor::app {
namespace {

TEST(TerminalText, ControlCharactersBecomeEscapes) {
    const struct {
        const char* name;
        std::string in, out;
    } cases[] = {
        {"plain text and Chinese stay", "abc 张伟 /~wx", "abc 张伟 /~wx"},
        {"tab, line feed, carriage return", "a\tb\nc\rd", "a\\tb\\nc\\rd"},
        {"escape sequence", "\x1b]0;title\x07", "\\x1b]0;title\\x07"},
        {"NUL and DEL", std::string("a\0b\x7f", 4), "a\\x00b\\x7f"},
        {"C1 controls", "\xc2\x85\xc2\x9b", "\\u0085\\u009b"},
        {"direction overrides", "\xe2\x80\xae\xe2\x81\xa6", "\\u202e\\u2066"},
        {"backslash doubled", "C:\\x1b", "C:\\\\x1b"},
        {"bytes that are not UTF-8", "\xff\xc3", "\\xff\\xc3"},
        {"overlong encoding", "\xc0\x9b", "\\xc0\\x9b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(terminalText(c.in), c.out) << c.name;
}

} // namespace
} // namespace vantor::app
