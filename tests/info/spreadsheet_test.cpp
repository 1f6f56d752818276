// ReadSpreadsheet over workbooks written by independent writers (python3-xlwt for .xls,
// python3-openpyxl for .xlsx) and over CSV texts: the rows from row 2 to the first empty first
// cell, numbers as the user typed them, only the first worksheet; broken and oversized files are
// refused with a reason, never read past their bounds.
#include "../support/missing_tool.h"
#include "info/spreadsheet.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vantor::testing {
namespace {

using info::ReadSpreadsheet;
using info::SpreadsheetRow;

// The rows every workbook below holds: a title row, two recipients (one account typed as a
// number), a row with an empty first cell that ends the list, and a row after it.
const char* kRowsPython = R"PY(
rows = [["账号", "姓名", "内容"],
        ["zhangwei", "张伟", "请于周五前提交报表"],
        [1003, "李娜", "多行\n内容"],
        [None, "空行", "到此为止"],
        ["wangfang", "王芳", "不应读到"]]
)PY";

// Runs a Python script with the system's Python (where the Debian modules are), else the one on
// the path; an empty string when it worked, else why not.
std::string runPython(const QString& script) {
    const QString python = QFile::exists(QStringLiteral("/usr/bin/python3"))
                               ? QStringLiteral("/usr/bin/python3")
                               : QStringLiteral("python3");
    QProcess p;
    p.start(python, {QStringLiteral("-c"), script});
    if (!p.waitForFinished(60000)) return "python3 did not run";
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return "python3 failed: " + p.readAllStandardError().toStdString();
    return {};
}

bool hasModule(const char* module) {
    return runPython(QStringLiteral("import %1").arg(QLatin1String(module))).empty();
}

void expectTheTwoRecipients(const std::vector<SpreadsheetRow>& rows) {
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].account, QStringLiteral("zhangwei"));
    EXPECT_EQ(rows[0].name, QStringLiteral("张伟"));
    EXPECT_EQ(rows[0].text, QStringLiteral("请于周五前提交报表"));
    EXPECT_EQ(rows[1].account, QStringLiteral("1003")); // not "1003.0"
    EXPECT_EQ(rows[1].name, QStringLiteral("李娜"));
    EXPECT_EQ(rows[1].text, QStringLiteral("多行\n内容"));
}

class SpreadsheetTest : public ::testing::Test {
  protected:
    QString path(const char* name) const { return dir_.filePath(QLatin1String(name)); }
    QTemporaryDir dir_;
};

TEST_F(SpreadsheetTest, AnXlsWrittenByXlwtGivesTheRowsUpToTheFirstEmptyAccount) {
    VANTOR_NEEDS_TOOL(hasModule("xlwt") ? "" : "python3-xlwt is not installed");
    const QString file = path("recipients.xls");
    ASSERT_EQ(
        runPython(QString::fromUtf8(kRowsPython) + QStringLiteral(R"PY(
import xlwt
book = xlwt.Workbook(encoding="utf-8")
sheet = book.add_sheet("名单")
for r, row in enumerate(rows):
    for c, v in enumerate(row):
        if v is not None:
            sheet.write(r, c, v)
other = book.add_sheet("其它")
other.write(1, 0, "lina")
book.save(%1)
)PY")
                                                       .arg(QLatin1Char('"') + file + QLatin1Char('"'))),
        "");
    QString error;
    const auto rows = ReadSpreadsheet(file, &error);
    ASSERT_TRUE(rows) << error.toStdString();
    expectTheTwoRecipients(*rows);
}

TEST_F(SpreadsheetTest, AnXlsxWrittenByOpenpyxlGivesTheSameRowsFromItsFirstSheet) {
    VANTOR_NEEDS_TOOL(hasModule("openpyxl") ? "" : "python3-openpyxl is not installed");
    const QString file = path("recipients.xlsx");
    ASSERT_EQ(
        runPython(QString::fromUtf8(kRowsPython) + QStringLiteral(R"PY(
import openpyxl
book = openpyxl.Workbook()
sheet = book.active
sheet.title = "名单"
for r, row in enumerate(rows):
    for c, v in enumerate(row):
        if v is not None:
            sheet.cell(row=r + 1, column=c + 1, value=v)
sheet.cell(row=2, column=5, value="第五列不读")
other = book.create_sheet("其它")
other.cell(row=2, column=1, value="lina")
book.save(%1)
)PY")
                                                       .arg(QLatin1Char('"') + file + QLatin1Char('"'))),
        "");
    QString error;
    const auto rows = ReadSpreadsheet(file, &error);
    ASSERT_TRUE(rows) << error.toStdString();
    expectTheTwoRecipients(*rows);

    // A sheet part larger than allowed is refused, whatever its zip header claims.
    info::SpreadsheetLimits tiny;
    tiny.maxPartBytes = 200;
    EXPECT_FALSE(ReadSpreadsheet(file, &error, tiny));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(SpreadsheetTest, CsvTextsInTheirEncodingsAndQuoting) {
    struct Case {
        const char* what;
        QByteArray bytes;
        std::vector<std::array<const char*, 3>> rows;
    };
    const QByteArray gbk =
        QByteArray("a,b,c\r\n") + QByteArray("zhangwei,\xD5\xC5\xCE\xB0,\xC4\xE3\xBA\xC3\r\n");
    const std::vector<Case> cases = {
        {"UTF-8 with a byte-order mark, LF",
         "\xEF\xBB\xBF账号,姓名,内容\nzhangwei,张伟,你好\n",
         {{"zhangwei", "张伟", "你好"}}},
        {"GBK, CRLF", gbk, {{"zhangwei", "张伟", "你好"}}},
        {"quotes, commas, line breaks and doubled quotes inside",
         "h\r\n\"lina\",\"李, 娜\",\"第一行\r\n第二行 \"\"引用\"\"\"\r\n",
         {{"lina", "李, 娜", "第一行\r\n第二行 \"引用\""}}},
        {"an empty first cell in row 2: nothing", "h\n,张伟,x\nlina,李娜,y\n", {}},
        {"a blank first cell ends the list",
         "h\nlina,李娜,y\n  ,x,y\nwangfang,王芳,z\n",
         {{"lina", "李娜", "y"}}},
        {"missing columns are empty, more are ignored",
         "h\nlina\nwangfang,王芳,z,extra\n",
         {{"lina", "", ""}, {"wangfang", "王芳", "z"}}},
        {"no newline at the end", "h\nlina,李娜,y", {{"lina", "李娜", "y"}}},
        {"an unterminated quote runs to the end", "h\nlina,\"李娜,y\n", {{"lina", "李娜,y", ""}}},
        {"only the title row", "账号,姓名,内容\n", {}},
    };
    for (const Case& c : cases) {
        const QString file = path("list.csv");
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.bytes);
        f.close();
        QString error;
        const auto rows = ReadSpreadsheet(file, &error);
        ASSERT_TRUE(rows) << c.what << ": " << error.toStdString();
        ASSERT_EQ(rows->size(), c.rows.size()) << c.what;
        for (size_t i = 0; i < rows->size(); ++i) {
            EXPECT_EQ((*rows)[i].account, QString::fromUtf8(c.rows[i][0])) << c.what;
            EXPECT_EQ((*rows)[i].name, QString::fromUtf8(c.rows[i][1])) << c.what;
            EXPECT_EQ((*rows)[i].text, QString::fromUtf8(c.rows[i][2])) << c.what;
        }
    }
}

TEST_F(SpreadsheetTest, BrokenWorkbooksAreRefusedWithAReason) {
    struct Case {
        const char* what;
        const char* name;
        QByteArray bytes;
    };
    const std::vector<Case> cases = {
        {"a zip that holds no sheet", "a.xlsx",
         QByteArray::fromHex("504b0506000000000000000000000000000000000000")},
        {"a zip header and nothing else", "b.xlsx", QByteArray("PK\x03\x04", 4) + QByteArray(40, '\0')},
        {"a compound-file signature and nothing else", "c.xls",
         QByteArray::fromHex("d0cf11e0a1b11ae1") + QByteArray(100, '\0')},
        {"text named .xls", "d.xls", "zhangwei,张伟,x\n"},
    };
    for (const Case& c : cases) {
        const QString file = path(c.name);
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.bytes);
        f.close();
        QString error;
        EXPECT_FALSE(ReadSpreadsheet(file, &error)) << c.what;
        EXPECT_FALSE(error.isEmpty()) << c.what;
    }
    QString error;
    EXPECT_FALSE(ReadSpreadsheet(path("missing.xls"), &error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
} // namespace vantor::testing
