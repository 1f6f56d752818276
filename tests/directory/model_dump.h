// Text forms of an item model for comparing trees in tests.
#pragma once

#include <QAbstractItemModel>

#include <algorithm>
#include <string>
#include <vector>

namespace vantor::directory::test {

// One line per row, "  " per level, the display text in UTF-8.
inline void dumpRows(const QAbstractItemModel& m, const QModelIndex& parent, int depth, std::string& out) {
    for (int r = 0; r < m.rowCount(parent); ++r) {
        const QModelIndex i = m.index(r, 0, parent);
        out += std::string(size_t(depth) * 2, ' ') + i.data().toString().toStdString() + "\n";
        dumpRows(m, i, depth + 1, out);
    }
}

inline std::string dump(const QAbstractItemModel& m) {
    std::string out;
    dumpRows(m, {}, 0, out);
    return out;
}

// The same with the rows of every level sorted, so that sibling order does not count.
inline std::string canonical(const QAbstractItemModel& m, const QModelIndex& parent = {}, int depth = 0) {
    std::vector<std::string> rows;
    for (int r = 0; r < m.rowCount(parent); ++r) {
        const QModelIndex i = m.index(r, 0, parent);
        rows.push_back(std::string(size_t(depth) * 2, ' ') + i.data().toString().toStdString() + "\n" +
                       canonical(m, i, depth + 1));
    }
    std::sort(rows.begin(), rows.end());
    std::string out;
    for (const auto& r : rows)
        out += r;
    return out;
}

} // namespace vantor::directory::test
