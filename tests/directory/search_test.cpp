// Quick search: substrings, pinyin initials with "?", names mixing ASCII and Chinese, and
// characters outside the GB2312 ranges.
#include "directory/search.h"
#include "fakes.h"

#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::directory;
using namespace vantor::directory::test;

TEST(PinyinInitial, TableBoundaries) {
    struct Case {
        uint16_t code;
        char letter;
    };
    const Case cases[] = {
        {45216, 0},   {45217, 'A'}, {45252, 'A'}, {45253, 'B'}, {48118, 'H'}, {48119, 'J'},
        {50614, 'O'}, {50621, 'O'}, {50622, 'P'}, {53640, 'X'}, {53641, 0},   {53688, 0},
        {53689, 'Y'}, {55289, 'Z'}, {55290, 0},   {0x8140, 0},  {0xF7FE, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(pinyinInitial(c.code), c.letter) << c.code;
}

struct SearchCase {
    const char* text;
    std::vector<uint32_t> expected; // last user first
    friend void PrintTo(const SearchCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }
};

class QuickSearch : public ::testing::TestWithParam<SearchCase> {
  protected:
    static SearchSnapshot names() {
        static Harness* h = [] {
            auto* x = new Harness;
            const char* names[] = {
                "张三",    // 1: Z S
                "赵四",    // 2: Z S
                "周小平",  // 3: Z X P
                "李四",    // 4: L S
                "Tom张三", // 5: ASCII then Chinese: T O M Z S
                "A张",     // 6: one ASCII byte shifts every byte pair
                "丂丄",    // 7: outside GB2312 (0x8140, 0x8141): no initials
                "alice",   // 8
                "王a",     // 9
            };
            for (uint32_t i = 0; i < std::size(names); ++i)
                x->feed(userItem(user(i + 1, 0, names[i])));
            return x;
        }();
        return h->dir().searchSnapshot();
    }
};

TEST_P(QuickSearch, Lists) {
    EXPECT_EQ(search(names(), QString::fromUtf8(GetParam().text)), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Cases, QuickSearch,
                         ::testing::Values(SearchCase{"ZS", {2, 1}}, SearchCase{"zs", {2, 1}},
                                           SearchCase{"Z?", {3, 2, 1}}, SearchCase{"Z??", {3}},
                                           SearchCase{"??", {9, 8, 7, 6, 5, 4, 3, 2, 1}},
                                           SearchCase{"三", {5, 1}}, SearchCase{"TOMZS", {5}},
                                           SearchCase{"tom", {5}}, SearchCase{"AZ", {6}},
                                           SearchCase{"ALICE", {8}}, SearchCase{"W", {9}},
                                           SearchCase{"WA", {9}}, SearchCase{"A?", {8, 6}},
                                           // "丄" is 0x81 0x41: its trail byte is not the letter A
                                           SearchCase{"A", {9, 8, 6}}, SearchCase{"丂", {7}},
                                           SearchCase{"D", {}}, SearchCase{"", {}}, SearchCase{"LSX", {}}));
