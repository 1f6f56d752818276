#include "conversation/faces.h"

#include <gtest/gtest.h>

#include <set>

using namespace vantor::conversation;

namespace {

TEST(Faces, TableEntries) {
    ASSERT_EQ(faceTable().size(), size_t(kFaceCount));
    struct Case {
        int index;
        std::string code;
        std::string nameGbk;
    } cases[] = {
        {0, "/~wx", "\xD0\xA6\xC1\xB3"}, // 笑脸
        {17, "/~lhan", ""},
        {27, "/~lh", ""},
        {56, "/~xigua", ""},
        {88, "/~qsh", "NO"},
        {89, "/~xig", "OK"},
        {104, "/~a104", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(faceCode(c.index), c.code);
        EXPECT_EQ(faceIndexOfCode(c.code), c.index);
        EXPECT_EQ(faceFileName(c.index), std::to_string(c.index) + ".gif");
        if (!c.nameGbk.empty()) {
            EXPECT_EQ(faceNameGbk(c.index), c.nameGbk);
        }
    }
    for (int bad : {-1, 105}) {
        EXPECT_EQ(faceCode(bad), "");
        EXPECT_EQ(faceNameGbk(bad), "");
        EXPECT_EQ(faceFileName(bad), "");
    }
    EXPECT_EQ(faceIndexOfCode("/~"), -1);
}

// Codes are searched in index order, so a code that begins another code must come after it.
TEST(Faces, CodesAreUniqueAndLongerCodesComeFirst) {
    std::set<std::string_view> seen;
    for (const Face& a : faceTable()) {
        EXPECT_TRUE(a.code.starts_with("/~")) << a.index;
        EXPECT_TRUE(seen.insert(a.code).second) << a.code;
        EXPECT_FALSE(faceNameGbk(a.index).empty()) << a.index;
        for (const Face& b : faceTable())
            if (a.index != b.index && b.code.starts_with(a.code)) {
                EXPECT_LT(b.index, a.index) << b.code << " must come before " << a.code;
            }
    }
}

TEST(Faces, PagePoints) {
    struct Case {
        int x, y, face;
    } cases[] = {
        {0, 0, 0},       {29, 28, 0},    {30, 0, 1},   {449, 0, 14}, {0, 29, 15},
        {449, 202, 104}, {150, 174, 95}, {450, 0, -1}, {0, 203, -1}, {-1, 5, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(faceAtPagePoint(c.x, c.y), c.face) << c.x << "," << c.y;
}

} // namespace
