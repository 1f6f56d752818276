#include "conversation/richtext.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace vantor::conversation;

namespace {

Segment T(std::string text) {
    return Segment::ofText(std::move(text));
}
Segment F(int index) {
    return Segment::ofFace(index);
}
Segment P(std::string name, PictureState state) {
    return Segment::ofPicture(std::move(name), state);
}
constexpr auto kStored = PictureState::Stored;
constexpr auto kLoading = PictureState::Loading;
constexpr auto kError = PictureState::Error;

const std::string kLong80(80, 'a');
const std::string kLong81(81, 'a');

struct RenderCase {
    const char* what;
    std::string plain;
    bool withError;
    Segments segments;
    std::vector<std::string> missing;
    std::vector<std::string> lookedUp; // names asked of the Images folder, in order
};

// The Images folder of these cases holds AB12.jpg and the 80-character name.
const std::set<std::string> kHeld = {"AB12.jpg", kLong80};

const std::vector<RenderCase> kRenderCases = {
    {"text without a slash", "hello, world", false, {T("hello, world")}, {}, {}},
    {"empty text", "", false, {}, {}, {}},
    {"longer code wins over its prefix", "/~lhan", false, {F(17)}, {}, {}},
    {"the prefix alone", "/~lh", false, {F(27)}, {}, {}},
    {"longer code then rest", "/~lhanx", false, {F(17), T("x")}, {}, {}},
    {"xigua and xig", "a/~xigua b /~xig", false, {T("a"), F(56), T(" b "), F(89)}, {}, {}},
    {"the same face twice", "/~wx/~wx", false, {F(0), F(0)}, {}, {}},
    {"a face splits the text: no code forms across it", "/~/~wxwx", false, {T("/~"), F(0), T("wx")}, {}, {}},
    {"numbered faces", "/~a104/~a10", false, {F(104), T("/~a10")}, {}, {}},
    {"a name with dots", "/~xu...", false, {F(33), T("...")}, {}, {}},
    {"unknown code stays text", "/~zz /x", false, {T("/~zz /x")}, {}, {}},
    {"GBK text around a face", "\xC4\xE3/~wx\xBA\xC3", false, {T("\xC4\xE3"), F(0), T("\xBA\xC3")}, {}, {}},
    {"picture present",
     "see /{AB12.jpg} now",
     false,
     {T("see "), P("AB12.jpg", kStored), T(" now")},
     {},
     {"AB12.jpg"}},
    {"picture missing: loading and requested",
     "/{CD.gif}",
     false,
     {P("CD.gif", kLoading)},
     {"CD.gif"},
     {"CD.gif"}},
    {"picture missing with the error flag", "/{CD.gif}", true, {P("CD.gif", kError)}, {}, {"CD.gif"}},
    {"picture present with the error flag", "/{AB12.jpg}", true, {P("AB12.jpg", kStored)}, {}, {"AB12.jpg"}},
    {"one request per name",
     "/{CD.gif}x/{CD.gif}",
     false,
     {P("CD.gif", kLoading), T("x"), P("CD.gif", kLoading)},
     {"CD.gif"},
     {"CD.gif", "CD.gif"}},
    {"face then picture", "/~wx/{AB12.jpg}", false, {F(0), P("AB12.jpg", kStored)}, {}, {"AB12.jpg"}},
    {"unterminated placeholder stays text", "x /{abc", false, {T("x /{abc")}, {}, {}},
    {"closing brace beyond a face", "x/{abc/~wx}", false, {T("x/{abc"), F(0), T("}")}, {}, {}},
    {"placeholder up to the next brace", "/{a /{b}c}", false, {P("a /{b", kError), T("c}")}, {}, {}},
    {"empty name", "/{}", false, {P("", kError)}, {}, {}},
    {"relative escape", "/{../../etc/passwd}", false, {P("../../etc/passwd", kError)}, {}, {}},
    {"absolute path", "/{/etc/passwd}", false, {P("/etc/passwd", kError)}, {}, {}},
    {"backslashes", "/{..\\..\\IM.Dat}", false, {P("..\\..\\IM.Dat", kError)}, {}, {}},
    {"dot dot alone", "/{..}", false, {P("..", kError)}, {}, {}},
    {"hidden name", "/{.IM.Dat}", false, {P(".IM.Dat", kError)}, {}, {}},
    {"80 characters are fine", "/{" + kLong80 + "}", false, {P(kLong80, kStored)}, {}, {kLong80}},
    {"81 characters are too long", "/{" + kLong81 + "}", false, {P(kLong81, kError)}, {}, {}},
    // 0x81 0x7D is one GBK character whose trail byte is '}': it does not end the placeholder.
    {"GBK trail byte 0x7D inside a name", "/{\x81}x.jpg}", false, {P("\x81}x.jpg", kError)}, {}, {}},
};

TEST(RichText, RenderTable) {
    for (const RenderCase& c : kRenderCases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> asked;
        const ImagesLookup lookup = [&](std::string_view name) {
            asked.emplace_back(name);
            return kHeld.count(std::string(name)) > 0;
        };
        const Rendered r = renderPlainText(c.plain, lookup, {c.withError});
        EXPECT_EQ(r.segments, c.segments);
        EXPECT_EQ(r.missing, c.missing);
        EXPECT_EQ(asked, c.lookedUp);
        // Splitting and joining again gives back exactly the text that arrived.
        EXPECT_EQ(plainText(r.segments), c.plain);
    }
}

TEST(RichText, PlainTextKeepsInputOrder) {
    const Segments input = {
        T("hi "), F(17), T(" "), P("AB12.jpg", kStored), T("\r\nnext line"), F(104), P("PC42.JPG", kLoading)};
    const std::string plain = "hi /~lhan /{AB12.jpg}\r\nnext line/~a104/{PC42.JPG}";
    EXPECT_EQ(plainText(input), plain);
    // And back: the same segments, the pictures as still to be decided.
    Segments expected = input;
    for (Segment& s : expected)
        if (s.kind == Segment::Kind::Picture) s.picture = kLoading;
    EXPECT_EQ(splitPlainText(plain), expected);
}

TEST(RichText, NoticeText) {
    const std::string smile = "\xA3\xBA\xA3\xA9";     // "：）"
    const std::string picture = "[\xCD\xBC\xC6\xAC]"; // "[图片]"
    struct Case {
        std::string plain;
        std::string notice;
    } cases[] = {
        {"hi /~wx /{AB12.jpg}", "hi " + smile + " " + picture},
        {"no codes here", "no codes here"},
        {"/~lhan", smile},
        {"/~xigua/~xig", smile + smile},
        {"/{../x}", picture},
        {"x /{abc", "x /{abc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.plain);
        EXPECT_EQ(noticeTextOfPlain(c.plain), c.notice);
    }
}

TEST(RichText, Tags) {
    EXPECT_EQ(tagOf(F(0)), "0");
    EXPECT_EQ(tagOf(F(104)), "104");
    EXPECT_EQ(tagOf(P("AB12.jpg", kStored)), "{AB12.jpg}");
    EXPECT_EQ(tagOf(T("x")), "");

    struct Case {
        std::string tag;
        std::string code;
    } codes[] = {
        {"0", "/~wx"},       {"17", "/~lhan"}, {"104", "/~a104"},   {"007", "/~bz"},
        {"105", ""},         {"1.5", ""},      {"99999999999", ""}, {"{AB12.jpg}", "/{AB12.jpg}"},
        {"other", "/other"},
    };
    for (const Case& c : codes) {
        SCOPED_TRACE(c.tag);
        EXPECT_EQ(codeOfTag(c.tag), c.code);
    }

    EXPECT_EQ(segmentOfTag("17", true), F(17));
    EXPECT_EQ(segmentOfTag("{AB12.jpg}", true), P("AB12.jpg", kStored));
    EXPECT_EQ(segmentOfTag("{AB12.jpg}", false), P("AB12.jpg", kLoading));
    EXPECT_EQ(segmentOfTag("{../IM.Dat}", false), P("../IM.Dat", kError));
    EXPECT_FALSE(segmentOfTag("105", true));
    EXPECT_FALSE(segmentOfTag("other", true));
    EXPECT_FALSE(segmentOfTag("{", true));
}

} // namespace
