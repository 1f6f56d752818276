#include "transfer/offline_files.h"

#include "protocol/codes.h"
#include "protocol/text.h"
#include "protocol/wire.h"
#include "transfer/recv_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace vantor::transfer {

bool plausibleNotice(const protocol::OfflineFile& n, uint32_t ownId) {
    if (n.receiverId != ownId || !isFileServerName(n.transferId)) return false;
    const std::string owner = std::to_string(n.senderId) + "_";
    return n.transferId.compare(0, owner.size(), owner) == 0;
}

std::string netFileBody(const std::string& transferId, uint32_t ownId) {
    wire::WireWriter w(85);
    w.text(80, transferId);
    w.u32(ownId);
    return std::move(w).bytes();
}

OfflineFiles::~OfflineFiles() {
    clear();
}

bool OfflineFiles::add(const protocol::OfflineFile& notice) {
    if (!plausibleNotice(notice, host_.ownId()) || find(notice.transferId) || items_.size() >= kMaxItems)
        return false;
    auto item = std::make_unique<OfflineFileItem>();
    item->notice = notice;
    items_.push_back(std::move(item));
    save();
    changed();
    if (onAdded) onAdded(*items_.back());
    return true;
}

void OfflineFiles::keepIn(const QString& path) {
    keptIn_.clear(); // nothing is written while the kept ones are read
    QFile f(path);
    if (f.open(QIODevice::ReadOnly)) {
        const QByteArray all = f.read(qint64(kMaxItems * protocol::OfflineFile::kSize));
        for (qsizetype at = 0; at + qsizetype(protocol::OfflineFile::kSize) <= all.size();
             at += qsizetype(protocol::OfflineFile::kSize)) {
            protocol::OfflineFile n;
            if (wire::decode(std::string_view(all.constData() + at, protocol::OfflineFile::kSize), n)) add(n);
        }
    }
    keptIn_ = path;
    save();
}

// Rewritten whole (at most 500 notices): a temporary file renamed over the old one, without
// waiting for the disk.
void OfflineFiles::save() {
    if (keptIn_.isEmpty()) return;
    std::string bytes;
    for (const auto& i : items_)
        if (!i->handled()) bytes += wire::encode(i->notice);
    QDir().mkpath(QFileInfo(keptIn_).absolutePath());
    const QString temporary = keptIn_ + QStringLiteral(".new");
    QFile f(temporary);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
    const bool written = f.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size()) && f.flush();
    f.close();
    if (!written ||
        ::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(keptIn_).constData()) != 0)
        QFile::remove(temporary);
}

OfflineFileItem* OfflineFiles::find(std::string_view id) const {
    for (const auto& i : items_)
        if (i->id() == id) return i.get();
    return nullptr;
}

int OfflineFiles::notHandled() const {
    return int(std::count_if(items_.begin(), items_.end(), [](const auto& i) { return !i->handled(); }));
}

bool OfflineFiles::saveAs(const std::string& id, const QString& path, bool overwrite) {
    OfflineFileItem* item = find(id);
    if (!item || item->busy() || item->handled() || path.isEmpty()) return false;
    auto client = std::make_unique<TFTPClient>(host_.fileServerHost(), host_.fileServerPort());
    client->IsDownload = true;
    client->Name = QString::fromStdString(id);
    client->Target = QString::fromStdString(protocol::fromGbk(item->notice.fileName));
    client->SavedPath = path;
    client->Overwrite = overwrite;
    client->ExpectedSize = int64_t(std::min<uint64_t>(item->notice.size, uint64_t(ftp::kMaxSize)));
    client->OnProgress = [this, id](int percent, const QString& speed, const QString& remaining) {
        if (OfflineFileItem* i = find(id)) {
            i->percent = percent;
            i->speed = speed;
            i->remaining = remaining;
            changed();
        }
    };
    client->OnDone = [this, id](TFTPClient& c, const QString&, const QString& text) {
        OfflineFileItem* i = find(id);
        if (!i || i->client.get() != &c) return;
        const TFTPClient::Result result = c.result();
        // Freed once this call has returned.
        i->client.release()->deleteLater();
        i->state = OfflineFileItem::State::Idle;
        i->percent = 0;
        i->speed.clear();
        i->remaining.clear();
        i->error = result == TFTPClient::Result::Downloaded ? QString() : text;
        if (result == TFTPClient::Result::Downloaded) downloaded(*i, c.SavedPath);
        if (onDone) onDone(*i, result, text);
        changed();
    };
    item->client = std::move(client);
    item->state = OfflineFileItem::State::Busy;
    item->percent = 0;
    item->error.clear();
    item->client->StartTransfer();
    changed();
    return true;
}

void OfflineFiles::downloaded(OfflineFileItem& item, const QString& path) {
    acknowledge(item);
    item.state = OfflineFileItem::State::Taken;
    item.savedPath = path;
    save();
    host_.fileTaken(item.notice, path);
    const QString history = host_.historyFolder();
    QDir().mkpath(history);
    ReceivedFileRecord r;
    r.senderName = item.notice.senderName;
    r.path = protocol::toGbk(QDir::toNativeSeparators(path).toStdString());
    r.size = item.notice.size;
    r.receivedAt = host_.now();
    appendReceivedFile(history.toStdString(), r);
}

bool OfflineFiles::refuse(const std::string& id) {
    OfflineFileItem* item = find(id);
    if (!item || item->busy() || item->handled()) return false;
    acknowledge(*item);
    item->state = OfflineFileItem::State::Refused;
    save();
    changed();
    return true;
}

void OfflineFiles::acknowledge(OfflineFileItem& item) {
    std::string m(1, char(protocol::Cmd::NetFile));
    m += netFileBody(item.id(), host_.ownId());
    host_.sendToServer(m);
    // A group's file stays for the other members.
    if (item.notice.oneToOne)
        TFTPClient::deleteRemote(host_.fileServerHost(), host_.fileServerPort(),
                                 QString::fromStdString(item.id()));
}

void OfflineFiles::removeHandled() {
    const auto before = items_.size();
    std::erase_if(items_, [](const auto& i) { return i->handled(); });
    if (items_.size() != before) changed();
}

void OfflineFiles::clear() {
    keptIn_.clear(); // what is not handled stays kept for the next sign-in
    if (items_.empty()) return;
    items_.clear(); // a running client removes its temporary file as it goes
    changed();
}

void OfflineFiles::changed() {
    if (onChanged) onChanged();
}

} // namespace vantor::transfer
