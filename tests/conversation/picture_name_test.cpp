#include "conversation/picture_name.h"

#include <gtest/gtest.h>

using namespace vantor::conversation;

namespace {

TEST(PictureName, PlainNames) {
    struct Case {
        std::string name;
        bool plain;
    } cases[] = {
        {"1FB3BC55E92925D8CC8C173CA41324F2.jpg", true},
        {"PC123456.JPG", true},
        {"a-b_c.gif", true},
        {std::string(80, 'x'), true},
        {std::string(81, 'x'), false},
        {"", false},
        {".", false},
        {"..", false},
        {"../IM.Dat", false},
        {"a..b", false},
        {".hidden", false},
        {"trailing.", false},
        {"/etc/passwd", false},
        {"sub/a.jpg", false},
        {"C:\\a.jpg", false},
        {"a\\b.jpg", false},
        {"a b.jpg", false},
        {std::string("a\0b.jpg", 7), false},
        {"\xCD\xBC.gif", false}, // GBK text: not in the plain set
        {"a\nb", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isPlainPictureName(c.name), c.plain) << c.name;
}

// Expected digests computed independently, e.g.
//   python3 -c "import hashlib; print(hashlib.md5(b'a.jpg1234').hexdigest().upper())"
//   python3 -c "import hashlib; print(hashlib.md5('图片.gif99'.encode('gbk')).hexdigest().upper())"
TEST(PictureName, NameForFile) {
    struct Case {
        std::string file;
        uint64_t size;
        std::string name;
    } cases[] = {
        {"a.jpg", 1234, "1FB3BC55E92925D8CC8C173CA41324F2.jpg"},
        {"/home/u/Pictures/a.jpg", 1234, "1FB3BC55E92925D8CC8C173CA41324F2.jpg"},
        {"C:\\pics\\a.jpg", 1234, "1FB3BC55E92925D8CC8C173CA41324F2.jpg"},
        {"photo.png", 0, "178A02350DF636BD86051DCC4FA3231E.png"},
        {"\xCD\xBC\xC6\xAC.gif", 99, "9B684C6DC322992B0B7F10A127FAE3DA.gif"}, // 图片.gif
        {"noext", 7, "351F394CEA0F5D56ACF2148794528200"},
        // An extension too long for a plain name is left off (md5 of "a.verylongext5").
        {"a.verylongext", 5, "48D822D941E9AC6E87BE1740C4BD4D0C"},
        // 0x81 0x5C is one GBK character: its trail byte is not a folder separator
        // (md5 of b'\x81\x5cb.jpg12').
        {"\x81\\b.jpg", 12, "0EF56CB1705DA5EA52394DA85146FCBE.jpg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(pictureNameForFile(c.file, c.size), c.name);
        EXPECT_TRUE(isPlainPictureName(c.name));
    }
}

TEST(PictureName, PastedBitmap) {
    EXPECT_EQ(pastedPictureName(0), "PC0.JPG");
    EXPECT_EQ(pastedPictureName(123456), "PC123456.JPG");
    EXPECT_EQ(pastedPictureName(4294967295u), "PC4294967295.JPG");
}

} // namespace
