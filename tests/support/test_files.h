// Files for the transfer tests and benchmarks: a file of pseudo-random bytes (the same for the same
// size) and the SHA-256 of a file, to check that what arrived is byte for byte what was sent.
#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>

namespace vantor::testing {

// The hex SHA-256 of a file; empty when it cannot be read.
inline QByteArray sha256(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(&f);
    return h.result().toHex();
}

// Writes `size` pseudo-random bytes (seeded by the size) in pieces of 1 MiB; false when it could not.
inline bool writeRandomFile(const QString& path, qint64 size) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    std::mt19937_64 rng{uint64_t(size)};
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (qint64 left = size; left > 0;) {
        for (qsizetype i = 0; i + 8 <= block.size(); i += 8) {
            const uint64_t w = rng();
            std::memcpy(block.data() + i, &w, 8);
        }
        const qint64 n = std::min<qint64>(left, block.size());
        if (f.write(block.constData(), n) != n) return false;
        left -= n;
    }
    return true;
}

} // namespace vantor::testing
