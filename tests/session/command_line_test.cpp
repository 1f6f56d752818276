#include "session/command_line.h"

#include <gtest/gtest.h>

namespace vantor::session {
namespace {

TEST(CommandLine, FormsAreTestedIndependently) {
    struct Case {
        const char* argument;
        bool run, min, login;
        const char* chatUser;
        const char* account;
        const char* password;
    } cases[] = {
        {"Run", true, false, false, "", "", ""},
        {"min", false, true, false, "", "", ""},
        {"mini", false, false, false, "", "", ""},
        {"uin=123", false, false, false, "123", "", ""},
        {"link://x?uin=12&uin=34", false, false, false, "12&uin=34", "", ""},
        {"loginuser=bob&loginpwd=secret", false, false, true, "", "bob", "secret"},
        {"loginuser= bob &loginpwd= s p ", false, false, true, "", "bob", "s p"},
        {"loginuser=bob&loginpwd=", false, false, true, "", "bob", ""},
        {"loginuser=bob", false, false, true, "", "bob", ""},
        // Both forms in one text: both apply.
        {"loginuser=a&loginpwd=uin=7", false, false, true, "7", "a", "uin=7"},
        {"", false, false, false, "", "", ""},
    };
    for (const auto& c : cases) {
        const CommandLine l = parseCommandLine(c.argument);
        EXPECT_EQ(l.run, c.run) << c.argument;
        EXPECT_EQ(l.min, c.min) << c.argument;
        EXPECT_EQ(l.login, c.login) << c.argument;
        EXPECT_EQ(l.chatUser, c.chatUser) << c.argument;
        EXPECT_EQ(l.account, c.account) << c.argument;
        EXPECT_EQ(l.password, c.password) << c.argument;
    }
}

TEST(CommandLine, UserNumbers) {
    EXPECT_EQ(parseUserNumber("12"), 12u);
    EXPECT_EQ(parseUserNumber("4294967295"), 4294967295u);
    EXPECT_FALSE(parseUserNumber("4294967296"));
    EXPECT_FALSE(parseUserNumber(""));
    EXPECT_FALSE(parseUserNumber("12/"));
    EXPECT_FALSE(parseUserNumber("-1"));
    EXPECT_FALSE(parseUserNumber("00000000001"));
}

} // namespace
} // namespace vantor::session
