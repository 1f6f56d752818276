// A notice body read from RTF into the editor's document and written back: every look the codec
// knows survives, line breaks stay inside their paragraph.
#include "info/rich_text_document.h"

#include <QGuiApplication>
#include <QTextDocument>
#include <gtest/gtest.h>

namespace {

using namespace vantor;

TEST(RichTextDocument, RunsSurviveTheEditorsDocument) {
    int argc = 1;
    char name[] = "vantor_info_tests";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    const std::string rtf = "{\\rtf1\\ansicpg936{\\fonttbl{\\f1\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}"
                            "{\\colortbl ;\\red29\\green138\\blue250;}\\f1\\fs28 \\'cd\\'a8\\'d6\\'aa "
                            "\\b\\cf1 bold\\b0\\cf0\\i  it\\i0\\ul  u\\ulnone\\line x\\par second}";
    const protocol::RtfDocument in = protocol::readRtf(rtf);
    QTextDocument doc;
    info::fillDocument(doc, in);
    // The line break stays inside the first block (toPlainText shows it as a newline).
    EXPECT_EQ(doc.blockCount(), 2);
    EXPECT_EQ(doc.toPlainText().toStdString(), "通知 bold it u\nx\nsecond");
    const protocol::RtfDocument back = info::fromDocument(doc);
    ASSERT_EQ(back.paragraphs.size(), 2u);
    EXPECT_EQ(back.plainText(), in.plainText());
    ASSERT_EQ(back.paragraphs[0].runs.size(), in.paragraphs[0].runs.size());
    for (size_t i = 0; i < in.paragraphs[0].runs.size(); ++i) {
        const auto& a = in.paragraphs[0].runs[i];
        const auto& b = back.paragraphs[0].runs[i];
        EXPECT_TRUE(a.sameLook(b)) << i << " " << a.text;
    }
    EXPECT_EQ(protocol::readRtf(protocol::writeRtf(back)).plainText(), in.plainText());
}

} // namespace
