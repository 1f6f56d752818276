// ReadSpreadsheet: the recipients of a spreadsheet notice from a workbook — the first worksheet's
// cells (row, 1), (row, 2) and (row, 3) as text, from row 2 (row 1 holds the column titles) to the
// first row whose first cell is empty after trimming. .xls through libfreexl, .xlsx as the zip of
// XML parts it is (minizip, Qt's XML reader), .csv as UTF-8 (a byte-order mark allowed) or, when it
// is not valid UTF-8, GBK. Every count and size is bounded before anything is held.
#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace vantor::info {

struct SpreadsheetRow {
    QString account, name; // columns 1 and 2, trimmed
    QString text;          // column 3 as it is
};

struct SpreadsheetLimits {
    size_t maxRows = 100000;
    size_t maxCellChars = 1 << 20;
    uint64_t maxPartBytes = 64ull << 20; // one uncompressed XML part of an .xlsx
};

// The rows; nullopt with the reason in `error` when the workbook cannot be read.
std::optional<std::vector<SpreadsheetRow>> ReadSpreadsheet(const QString& path, QString* error,
                                                           const SpreadsheetLimits& limits = {});

// The readers behind it, for the formats' own tests and the fuzzers. Cells of the first worksheet
// by (row, column), both from 1; columns beyond 3 are not kept.
using CellSink = std::function<void(unsigned row, unsigned column, const QString& text)>;
bool readXls(const QString& path, const CellSink& cell, QString* error, const SpreadsheetLimits& limits);
bool readXlsx(const QString& path, const CellSink& cell, QString* error, const SpreadsheetLimits& limits);
bool readCsv(const QByteArray& bytes, const CellSink& cell, const SpreadsheetLimits& limits);

} // namespace vantor::info
