#include "info/notice_core.h"

#include "protocol/datetime.h"
#include "protocol/text.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <QUuid>

#include <algorithm>
#include <array>

namespace vantor::info {

using namespace protocol;

namespace {

constexpr std::array kCodes = {Cmd::NoticePost, Cmd::NoticeSearch,  Cmd::NoticeContent,   Cmd::ExcelNotice,
                               Cmd::NoticeRead, Cmd::NoticeReadLog, Cmd::NoticeAttachment};

// Attachment data is read from its file in pieces of this size while the connection drains.
constexpr qint64 kPostPiece = 256 * 1024;

Guid newGuid() {
    const QUuid u = QUuid::createUuid();
    Guid g;
    g.data1 = u.data1;
    g.data2 = u.data2;
    g.data3 = u.data3;
    std::copy(std::begin(u.data4), std::end(u.data4), g.data4.begin());
    return g;
}

std::string trimmed(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) return {};
    const size_t b = s.find_last_not_of(" \t\r\n");
    return s.substr(a, b - a + 1);
}

std::string cut(const std::string& s, size_t n) {
    return s.substr(0, wire::gbkCutLength(s, n));
}

// An attachment opened before the post's head is built, so that its size is known.
struct Source {
    std::shared_ptr<QFile> file;
    AttachmentEntry entry;
    uint64_t size = 0;
};

std::optional<Source> openSource(const QString& path) {
    auto f = std::make_shared<QFile>(path);
    if (!f->open(QIODevice::ReadOnly)) return std::nullopt;
    Source s;
    s.size = uint64_t(f->size());
    s.file = std::move(f);
    s.entry.fileName = cut(toGbk(QFileInfo(path).fileName().toStdString()), 254);
    s.entry.attachmentGuid = newGuid();
    return s;
}

// What follows the front of a post: each file's block head and its bytes as the connection takes
// them, then the tail (a spreadsheet notice's rows). Nullopt when a file shrank on the way.
INoticeHost::LongSource streamAfterFront(std::vector<Source> sources, std::vector<std::string> tail) {
    struct State {
        std::vector<Source> sources;
        std::vector<std::string> tail;
        size_t index = 0;
        size_t tailIndex = 0;
        uint64_t left = 0;
        bool headDone = false;
    };
    auto st = std::make_shared<State>();
    st->sources = std::move(sources);
    st->tail = std::move(tail);
    return [st]() -> std::optional<std::string> {
        while (st->index < st->sources.size()) {
            Source& s = st->sources[st->index];
            if (!st->headDone) {
                st->headDone = true;
                st->left = s.size;
                return wire::encode(AttachmentBlockHead{s.entry, s.size});
            }
            if (st->left == 0) {
                s.file->close();
                ++st->index;
                st->headDone = false;
                continue;
            }
            const QByteArray piece = s.file->read(std::min<qint64>(kPostPiece, qint64(st->left)));
            if (piece.isEmpty()) return std::nullopt; // the file shrank: the post cannot be completed
            st->left -= uint64_t(piece.size());
            return std::string(piece.constData(), size_t(piece.size()));
        }
        while (st->tailIndex < st->tail.size()) {
            std::string piece = std::move(st->tail[st->tailIndex++]);
            if (!piece.empty()) return piece;
        }
        return std::string();
    };
}

} // namespace

NoticeCore::NoticeCore(INoticeHost& host) : host_(host) {}

NoticeCore::~NoticeCore() {
    clear();
}

std::span<const Cmd> NoticeCore::handledCodes() {
    return kCodes;
}

void NoticeCore::addListener(INoticeListener* l) {
    if (std::find(listeners_.begin(), listeners_.end(), l) == listeners_.end()) listeners_.push_back(l);
}

void NoticeCore::removeListener(INoticeListener* l) {
    std::erase(listeners_, l);
}

template <class F>
void NoticeCore::tell(F f) {
    const auto copy = listeners_;
    for (INoticeListener* l : copy)
        f(*l);
}

void NoticeCore::clear() {
    entries_.clear();
    currentNumber_.reset();
    content_.reset();
    readLog_.clear();
    wanted_.clear();
    if (download_ && download_->file) {
        download_->file->close();
        QFile::remove(download_->temp);
    }
    download_.reset();
    posting_ = false;
    if (badge_ != 0) {
        badge_ = 0;
        tell([](INoticeListener& l) { l.badgeChanged(0); });
    }
}

void NoticeCore::handle(const Message& m) {
    switch (m.cmd()) {
    case Cmd::NoticePost:
        onArrived(m);
        return;
    case Cmd::NoticeSearch:
        onList(m);
        return;
    case Cmd::NoticeContent:
    case Cmd::ExcelNotice:
        onContent(m);
        return;
    case Cmd::NoticeRead:
        onReceipt(m);
        return;
    case Cmd::NoticeReadLog:
        onReadLog(m);
        return;
    case Cmd::NoticeAttachment:
        onAttachment(m);
        return;
    default:
        return;
    }
}

bool NoticeCore::mayOpenLink(const QString& url) {
    const QUrl u(url, QUrl::StrictMode);
    const QString scheme = u.scheme().toLower();
    return u.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
                           scheme == QLatin1String("mailto"));
}

// ---- badge ----

void NoticeCore::setBadge(int mode, int n) {
    int next = badge_;
    if (mode == 0)
        next = std::max(0, n);
    else if (mode == 1)
        next = badge_ + std::max(0, n);
    else if (mode == 2)
        next = std::max(0, badge_ - std::max(0, n));
    if (next == badge_) return;
    badge_ = next;
    tell([&](INoticeListener& l) { l.badgeChanged(badge_); });
}

std::string NoticeCore::badgeText(int count) {
    if (count <= 0) return {};
    return count > 99 ? "99+" : std::to_string(count);
}

// ---- reader ----

void NoticeCore::setReaderOpen(bool open) {
    readerOpen_ = open;
    if (!open) {
        currentNumber_.reset();
        content_.reset();
        readLog_.clear();
    }
}

bool NoticeCore::searchNotices(const std::string& keyword) {
    NoticeSearch q;
    q.keyword = cut(trimmed(keyword), 50);
    q.userId = host_.ownId();
    lastKeyword_ = q.keyword;
    return host_.sendToServer(makeMessage(Cmd::NoticeSearch, q));
}

void NoticeCore::onList(const Message& m) {
    if (!readerOpen_) return;
    NoticeSearch head;
    if (!wire::decode(m.body, head)) return;
    const size_t have = (m.body.size() - NoticeSearch::kSize) / NoticeListItem::kSize;
    if (head.count > NoticeSearch::kMaxItems || head.count > have) return;
    entries_.clear();
    int unread = 0;
    for (uint32_t i = 0; i < head.count; ++i) {
        NoticeListItem it;
        wire::decode(std::string_view(m.body).substr(NoticeSearch::kSize + i * NoticeListItem::kSize), it);
        if (!it.isRead) ++unread;
        entries_.push_back(std::move(it));
    }
    // A notice no longer listed is no longer open: listing it again opens it anew.
    if (currentNumber_ && std::none_of(entries_.begin(), entries_.end(), [&](const NoticeListItem& e) {
            return e.noticeNumber == *currentNumber_;
        })) {
        currentNumber_.reset();
        content_.reset();
    }
    // The badge counts unread notices: only a list of all of them tells how many there are.
    if (head.keyword.empty()) setBadge(0, unread);
    tell([](INoticeListener& l) { l.listChanged(); });
    if (!entries_.empty()) openNotice(entries_.back());
}

const NoticeListItem* NoticeCore::current() const {
    if (!currentNumber_) return nullptr;
    for (const auto& e : entries_)
        if (e.noticeNumber == *currentNumber_) return &e;
    return nullptr;
}

bool NoticeCore::openNotice(const NoticeListItem& item) {
    if (currentNumber_ && *currentNumber_ == item.noticeNumber) return true;
    currentNumber_ = item.noticeNumber;
    currentGuid_ = item.noticeGuid;
    currentSender_ = item.senderId;
    content_.reset();
    const bool sent = host_.sendToServer(
        makeMessage(Cmd::NoticeOpen, NoticeOpen{host_.ownId(), item.noticeNumber, item.noticeGuid}));
    const NoticeListItem copy = item; // `item` may be an entry the listeners replace
    tell([&](INoticeListener& l) { l.noticeOpened(copy); });
    return sent;
}

void NoticeCore::onContent(const Message& m) {
    if (!readerOpen_) return;
    auto c = m.cmd() == Cmd::ExcelNotice ? decodeSpreadsheetContent(m.body) : decodeNoticeContent(m.body);
    if (!c) return;
    currentGuid_ = c->head.noticeGuid;
    currentSender_ = c->head.senderId;
    content_ = std::move(c);
    tell([](INoticeListener& l) { l.contentChanged(); });
}

std::vector<AttachmentEntry> NoticeCore::listedAttachments() const {
    if (!content_) return {};
    std::vector<AttachmentEntry> list = content_->attachments;
    if (content_->head.noticeKind == kNoticeSpreadsheet && !list.empty() &&
        content_->head.senderId != host_.ownId())
        list.erase(list.begin());
    return list;
}

bool NoticeCore::isUnread(uint32_t noticeNumber) const {
    for (const auto& e : entries_)
        if (e.noticeNumber == noticeNumber) return !e.isRead;
    return false;
}

bool NoticeCore::confirmRead() {
    if (!currentNumber_ || !isUnread(*currentNumber_)) return false;
    NoticeRead r;
    r.senderId = currentSender_;
    r.noticeNumber = *currentNumber_;
    r.userId = host_.ownId();
    if (!host_.sendToServer(makeMessage(Cmd::NoticeRead, r))) return false;
    for (auto& e : entries_)
        if (e.noticeNumber == *currentNumber_) e.isRead = 1;
    setBadge(2, 1);
    tell([](INoticeListener& l) { l.listChanged(); });
    return true;
}

bool NoticeCore::mayDelete(const NoticeListItem& item) const {
    return item.senderId != 0 && item.senderId == host_.ownId();
}

bool NoticeCore::deleteNotice(const NoticeListItem& item) {
    if (!mayDelete(item)) return false;
    return host_.sendToServer(makeMessage(Cmd::NoticeDelete, NoticeGuidRecord{item.noticeGuid}));
}

bool NoticeCore::requestReadLog() {
    if (!currentNumber_) return false;
    return host_.sendToServer(makeMessage(Cmd::NoticeReadLog, NoticeGuidRecord{currentGuid_}));
}

void NoticeCore::onReadLog(const Message& m) {
    if (!readerOpen_) return;
    ReadLogHead head;
    if (!wire::decode(m.body, head)) return;
    const size_t have = (m.body.size() - ReadLogHead::kSize) / ReadLogItem::kSize;
    if (head.count > ReadLogHead::kMaxItems || head.count > have) return;
    readLog_.clear();
    for (uint32_t i = 0; i < head.count; ++i) {
        ReadLogItem it;
        wire::decode(std::string_view(m.body).substr(ReadLogHead::kSize + i * ReadLogItem::kSize), it);
        if (it.userId > 0) {
            // Known colleagues by their name in the user list; unknown ones are left out.
            const UserRecord* u = host_.findUser(uint32_t(it.userId));
            if (!u) continue;
            it.name = u->name;
        }
        readLog_.push_back(std::move(it));
    }
    tell([](INoticeListener& l) { l.readLogChanged(); });
}

void NoticeCore::onReceipt(const Message& m) {
    NoticeReceipt r;
    if (!wire::decode(m.body, r)) return;
    tell([&](INoticeListener& l) { l.receiptArrived(r); });
}

void NoticeCore::onArrived(const Message& m) {
    NoticeHead h;
    if (!wire::decode(m.body, h)) return;
    setBadge(1, 1);
    tell([&](INoticeListener& l) { l.noticeArrived(h); });
}

// ---- attachments ----

QString NoticeCore::cachePath(const AttachmentEntry& entry) const {
    const QString folder = host_.cacheFolder();
    if (folder.isEmpty()) return {};
    return folder + "/" + QString::fromStdString(attachmentCacheName(entry.attachmentGuid, entry.fileName));
}

NoticeCore::AttachmentStart NoticeCore::openAttachment(const AttachmentEntry& entry, const QString& saveAs) {
    const QString cached = cachePath(entry);
    if (cached.isEmpty()) return AttachmentStart::Failed;
    if (QFileInfo(cached).isFile()) {
        if (!saveAs.isEmpty()) {
            QFile::remove(saveAs);
            if (!QFile::copy(cached, saveAs)) return AttachmentStart::Failed;
            tell([&](INoticeListener& l) { l.attachmentReady(entry, saveAs, false); });
        } else {
            tell([&](INoticeListener& l) { l.attachmentReady(entry, cached, true); });
        }
        return AttachmentStart::FromCache;
    }
    AttachmentRequest r;
    r.attachmentGuid = entry.attachmentGuid;
    r.fileName = entry.fileName;
    if (!host_.sendToServer(makeMessage(Cmd::NoticeAttachment, r))) return AttachmentStart::Failed;
    wanted_[entry.attachmentGuid.toString()] =
        Wanted{entry, saveAs.isEmpty() ? cached : saveAs, saveAs.isEmpty()};
    return AttachmentStart::Requested;
}

void NoticeCore::onAttachment(const Message& m) {
    switch (m.part) {
    case Message::Part::Head: {
        AttachmentRequest r;
        download_ = std::make_unique<Download>();
        if (!wire::decode(m.body, r)) return;
        download_->size = r.fileSize;
        const auto it = wanted_.find(r.attachmentGuid.toString());
        if (it == wanted_.end()) return; // never asked for: read and dropped
        download_->want = it->second;
        wanted_.erase(it);
        // Into a temporary file beside the destination; only a whole file takes its place.
        const QString dest = download_->want.target;
        QDir().mkpath(QFileInfo(dest).absolutePath());
        download_->temp = dest + ".part";
        download_->file = std::make_unique<QFile>(download_->temp);
        if (!download_->file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            download_->file.reset();
            download_->failed = true;
        }
        return;
    }
    case Message::Part::Piece:
        if (!download_) return;
        download_->got += m.body.size();
        if (download_->file && !download_->failed &&
            download_->file->write(m.body.data(), qint64(m.body.size())) != qint64(m.body.size()))
            download_->failed = true;
        return;
    case Message::Part::End: {
        if (!download_) return;
        auto d = std::move(download_);
        if (d->want.target.isEmpty()) return;
        bool ok = !d->failed && d->file && d->got == d->size;
        if (d->file) {
            ok = d->file->flush() && ok;
            d->file->close();
        }
        if (ok) {
            QFile::remove(d->want.target);
            ok = QFile::rename(d->temp, d->want.target);
        }
        if (!ok) {
            QFile::remove(d->temp);
            tell([&](INoticeListener& l) { l.attachmentFailed(d->want.entry); });
            return;
        }
        tell([&](INoticeListener& l) { l.attachmentReady(d->want.entry, d->want.target, d->want.open); });
        return;
    }
    case Message::Part::Whole:
        return;
    }
}

// ---- composer ----

std::vector<uint32_t> NoticeCore::recipientsWithSender(const std::vector<uint32_t>& chosen, uint32_t own) {
    std::vector<uint32_t> out;
    for (uint32_t id : chosen)
        if (id != 0 && std::find(out.begin(), out.end(), id) == out.end()) out.push_back(id);
    if (own != 0 && std::find(out.begin(), out.end(), own) == out.end()) out.push_back(own);
    return out;
}

std::optional<uint8_t> NoticeCore::smsMinutes(const std::string& field) {
    if (field.empty()) return 0;
    if (field.size() > 3 ||
        !std::all_of(field.begin(), field.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const int v = std::stoi(field);
    if (v > 255) return std::nullopt;
    return uint8_t(v);
}

NoticeCore::PostResult NoticeCore::postNotice(const NoticeDraft& draft) {
    if (draft.bodyCharacters <= 1) return PostResult::NoBody;
    if (draft.recipients.empty()) return PostResult::NoRecipients;
    const auto minutes = draft.smsUnread ? smsMinutes(draft.smsMinutes) : std::optional<uint8_t>(0);
    if (!minutes) return PostResult::BadMinutes;
    if (posting_) return PostResult::NotSent;
    const uint32_t own = host_.ownId();
    if (!own) return PostResult::NotSent;

    // The files are opened first; a missing one is left out.
    std::vector<Source> sources;
    for (const QString& path : draft.attachments) {
        if (auto src = openSource(path)) sources.push_back(std::move(*src));
        if (sources.size() == kMaxNoticeAttachments) break;
    }

    NoticeHead h;
    h.noticeGuid = newGuid();
    h.senderId = own;
    h.senderName = cut(host_.ownName(), 40);
    h.title = cut(trimmed(draft.title), 60);
    h.smsUnread = draft.smsUnread ? 1 : 0;
    h.smsDelayMinutes = *minutes;
    h.screenEndDate = draft.screenEndDate;
    h.screenNames = cut(draft.screenNames, 150);
    const auto recipients = recipientsWithSender(draft.recipients, own);
    h.recipientCount = uint32_t(recipients.size());
    if (draft.rtf.size() > kMaxNoticeText) return PostResult::NotSent;
    h.textLength = uint32_t(draft.rtf.size());
    h.attachmentCount = uint32_t(sources.size());
    std::vector<uint64_t> sizes;
    for (const auto& s : sources)
        sizes.push_back(s.size);
    const auto rest = postRestLength(h.recipientCount, h.textLength, sizes);
    if (!rest) return PostResult::NotSent;
    h.restLength = *rest;

    std::string first = frameHeader(1 + NoticeHead::kSize + h.restLength);
    first.push_back(char(Cmd::NoticePost));
    first += wire::encode(h);
    for (uint32_t id : recipients) {
        char b[4];
        wire::storeU32(b, id);
        first.append(b, 4);
    }
    first += draft.rtf;
    for (const auto& s : sources)
        first += wire::encode(s.entry);

    return startPost(h.noticeGuid, std::move(first), streamAfterFront(std::move(sources), {}));
}

NoticeCore::PostResult NoticeCore::startPost(const Guid& guid, std::string front,
                                             INoticeHost::LongSource rest) {
    posting_ = true;
    lastPost_ = guid;
    const bool started = host_.sendLong(std::move(front), std::move(rest), [this, guid](bool ok) {
        posting_ = false;
        tell([&](INoticeListener& l) { l.postFinished(guid, ok); });
    });
    if (!started) {
        posting_ = false;
        return PostResult::NotSent;
    }
    return PostResult::Posting;
}

NoticeCore::PostResult NoticeCore::sendSpreadsheetNotice(const QString& sheet,
                                                         const std::vector<SpreadsheetNoticeRow>& rows,
                                                         const std::vector<QString>& attachments) {
    if (rows.empty()) return PostResult::NoRecipients;
    if (posting_) return PostResult::NotSent;
    const uint32_t own = host_.ownId();
    if (!own || rows.size() > kMaxNoticeRows) return PostResult::NotSent;
    // The spreadsheet first (without it nothing is sent), then the attachments that are there.
    std::vector<Source> sources;
    auto first = openSource(sheet);
    if (!first) return PostResult::NotSent;
    sources.push_back(std::move(*first));
    for (const QString& path : attachments) {
        if (sources.size() == kMaxNoticeAttachments + 1) break;
        if (auto src = openSource(path)) sources.push_back(std::move(*src));
    }
    std::vector<std::string> tail;
    uint64_t rest = 0, rowText = 0;
    for (const auto& row : rows) {
        RowRecord r;
        r.account = cut(row.account, 20);
        r.name = cut(row.name, 70);
        const std::string text =
            row.text.substr(0, size_t(std::min<uint64_t>(row.text.size(), kMaxNoticeRowText)));
        r.textLength = text.size();
        rowText += text.size();
        tail.push_back(wire::encode(r) + text);
        rest += RowRecord::kSize + text.size();
    }
    if (rowText > kMaxNoticeText) return PostResult::NotSent;
    for (const auto& src : sources)
        rest += kAttachmentOverhead + src.size;

    NoticeHead h;
    h.noticeGuid = newGuid();
    h.senderId = own;
    h.senderName = cut(host_.ownName(), 40);
    h.noticeKind = kNoticeSpreadsheet;
    h.sendTime = h.screenEndDate = dayCountFromTime(std::chrono::system_clock::now());
    h.title = toGbk("批量通知消息发送...");
    h.recipientCount = uint32_t(rows.size());
    h.textLength = 0;
    h.attachmentCount = uint32_t(sources.size());
    h.restLength = rest;
    std::string front = frameHeader(1 + NoticeHead::kSize + h.restLength);
    front.push_back(char(Cmd::ExcelNotice));
    front += wire::encode(h);
    for (const auto& src : sources)
        front += wire::encode(src.entry);
    return startPost(h.noticeGuid, std::move(front), streamAfterFront(std::move(sources), std::move(tail)));
}

} // namespace vantor::info
