#include "transfer/file_io.h"

#include "crypto/md5.h"
#include "protocol/file_records.h"
#include "protocol/wire.h"
#include "transfer/transfer_texts.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <unistd.h>

namespace vantor::transfer {

using protocol::kFileBlock;

uint32_t contentTagOf(const uint8_t* md5) {
    const uint32_t t = wire::loadU32(md5);
    return t ? t : 1;
}

QString plainFileName(const QString& offered) {
    QString name = offered;
    const qsizetype cut = std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    if (cut >= 0) name = name.mid(cut + 1);
    for (QChar& c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = QLatin1Char('_');
    name = name.trimmed();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = QStringLiteral("file");
    return name;
}

QString freePath(const QString& folder, const QString& name) {
    const QDir dir(folder);
    QString candidate = dir.filePath(name);
    if (!QFileInfo::exists(candidate) && !QFileInfo(candidate).isSymLink()) return candidate;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString ext = dot > 0 ? name.mid(dot) : QString();
    for (int n = 1;; ++n) {
        candidate = dir.filePath(QStringLiteral("%1 (%2)%3").arg(stem).arg(n).arg(ext));
        if (!QFileInfo::exists(candidate) && !QFileInfo(candidate).isSymLink()) return candidate;
    }
}

FileIo::~FileIo() {
    closeCache();
}

FileIo::Opened FileIo::openForSending(const QString& path) {
    Opened r;
    file_.setFileName(path);
    if (QFileInfo(path).isDir() || !file_.open(QIODevice::ReadOnly)) return r;
    r.size = uint64_t(file_.size());
    crypto::Md5Context ctx;
    crypto::Md5Init(ctx);
    std::string buf(1 << 16, '\0');
    while (true) {
        if (stopRequested) return {};
        const qint64 n = file_.read(buf.data(), qint64(buf.size()));
        if (n < 0) return {};
        if (n == 0) break;
        crypto::Md5Update(ctx, buf.data(), size_t(n));
    }
    const auto digest = crypto::Md5Final(ctx);
    r.tag = contentTagOf(digest.data());
    r.ok = true;
    return r;
}

std::vector<FileIo::Block> FileIo::read(const std::vector<uint32_t>& blocks, uint64_t size) {
    std::vector<Block> out;
    out.reserve(blocks.size());
    for (uint32_t i : blocks) {
        Block b;
        b.index = i;
        const uint64_t pos = uint64_t(i) * kFileBlock;
        if (pos < size) {
            const uint64_t len = std::min<uint64_t>(kFileBlock, size - pos);
            b.data.resize(len);
            if (!file_.seek(qint64(pos)) || file_.read(b.data.data(), qint64(len)) != qint64(len))
                b.data.clear();
        }
        out.push_back(std::move(b));
    }
    return out;
}

namespace {
QString companionOf(const QString& cache) {
    return cache + QStringLiteral(".src");
}
std::string companionBytes(uint32_t senderId, uint32_t tag) {
    std::string b(8, '\0');
    wire::storeU32(b.data(), senderId);
    wire::storeU32(b.data() + 4, tag);
    return b;
}
} // namespace

FileIo::Cache FileIo::openCache(const QString& path, uint64_t size, bool picture, uint32_t senderId,
                                uint32_t tag) {
    Cache r;
    closeCache();
    cachePath_ = path;
    size_ = size;
    picture_ = picture;
    blocks_ = blockCount(size);
    dataOffset_ = picture ? 0 : blocks_;
    QDir().mkpath(QFileInfo(path).absolutePath());
    const std::string companion = companionBytes(senderId, tag);
    bool resume = false;
    if (!picture && QFileInfo::exists(path)) {
        QFile c(companionOf(path));
        resume = c.open(QIODevice::ReadOnly) && c.readAll().toStdString() == companion &&
                 uint64_t(QFileInfo(path).size()) >= blocks_;
    }
    if (!resume) {
        QFile::remove(path);
        QFile c(companionOf(path));
        if (!c.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            c.write(companion.data(), qint64(companion.size())) != qint64(companion.size())) {
            r.error = c.errorString();
            return r;
        }
    }
    file_.setFileName(path);
    if (!file_.open(QIODevice::ReadWrite)) {
        r.error = file_.errorString();
        return r;
    }
    if (picture) {
        file_.resize(0);
    } else if (resume) {
        r.map = file_.read(blocks_).toStdString();
        if (r.map.size() != blocks_) r.map.assign(blocks_, '0');
        for (char& c : r.map)
            if (c != '1') c = '0';
        r.resumed = true;
    } else {
        r.map.assign(blocks_, '0');
        file_.resize(0);
        if (file_.write(r.map.data(), qint64(r.map.size())) != qint64(r.map.size())) {
            r.error = file_.errorString();
            return r;
        }
    }
    r.ok = true;
    return r;
}

bool FileIo::write(uint64_t position, const std::string& data, int64_t block) {
    if (!file_.isOpen()) return false;
    if (!file_.seek(qint64(dataOffset_ + position)) ||
        file_.write(data.data(), qint64(data.size())) != qint64(data.size()))
        return false;
    if (!picture_ && block >= 0) {
        if (!file_.seek(block) || file_.write("1", 1) != 1) return false;
    }
    return true;
}

bool FileIo::resetMap() {
    if (!file_.isOpen() || picture_) return file_.isOpen();
    const std::string zeros(blocks_, '0');
    return file_.seek(0) && file_.write(zeros.data(), qint64(zeros.size())) == qint64(zeros.size());
}

uint32_t FileIo::dataTag() {
    if (!file_.isOpen() || !file_.flush() || !file_.seek(qint64(dataOffset_))) return 0;
    crypto::Md5Context ctx;
    crypto::Md5Init(ctx);
    std::string buf(1 << 16, '\0');
    uint64_t left = size_;
    while (left > 0) {
        if (stopRequested) return 0;
        const qint64 n = file_.read(buf.data(), qint64(std::min<uint64_t>(left, buf.size())));
        if (n <= 0) return 0;
        crypto::Md5Update(ctx, buf.data(), size_t(n));
        left -= uint64_t(n);
    }
    const auto digest = crypto::Md5Final(ctx);
    return contentTagOf(digest.data());
}

FileIo::Moved FileIo::move(const QString& folder, const QString& name, bool keepExisting) {
    Moved r;
    if (!file_.isOpen() || !file_.flush()) {
        r.error = file_.errorString();
        return r;
    }
    if (!QDir().mkpath(folder)) {
        r.error = QStringLiteral("cannot create %1").arg(folder);
        return r;
    }
    const QString wanted = QDir(folder).filePath(name);
    if (keepExisting && QFileInfo(wanted).isFile()) {
        closeCache();
        r.ok = true;
        r.path = wanted;
        return r;
    }
    QTemporaryFile tmp(QDir(folder).filePath(QStringLiteral(".%1.XXXXXX.part").arg(name)));
    if (!tmp.open()) {
        r.error = tmp.errorString();
        return r;
    }
    if (!file_.seek(qint64(dataOffset_))) {
        r.error = file_.errorString();
        return r;
    }
    std::string buf(1 << 16, '\0');
    uint64_t left = size_;
    while (left > 0) {
        if (stopRequested) {
            r.error = QStringLiteral("stopped");
            return r;
        }
        const qint64 n = file_.read(buf.data(), qint64(std::min<uint64_t>(left, buf.size())));
        if (n <= 0 || tmp.write(buf.data(), n) != n) {
            r.error = n <= 0 ? file_.errorString() : tmp.errorString();
            return r;
        }
        left -= uint64_t(n);
    }
    if (!tmp.flush()) {
        r.error = tmp.errorString();
        return r;
    }
    // A hard link never replaces what exists: on a clash the next free name is tried.
    const QByteArray from = QFile::encodeName(tmp.fileName());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString target = freePath(folder, name);
        if (::link(from.constData(), QFile::encodeName(target).constData()) == 0) {
            r.path = target;
            break;
        }
        if (errno == EEXIST) continue;
        // A file system without hard links: rename, which Qt refuses onto an existing name.
        tmp.setAutoRemove(false);
        tmp.close();
        if (QFile::rename(tmp.fileName(), target)) {
            r.path = target;
            break;
        }
        QFile::remove(tmp.fileName());
        r.error = QStringLiteral("cannot create %1").arg(target);
        return r;
    }
    if (r.path.isEmpty()) return r;
    closeCache();
    QFile::remove(cachePath_);
    QFile::remove(companionOf(cachePath_));
    r.ok = true;
    return r;
}

void FileIo::closeCache() {
    if (file_.isOpen()) file_.close();
}

} // namespace vantor::transfer
