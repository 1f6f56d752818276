// The rich-text boxes alone: what the input box sends as codes, how the display renders codes and
// placeholders, the replacement of placeholders, pasting, action links and the face picker.
#include "chat_test_support.h"

#include "conversation/action_link.h"
#include "conversation/faces.h"
#include "conversation/picture_name.h"
#include "protocol/text.h"
#include "ui/chat/display_box.h"
#include "ui/chat/face_picker.h"
#include "ui/chat/input_box.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMimeData>
#include <QTextDocument>
#include <gtest/gtest.h>

namespace chat_ui_test {
namespace {

using vantor::protocol::fromGbk;
using vantor::protocol::toGbk;

class RichTextTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString images() const { return dir_.filePath(QStringLiteral("Images")) + QLatin1Char('/'); }
    PictureFolders folders() const { return artworkFolders(images()); }
    void storePicture(const char* name) {
        QDir().mkpath(images());
        writePicture(images() + QLatin1String(name));
    }
    QTemporaryDir dir_;
};

TEST_F(RichTextTest, InputGivesTextFacesAndPicturesAsCodesInOrder) {
    InputBox input(folders());
    const QString source = writePicture(dir_.filePath(QStringLiteral("holiday.jpg")));
    input.insertPlainText(QStringLiteral("看 "));
    input.insertFace(17);
    input.insertFace(17); // neighbours with the same format share one fragment
    input.insertPlainText(QStringLiteral(" "));
    ASSERT_TRUE(input.insertPictureFile(source));
    input.textCursor().insertBlock();
    input.insertPlainText(QStringLiteral("end"));

    const std::string name =
        vantor::conversation::pictureNameForFile("holiday.jpg", uint64_t(QFileInfo(source).size()));
    EXPECT_EQ(fromGbk(input.codedText()), "看 /~lhan/~lhan /{" + name + "}\r\nend");
    EXPECT_TRUE(QFileInfo::exists(images() + QString::fromStdString(name)))
        << "copied into the Images folder";
    const auto objects = input.objects();
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(objects[0].tag, QStringLiteral("17"));
    EXPECT_EQ(objects[2].tag, QStringLiteral("{%1}").arg(QString::fromStdString(name)));
    EXPECT_TRUE(objects[2].final);
}

TEST_F(RichTextTest, DisplayTurnsCodesIntoObjects) {
    storePicture("HERE.JPG");
    struct Case {
        const char* plain;
        std::vector<std::string> tags;
        std::vector<bool> final;
        std::vector<QString> files; // file names shown
        bool withError = false;
    } cases[] = {
        {"/~lhan", {"17"}, {true}, {"17.gif"}},
        {"/~lh an", {"27"}, {true}, {"27.gif"}},
        {"/~xigua/~xig", {"56", "89"}, {true, true}, {"56.gif", "89.gif"}},
        {"a/{HERE.JPG}b", {"{HERE.JPG}"}, {true}, {"HERE.JPG"}},
        {"/{GONE.JPG}", {"{GONE.JPG}"}, {false}, {"ImageLoading.gif"}},
        {"/{GONE.JPG}", {"{GONE.JPG}"}, {true}, {"ImageError.gif"}, true},
        {"/{../../etc/passwd}", {"{../../etc/passwd}"}, {true}, {"ImageError.gif"}},
        {"no codes here / {x}", {}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.plain);
        DisplayBox display(folders());
        display.appendMessage(QStringLiteral("Li 10:00:00"), false, toGbk(c.plain), {toGbk("宋体"), 0, 9},
                              {.withError = c.withError});
        const auto objects = display.objects();
        ASSERT_EQ(objects.size(), c.tags.size());
        for (size_t i = 0; i < objects.size(); ++i) {
            EXPECT_EQ(objects[i].tag.toStdString(), c.tags[i]);
            EXPECT_EQ(objects[i].final, c.final[i]);
            EXPECT_EQ(QFileInfo(objects[i].file).fileName(), c.files[i]);
        }
    }
}

TEST_F(RichTextTest, PlaceholdersGiveWayToThePictureOrTheErrorPicture) {
    DisplayBox display(folders());
    const auto r = display.appendMessage(QStringLiteral("Li"), false,
                                         toGbk("/{P1.JPG} and /{P1.JPG} /{P2.JPG}"), {toGbk("宋体"), 0, 9});
    EXPECT_EQ(r.missing, (std::vector<std::string>{"P1.JPG", "P2.JPG"}))
        << "each missing name asked for once";

    storePicture("P1.JPG");
    EXPECT_EQ(display.replacePlaceholders("P1.JPG", false), 2);
    EXPECT_EQ(display.replacePlaceholders("P1.JPG", false), 0) << "final objects are left alone";
    EXPECT_EQ(display.replacePlaceholders("P2.JPG", true), 1);
    const auto objects = display.objects();
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(QFileInfo(objects[0].file).fileName(), QStringLiteral("P1.JPG"));
    EXPECT_EQ(QFileInfo(objects[1].file).fileName(), QStringLiteral("P1.JPG"));
    EXPECT_EQ(QFileInfo(objects[2].file).fileName(), QStringLiteral("ImageError.gif"));
    for (const auto& o : objects)
        EXPECT_TRUE(o.final);
    // The tags still name the pictures: the display copies as codes.
    EXPECT_NE(fromGbk(display.codedText()).find("/{P1.JPG} and /{P1.JPG} /{P2.JPG}"), std::string::npos);
}

TEST_F(RichTextTest, LargePicturesAreShownAndDecodedAtMostAtDisplaySize) {
    QDir().mkpath(images());
    QImage big(2400, 1200, QImage::Format_RGB32);
    big.fill(Qt::darkGreen);
    ASSERT_TRUE(big.save(images() + QStringLiteral("BIG.JPG"), "JPG"));
    DisplayBox display(folders());
    display.appendMessage(QStringLiteral("Li"), false, "/{BIG.JPG}", {toGbk("宋体"), 0, 9});
    QTextCursor c(display.document());
    c.setPosition(display.objects().at(0).position + 1);
    const QTextImageFormat f = c.charFormat().toImageFormat();
    EXPECT_EQ(QSizeF(f.width(), f.height()), QSizeF(360, 180));
    const QImage held =
        display.document()->resource(QTextDocument::ImageResource, QUrl(f.name())).value<QImage>();
    EXPECT_EQ(held.size(), QSize(360, 180)) << "the document keeps the shown size, not the file's";
}

TEST_F(RichTextTest, PasteStoresBitmapsOffersFilesAndKeepsText) {
    InputBox input(folders());
    input.tick = [] { return 4242u; };
    QStringList offered;
    input.onFiles = [&](const QStringList& files) { offered = files; };

    QMimeData bitmap;
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::blue);
    bitmap.setImageData(image);
    input.pasteData(&bitmap);
    EXPECT_EQ(input.codedText(), "/{PC4242.JPG}");
    QImageReader stored(images() + QStringLiteral("PC4242.JPG"));
    EXPECT_EQ(stored.format(), "bmp") << "a pasted bitmap is kept in bitmap form";
    EXPECT_EQ(stored.size(), QSize(20, 10));

    const QString file = writePicture(dir_.filePath(QStringLiteral("a.jpg")));
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(file)});
    input.pasteData(&files);
    EXPECT_EQ(offered, QStringList{file});
    EXPECT_EQ(input.codedText(), "/{PC4242.JPG}") << "pasted files are offered, not inserted";

    QMimeData text;
    text.setText(QStringLiteral("文字"));
    input.pasteData(&text);
    EXPECT_EQ(fromGbk(input.codedText()), "/{PC4242.JPG}文字");
}

TEST_F(RichTextTest, ActionLinksHideTheirActionAndCanBeDisabled) {
    DisplayBox display(folders());
    const std::string link =
        vantor::conversation::actionLinkText("OpenFile", toGbk("/tmp/报告.doc"), toGbk("打开文件"));
    display.appendSystemLine(toGbk("10:00:00 文件接收完成 ") + link);
    const QString text = display.toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("打开文件")));
    EXPECT_FALSE(text.contains(QStringLiteral("OpenFile"))) << text.toStdString();
    const QString value = QString::fromStdString(fromGbk(link));
    ASSERT_TRUE(display.hasLink(value));
    display.disableLink(value);
    EXPECT_FALSE(display.hasLink(value));
    EXPECT_TRUE(display.toPlainText().contains(QStringLiteral("打开文件"))) << "the text stays";
}

TEST_F(RichTextTest, FacePickerSelectsByCellAndInsertsOnClick) {
    auto* picker = new TSelFaceForm(folders().customFace + QStringLiteral("FacePage1.bmp"), folders().faces);
    EXPECT_EQ(picker->size(), QSize(15 * 30 + 1, 7 * 29 + 1));
    struct Case {
        QPoint at;
        int face;
        const char* hint;
    } cases[] = {{{5, 5}, 0, "笑脸"},
                 {{2 * 30 + 29, 29 + 28}, 17, "冷汗"},
                 {{14 * 30 + 3, 6 * 29 + 3}, 104, "右太极"},
                 {{15 * 30 + 1, 3}, -1, ""},
                 {{3, 7 * 29 + 1}, -1, ""}};
    for (const Case& c : cases) {
        picker->hoverAt(c.at);
        EXPECT_EQ(picker->hovered(), c.face) << c.at.x() << "," << c.at.y();
        EXPECT_EQ(picker->hint().toStdString(), c.hint);
    }
    int chosen = -1;
    picker->onFace = [&](int face) { chosen = face; };
    picker->show();
    picker->chooseAt({2 * 30 + 1, 29 + 1});
    EXPECT_EQ(chosen, 17);
    EXPECT_FALSE(picker->isVisible()) << "a choice closes the picker";
}

TEST_F(RichTextTest, AnimatedFacesRunAnAnimationPerFile) {
    int animatedFile = -1;
    for (int i = 0; i < 105 && animatedFile < 0; ++i)
        if (QImageReader(folders().faces + QStringLiteral("%1.gif").arg(i)).imageCount() > 1)
            animatedFile = i;
    if (animatedFile < 0) GTEST_SKIP() << "no animated face in the artwork";
    DisplayBox display(folders());
    const std::string code(vantor::conversation::faceCode(animatedFile));
    display.appendMessage(QStringLiteral("Li"), false, code + code + code, {toGbk("宋体"), 0, 9});
    EXPECT_EQ(display.objects().size(), 3u);
    EXPECT_EQ(display.animationCount(), 1) << "one animation however often the face is shown";
}

TEST_F(RichTextTest, PicturesShownAgainAfterClearingHaveTheirImages) {
    QDir().mkpath(images());
    QImage still(40, 30, QImage::Format_RGB32);
    still.fill(Qt::darkBlue);
    ASSERT_TRUE(still.save(images() + QStringLiteral("STILL.JPG"), "JPG"));
    DisplayBox display(folders());
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        display.clearDisplay(); // as "清屏" and every history page do
        display.appendMessage(QStringLiteral("Li"), false, "/{STILL.JPG}", {toGbk("宋体"), 0, 9});
        ASSERT_EQ(display.objects().size(), 1u);
        QTextCursor c(display.document());
        c.setPosition(display.objects().at(0).position + 1);
        const QString name = c.charFormat().toImageFormat().name();
        EXPECT_FALSE(
            display.document()->resource(QTextDocument::ImageResource, QUrl(name)).value<QImage>().isNull());
    }
}

} // namespace
} // namespace chat_ui_test
