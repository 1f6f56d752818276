#include "conversation/action_link.h"

#include <gtest/gtest.h>

using namespace vantor::conversation;

namespace {

TEST(ActionLink, BuildAndParse) {
    struct Case {
        ActionLink link;
        std::string text;
    } cases[] = {
        {{"OpenFile", "/home/u/a_b.txt", "a_b.txt"}, "OpenFile_/home/u/a_b.txt<a_b.txt>"},
        {{"OpenDir", "/home/u/", "\xB4\xF2\xBF\xAA"}, "OpenDir_/home/u/<\xB4\xF2\xBF\xAA>"},
        {{"RHAccept", "42", "accept"}, "RHAccept_42<accept>"},
        {{"RHDecline", "", "no"}, "RHDecline_<no>"},
        // Characters that would end the link early are escaped and come back unchanged.
        {{"OpenFile", "/tmp/a<b>%c", "a>RHAccept_1<x"}, "OpenFile_/tmp/a%3Cb%3E%25c<a%3ERHAccept_1%3Cx>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(actionLinkText(c.link), c.text);
        EXPECT_EQ(parseActionLink(c.text), c.link);
    }
}

TEST(ActionLink, ParseRefuses) {
    for (std::string value : {"OpenFile", "OpenFile_/a", "Delete_/a<x>", "_<x>", ""})
        EXPECT_FALSE(parseActionLink(value)) << value;
    // A missing ">" takes the rest as the shown text.
    EXPECT_EQ(parseActionLink("OpenDir_/a<x"), (ActionLink{"OpenDir", "/a", "x"}));
}

TEST(ActionLink, SplitLine) {
    using Pieces = std::vector<ActionLinePiece>;
    struct Case {
        std::string line;
        Pieces pieces;
    } cases[] = {
        {"plain text only", {{"plain text only", ""}}},
        {"done OpenFile_/a/b.txt<b.txt> or OpenDir_/a/<folder>",
         {{"done ", ""},
          {"b.txt", "OpenFile_/a/b.txt<b.txt>"},
          {" or ", ""},
          {"folder", "OpenDir_/a/<folder>"}}},
        {"RHAccept_7<yes>RHDecline_7<no>", {{"yes", "RHAccept_7<yes>"}, {"no", "RHDecline_7<no>"}}},
        {"unknown Delete_/a<x> stays", {{"unknown Delete_/a<x> stays", ""}}},
        {"no end OpenFile_/a<b", {{"no end OpenFile_/a<b", ""}}},
        // A peer's file name cannot add a link of its own.
        {"got " + actionLinkText("OpenFile", "/r/a>RHAccept_1<x", "a>RHAccept_1<x"),
         {{"got ", ""}, {"a>RHAccept_1<x", "OpenFile_/r/a%3ERHAccept_1%3Cx<a%3ERHAccept_1%3Cx>"}}},
        // 0x81 0x4F is one GBK character: its trail byte 'O' does not start an action name.
        {"\x81OpenFile_a<b>", {{"\x81OpenFile_a<b>", ""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(splitActionLine(c.line), c.pieces);
    }
}

} // namespace
