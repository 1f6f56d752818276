// Tests that need a tool the machine may lack (a Python module, a daemon, root for network
// namespaces, an X server): under CI (environment CI=true) a missing tool fails the test, so that a
// broken set-up never passes as green; elsewhere the test is skipped, with a banner on standard
// error that names the test and the missing tool.
//
//   VANTOR_NEEDS_TOOL(reasonOrEmpty);   // an empty reason means: everything is there
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace vantor::testing {

inline bool underCi() {
    const char* ci = std::getenv("CI");
    if (!ci) return false;
    const std::string_view v(ci);
    return v == "true" || v == "1" || v == "yes" || v == "TRUE" || v == "True";
}

inline void announceSkip(const std::string& why) {
    const ::testing::TestInfo* t = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name =
        t ? std::string(t->test_suite_name()) + "." + t->name() : std::string("test suite");
    std::fprintf(stderr,
                 "\n**********************************************************************\n"
                 "*** SKIPPED %s: %s\n"
                 "*** (install it with scripts/setup; under CI=true this is a failure)\n"
                 "**********************************************************************\n\n",
                 name.c_str(), why.c_str());
    std::fflush(stderr);
}

} // namespace vantor::testing

#define VANTOR_NEEDS_TOOL(reason)                                                                            \
    do {                                                                                                     \
        const std::string vantorMissing_ = (reason);                                                         \
        if (!vantorMissing_.empty()) {                                                                       \
            if (::vantor::testing::underCi()) FAIL() << "missing under CI: " << vantorMissing_;              \
            ::vantor::testing::announceSkip(vantorMissing_);                                                 \
            GTEST_SKIP() << vantorMissing_;                                                                  \
        }                                                                                                    \
    } while (0)
