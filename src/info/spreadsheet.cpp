#include "info/spreadsheet.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <freexl.h>
#include <unzip.h>

#include <array>
#include <cmath>
#include <map>

namespace vantor::info {

namespace {

constexpr unsigned kColumns = 3;

QString numberText(double v) {
    if (std::isfinite(v) && std::floor(v) == v && std::fabs(v) < 1e15) return QString::number(qlonglong(v));
    return QString::number(v, 'g', 15);
}

QString bounded(QString s, const SpreadsheetLimits& limits) {
    if (size_t(s.size()) > limits.maxCellChars) s.truncate(qsizetype(limits.maxCellChars));
    return s;
}

// ---- .xlsx ----

class Zip {
  public:
    explicit Zip(const QString& path) : zip_(unzOpen64(QFile::encodeName(path).constData())) {}
    ~Zip() {
        if (zip_) unzClose(zip_);
    }
    Zip(const Zip&) = delete;
    Zip& operator=(const Zip&) = delete;
    bool ok() const { return zip_ != nullptr; }

    // A part whole, at most `limit` bytes uncompressed (more: nullopt, whatever the header says).
    std::optional<QByteArray> part(const char* name, uint64_t limit) {
        if (unzLocateFile(zip_, name, 1) != UNZ_OK) return std::nullopt;
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(zip_, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
            return std::nullopt;
        if (info.uncompressed_size > limit) return std::nullopt;
        if (unzOpenCurrentFile(zip_) != UNZ_OK) return std::nullopt;
        QByteArray out;
        char buf[64 * 1024];
        int n = 0;
        bool good = true;
        while ((n = unzReadCurrentFile(zip_, buf, sizeof buf)) > 0) {
            if (uint64_t(out.size()) + uint64_t(n) > limit) {
                good = false;
                break;
            }
            out.append(buf, n);
        }
        if (n < 0) good = false;
        if (unzCloseCurrentFile(zip_) != UNZ_OK) good = false; // a CRC mismatch shows here
        if (!good) return std::nullopt;
        return out;
    }

  private:
    unzFile zip_;
};

// The text of an element and its descendants (<t> of rich-text runs), phonetic runs left out.
QString elementText(QXmlStreamReader& x) {
    QString text;
    int depth = 1;
    int phonetic = 0;
    while (depth > 0 && !x.atEnd()) {
        switch (x.readNext()) {
        case QXmlStreamReader::StartElement:
            ++depth;
            if (x.name() == QLatin1String("rPh")) ++phonetic;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            if (x.name() == QLatin1String("rPh")) --phonetic;
            break;
        case QXmlStreamReader::Characters:
            if (!phonetic) text += x.text();
            break;
        default:
            break;
        }
    }
    return text;
}

// "BC12" → column 55 (from 1); 0 when there are no letters.
unsigned columnOf(QStringView ref) {
    unsigned col = 0;
    for (QChar c : ref) {
        if (c < QLatin1Char('A') || c > QLatin1Char('Z')) break;
        col = col * 26 + unsigned(c.unicode() - 'A' + 1);
        if (col > 16384) return 0;
    }
    return col;
}

QString firstSheetPath(Zip& zip, const SpreadsheetLimits& limits) {
    const QString fallback = QStringLiteral("xl/worksheets/sheet1.xml");
    const auto book = zip.part("xl/workbook.xml", limits.maxPartBytes);
    const auto rels = zip.part("xl/_rels/workbook.xml.rels", limits.maxPartBytes);
    if (!book || !rels) return fallback;
    QString id;
    QXmlStreamReader b(*book);
    while (!b.atEnd() && id.isEmpty())
        if (b.readNext() == QXmlStreamReader::StartElement && b.name() == QLatin1String("sheet"))
            for (const auto& a : b.attributes())
                if (a.name() == QLatin1String("id")) id = a.value().toString();
    if (id.isEmpty()) return fallback;
    QXmlStreamReader r(*rels);
    while (!r.atEnd()) {
        if (r.readNext() != QXmlStreamReader::StartElement || r.name() != QLatin1String("Relationship"))
            continue;
        if (r.attributes().value(QLatin1String("Id")) != id) continue;
        QString target = r.attributes().value(QLatin1String("Target")).toString();
        // Inside the package only: no climbing out of it.
        if (target.contains(QLatin1String(".."))) return fallback;
        return target.startsWith(QLatin1Char('/')) ? target.mid(1) : QStringLiteral("xl/") + target;
    }
    return fallback;
}

} // namespace

bool readXlsx(const QString& path, const CellSink& cell, QString* error, const SpreadsheetLimits& limits) {
    Zip zip(path);
    if (!zip.ok()) {
        if (error) *error = QStringLiteral("不是有效的EXCEL文件");
        return false;
    }
    std::vector<QString> shared;
    if (const auto sst = zip.part("xl/sharedStrings.xml", limits.maxPartBytes)) {
        QXmlStreamReader x(*sst);
        while (!x.atEnd() && shared.size() < (1u << 22))
            if (x.readNext() == QXmlStreamReader::StartElement && x.name() == QLatin1String("si"))
                shared.push_back(bounded(elementText(x), limits));
    }
    const auto sheet = zip.part(firstSheetPath(zip, limits).toUtf8().constData(), limits.maxPartBytes);
    if (!sheet) {
        if (error) *error = QStringLiteral("EXCEL文件中没有可读的工作表");
        return false;
    }
    QXmlStreamReader x(*sheet);
    unsigned row = 0, column = 0;
    while (!x.atEnd()) {
        if (x.readNext() != QXmlStreamReader::StartElement) continue;
        if (x.name() == QLatin1String("row")) {
            bool ok = false;
            const unsigned r = x.attributes().value(QLatin1String("r")).toUInt(&ok);
            row = ok && r > row ? r : row + 1;
            column = 0;
            if (row > limits.maxRows + 1) break;
            continue;
        }
        if (x.name() != QLatin1String("c")) continue;
        const auto attrs = x.attributes();
        const unsigned c = columnOf(attrs.value(QLatin1String("r")));
        column = c ? c : column + 1;
        const QString type = attrs.value(QLatin1String("t")).toString();
        QString value, inlineText;
        bool haveValue = false;
        int depth = 1;
        while (depth > 0 && !x.atEnd()) {
            const auto t = x.readNext();
            if (t == QXmlStreamReader::EndElement) {
                --depth;
            } else if (t == QXmlStreamReader::StartElement) {
                if (x.name() == QLatin1String("v")) {
                    value = x.readElementText(QXmlStreamReader::IncludeChildElements);
                    haveValue = true;
                } else if (x.name() == QLatin1String("is")) {
                    inlineText = elementText(x);
                    haveValue = true;
                } else {
                    ++depth;
                }
            }
        }
        if (!haveValue || column == 0 || column > kColumns || row == 0) continue;
        QString text;
        if (type == QLatin1String("s")) {
            bool ok = false;
            const qulonglong i = value.trimmed().toULongLong(&ok);
            if (ok && i < shared.size()) text = shared[size_t(i)];
        } else if (type == QLatin1String("inlineStr")) {
            text = inlineText;
        } else if (type == QLatin1String("b")) {
            text = value.trimmed() == QLatin1String("1") ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        } else if (type.isEmpty() || type == QLatin1String("n")) {
            bool ok = false;
            const double v = value.trimmed().toDouble(&ok);
            text = ok ? numberText(v) : value;
        } else {
            text = value;
        }
        cell(row, column, bounded(text, limits));
    }
    if (x.hasError() && x.error() != QXmlStreamReader::PrematureEndOfDocumentError) {
        if (error) *error = QStringLiteral("EXCEL文件已损坏：") + x.errorString();
        return false;
    }
    return true;
}

bool readXls(const QString& path, const CellSink& cell, QString* error, const SpreadsheetLimits& limits) {
    const void* h = nullptr;
    const int opened = freexl_open(QFile::encodeName(path).constData(), &h);
    if (opened != FREEXL_OK || !h) {
        if (h) freexl_close(h);
        if (error) *error = QStringLiteral("不是有效的EXCEL文件（%1）").arg(opened);
        return false;
    }
    unsigned rows = 0;
    unsigned short columns = 0;
    if (freexl_select_active_worksheet(h, 0) != FREEXL_OK ||
        freexl_worksheet_dimensions(h, &rows, &columns) != FREEXL_OK) {
        freexl_close(h);
        if (error) *error = QStringLiteral("EXCEL文件中没有可读的工作表");
        return false;
    }
    const unsigned lastRow = unsigned(std::min<uint64_t>(rows, limits.maxRows + 1));
    const unsigned short lastColumn = std::min<unsigned short>(columns, kColumns);
    for (unsigned r = 0; r < lastRow; ++r) {
        for (unsigned short c = 0; c < lastColumn; ++c) {
            FreeXL_CellValue v{};
            if (freexl_get_cell_value(h, r, c, &v) != FREEXL_OK) continue;
            QString text;
            switch (v.type) {
            case FREEXL_CELL_INT:
                text = QString::number(v.value.int_value);
                break;
            case FREEXL_CELL_DOUBLE:
                text = numberText(v.value.double_value);
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME:
                if (v.value.text_value) text = QString::fromUtf8(v.value.text_value);
                break;
            default:
                break;
            }
            cell(r + 1, unsigned(c) + 1, bounded(text, limits));
        }
    }
    freexl_close(h);
    return true;
}

bool readCsv(const QByteArray& bytes, const CellSink& cell, const SpreadsheetLimits& limits) {
    QByteArray data = bytes;
    if (data.startsWith("\xEF\xBB\xBF")) data.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(data);
    if (utf8.hasError()) {
        QStringDecoder gbk("GBK");
        text = gbk.isValid() ? QString(gbk.decode(data)) : QString::fromLatin1(data);
    }
    unsigned row = 1, column = 1;
    QString field;
    bool quoted = false, wasQuoted = false;
    auto endField = [&] {
        if (column <= kColumns) cell(row, column, bounded(field, limits));
        field.clear();
        wasQuoted = false;
        ++column;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else if (size_t(field.size()) < limits.maxCellChars) {
                field += c;
            }
            continue;
        }
        if (c == QLatin1Char('"') && field.isEmpty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == QLatin1Char(',')) {
            endField();
        } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
            endField();
            ++row;
            column = 1;
            if (row > limits.maxRows + 1) return true;
        } else if (size_t(field.size()) < limits.maxCellChars) {
            field += c;
        }
    }
    if (!field.isEmpty() || column > 1) endField();
    return true;
}

std::optional<std::vector<SpreadsheetRow>> ReadSpreadsheet(const QString& path, QString* error,
                                                           const SpreadsheetLimits& limits) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("无法打开文件：") + path;
        return std::nullopt;
    }
    const QByteArray magic = f.peek(8);
    // Cells by row: only the first three columns, only as many rows as may be read.
    std::map<unsigned, std::array<QString, kColumns>> cells;
    const CellSink sink = [&](unsigned row, unsigned column, const QString& text) {
        if (row < 2 || row > limits.maxRows + 1 || column < 1 || column > kColumns) return;
        cells[row][column - 1] = text;
    };
    bool ok = false;
    if (magic.startsWith("PK\x03\x04")) {
        f.close();
        ok = readXlsx(path, sink, error, limits);
    } else if (magic.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) {
        f.close();
        ok = readXls(path, sink, error, limits);
    } else {
        const QString suffix = QFileInfo(path).suffix().toLower();
        if (suffix == QLatin1String("xls") || suffix == QLatin1String("xlsx")) {
            if (error) *error = QStringLiteral("不是有效的EXCEL文件");
            return std::nullopt;
        }
        if (uint64_t(f.size()) > limits.maxPartBytes) {
            if (error) *error = QStringLiteral("文件太大");
            return std::nullopt;
        }
        ok = readCsv(f.readAll(), sink, limits);
    }
    if (!ok) return std::nullopt;
    std::vector<SpreadsheetRow> rows;
    for (unsigned r = 2;; ++r) {
        const auto it = cells.find(r);
        if (it == cells.end() || it->second[0].trimmed().isEmpty()) break;
        rows.push_back({it->second[0].trimmed(), it->second[1].trimmed(), it->second[2]});
    }
    return rows;
}

} // namespace vantor::info
