// Profile text rules: finding a key, setting one key without disturbing the rest of the file,
// and the integer encoding.
#include "settings/ini_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace vantor::settings::ini {
namespace {

constexpr std::optional<std::string> kAbsent = std::nullopt;

TEST(IniFind, LineRules) {
    struct Case {
        const char* name;
        std::string text;
        const char* section;
        const char* key;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"plain", "[Login]\r\nServerPort=8000\r\n", "Login", "ServerPort", "8000"},
        {"LF only, no final line end", "[Login]\nServerPort=8000", "Login", "ServerPort", "8000"},
        {"names ignore letter case", "[login]\nSERVERPORT=1\n", "Login", "ServerPort", "1"},
        {"blanks around names and value", "  [ Login ]  \n\t ServerPort  =  12 \t\r\n", "Login", "ServerPort",
         "12"},
        {"value keeps inner blanks and '='", "[A]\nk= a = b \n", "A", "k", "a = b"},
        {"empty value", "[A]\nk=\n", "A", "k", ""},
        {"double quotes dropped", "[A]\nk=\" x \"\n", "A", "k", " x "},
        {"single quotes dropped", "[A]\nk='x'\n", "A", "k", "x"},
        {"unmatched quote kept", "[A]\nk=\"x'\n", "A", "k", "\"x'"},
        {"lone quote kept", "[A]\nk=\"\n", "A", "k", "\""},
        {"value cut at a zero byte", std::string("[A]\nk=ab\0cd\n", 12), "A", "k", "ab"},
        {"other section", "[A]\nk=1\n[B]\nj=2\n", "A", "j", kAbsent},
        {"key before any section", "k=1\n[A]\n", "A", "k", kAbsent},
        {"comment is no key", "[A]\n;k=1\n", "A", "k", kAbsent},
        {"line without '='", "[A]\nk\n", "A", "k", kAbsent},
        {"first of two keys", "[A]\nk=1\nk=2\n", "A", "k", "1"},
        {"second section of the same name", "[A]\nx=1\n[B]\nk=2\n[a]\nk=3\n", "A", "k", "3"},
        {"section up to the last ']'", "[A]B]\nk=1\n", "A]B", "k", "1"},
        {"section without ']'", "[A\nk=1\n", "A", "k", "1"},
        {"stray CR inside a line", "[A]\nk=1\rj=2\n", "A", "k", "1\rj=2"},
        {"GBK key, trail byte looks like a letter",
         "[A]\n\xB0"
         "A=1\n",
         "A",
         "\xB0"
         "a",
         kAbsent},
        {"GBK key, exact bytes",
         "[A]\n\xB0"
         "A=1\n",
         "A",
         "\xB0"
         "A",
         "1"},
        {"empty file", "", "A", "k", kAbsent},
    };
    for (const auto& c : cases)
        EXPECT_EQ(findValue(c.text, c.section, c.key), c.expected) << c.name;
}

TEST(IniSet, KeepsEverythingElse) {
    struct Case {
        const char* name;
        std::string before;
        const char* section;
        const char* key;
        const char* value;
        std::string after;
    };
    const Case cases[] = {
        {"replace, CRLF and comments kept",
         "; top\r\n[Login]\r\nA=1\r\nServerPort=80\r\n; c\r\n[X]\r\nY=2\r\n", "Login", "ServerPort", "8000",
         "; top\r\n[Login]\r\nA=1\r\nServerPort=8000\r\n; c\r\n[X]\r\nY=2\r\n"},
        {"replace keeps the file's key spelling", "[login]\n  serverport = 1 \n", "Login", "ServerPort", "2",
         "[login]\nserverport=2\n"},
        {"replace the last line without line end", "[A]\nk=1", "A", "k", "22", "[A]\nk=22"},
        {"insert after the section's last line", "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n", "A", "k", "v",
         "[A]\r\nx=1\r\nk=v\r\n\r\n[B]\r\ny=2\r\n"},
        {"insert into the first of two sections", "[A]\nx=1\n[B]\n[A]\ny=2\n", "A", "k", "v",
         "[A]\nx=1\nk=v\n[B]\n[A]\ny=2\n"},
        {"insert after a header that ends the file", "[A]", "A", "k", "v", "[A]\r\nk=v\r\n"},
        {"append a section, LF file", "[A]\nx=1\n", "B", "k", "v", "[A]\nx=1\n[B]\nk=v\n"},
        {"append after a last line without line end", "[A]\nx=1", "B", "k", "v", "[A]\nx=1\n[B]\nk=v\n"},
        {"new file uses CRLF", "", "B", "k", "v", "[B]\r\nk=v\r\n"},
        {"GBK value passes untouched", "", "Login", "LoginState", "\xD4\xDA\xCF\xDF",
         "[Login]\r\nLoginState=\xD4\xDA\xCF\xDF\r\n"},
        {"value cannot add lines", "[A]\nk=1\n", "A", "k", "2\r\nPassword=x", "[A]\nk=2\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string after = setValue(c.before, c.section, c.key, c.value);
        EXPECT_EQ(after, c.after);
        EXPECT_EQ(findValue(after, c.section, c.key), std::string(storedForm(c.value)));
    }
}

TEST(IniSet, NameValidity) {
    EXPECT_TRUE(validSection("Login"));
    EXPECT_TRUE(validKey("ServerPort"));
    for (const char* bad : {"", " A", "A ", "A]", "A\nB"})
        EXPECT_FALSE(validSection(bad)) << bad;
    for (const char* bad : {"", " k", "k=", "[k", ";k", "k\r"})
        EXPECT_FALSE(validKey(bad)) << bad;
}

TEST(IniInteger, Parsing) {
    struct Case {
        const char* text;
        std::optional<int64_t> value;
    };
    const Case cases[] = {
        {"8000", 8000},
        {"0x1F40", 8000},
        {"0X1f40", 8000},
        {" 42 ", 42},
        {"+7", 7},
        {"-15", -15},
        {"007", 7},
        {"0xFFFFFFFF", 0xFFFFFFFF},
        {"9223372036854775807", INT64_MAX},
        {"-9223372036854775808", INT64_MIN},
        {"9223372036854775808", std::nullopt},
        {"0x8000000000000000", std::nullopt},
        {"12abc", std::nullopt}, // no prefix reading: a number followed by anything is not a number
        {"", std::nullopt},
        {"0x", std::nullopt},
        {"-0x10", std::nullopt},
        {"$1F", std::nullopt},
        {"1e3", std::nullopt},
        {"1 2", std::nullopt},
        {"+", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseInteger(c.text), c.value) << '"' << c.text << '"';
    EXPECT_EQ(parseDecimal("0x10"), std::nullopt);
}

} // namespace
} // namespace vantor::settings::ini
