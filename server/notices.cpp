#include "server/notices.h"

#include "protocol/datetime.h"
#include "protocol/rtf.h"
#include "protocol/text.h"
#include "server/log.h"
#include "server/password.h"
#include "server/server.h"
#include "server/session.h"
#include "server/sqlite_stmt.h"
#include "server/store.h"

#include <QDir>
#include <QFileInfo>

#include <filesystem>

#include <sqlite3.h>

namespace vantor::server {

using namespace protocol;

namespace {

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS notices(
  number INTEGER PRIMARY KEY AUTOINCREMENT, guid BLOB NOT NULL, sender INTEGER NOT NULL,
  kind INTEGER NOT NULL, head BLOB NOT NULL, title BLOB NOT NULL, body BLOB NOT NULL,
  body_text BLOB NOT NULL, send_time REAL NOT NULL);
CREATE INDEX IF NOT EXISTS notices_by_guid ON notices(guid);
CREATE TABLE IF NOT EXISTS notice_recipients(
  number INTEGER NOT NULL REFERENCES notices(number) ON DELETE CASCADE, user_id INTEGER NOT NULL,
  read_time REAL NOT NULL DEFAULT 0, has_read INTEGER NOT NULL DEFAULT 0, PRIMARY KEY(number, user_id));
CREATE INDEX IF NOT EXISTS notice_recipients_by_user ON notice_recipients(user_id, number);
CREATE TABLE IF NOT EXISTS notice_attachments(
  number INTEGER NOT NULL REFERENCES notices(number) ON DELETE CASCADE, idx INTEGER NOT NULL,
  guid BLOB NOT NULL, name BLOB NOT NULL, size INTEGER NOT NULL, PRIMARY KEY(number, idx));
CREATE INDEX IF NOT EXISTS notice_attachments_by_guid ON notice_attachments(guid);
)sql";

// Announced again at sign-in: at most this many unread notices, the latest.
constexpr int kAnnouncedAtSignIn = 20;

std::string guidBytes(const wire::Guid& g) {
    const auto b = g.toBytes();
    return std::string(reinterpret_cast<const char*>(b.data()), b.size());
}

wire::Guid guidOf(const std::string& bytes) {
    return bytes.size() == 16 ? wire::Guid::fromBytes(reinterpret_cast<const uint8_t*>(bytes.data()))
                              : wire::Guid{};
}

Message message(Cmd code, std::string body) {
    return Message{static_cast<uint8_t>(code), std::move(body)};
}

} // namespace

NoticeService::NoticeService(Server& server, std::string dbPath, std::string folder)
    : server_(server), dbPath_(std::move(dbPath)), folder_(std::move(folder)) {}

NoticeService::~NoticeService() {
    for (auto& [id, u] : uploads_)
        for (const auto& p : u.paths)
            QFile::remove(p);
    if (db_) sqlite3_close(db_);
}

bool NoticeService::open(std::string* error) {
    if (sqlite3_open_v2(dbPath_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
            SQLITE_OK ||
        sqlite3_exec(db_, "PRAGMA foreign_keys = ON;", nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_busy_timeout(db_, 2000) != SQLITE_OK ||
        sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr) != SQLITE_OK) {
        if (error) *error = std::string("notice store: ") + (db_ ? sqlite3_errmsg(db_) : "cannot open");
        return false;
    }
    if (!QDir().mkpath(QString::fromStdString(folder_))) {
        if (error) *error = "cannot make " + folder_;
        return false;
    }
    // Uploads that a stop cut short.
    QDir dir(QString::fromStdString(folder_));
    for (const QString& f : dir.entryList({"*.part"}, QDir::Files))
        dir.remove(f);
    return true;
}

bool NoticeService::owns(uint8_t code) {
    switch (static_cast<Cmd>(code)) {
    case Cmd::NoticePost:
    case Cmd::NoticeRead:
    case Cmd::NoticeAttachment:
    case Cmd::NoticeSearch:
    case Cmd::NoticeOpen:
    case Cmd::NoticeReadLog:
    case Cmd::NoticeDelete:
    case Cmd::ExcelNotice:
    case Cmd::ScreenList:
        return true;
    default:
        return false;
    }
}

int64_t NoticeService::noticeCount() {
    Stmt q(db_, "SELECT count(*) FROM notices");
    return q.step() ? q.i64(0) : 0;
}

QString NoticeService::attachmentPath(int64_t number, int index) const {
    return QString::fromStdString(folder_) + "/" + QString::number(number) + "-" + QString::number(index);
}

void NoticeService::handle(Session& s, const Message& m) {
    if (m.cmd() == Cmd::NoticePost || m.cmd() == Cmd::ExcelNotice) {
        onPostPart(s, m);
        return;
    }
    auto take = [&](auto& r) {
        using R = std::decay_t<decltype(r)>;
        if (m.body.size() != R::kSize || !wire::decode(m.body, r)) {
            s.abort(std::string(codeName(m.code)) + ": bad record");
            return false;
        }
        return true;
    };
    switch (m.cmd()) {
    case Cmd::NoticeSearch: {
        NoticeSearch q;
        if (take(q)) onSearch(s, q);
        return;
    }
    case Cmd::NoticeOpen: {
        NoticeOpen o;
        if (take(o)) onOpen(s, o);
        return;
    }
    case Cmd::NoticeRead: {
        NoticeRead r;
        if (take(r)) onRead(s, r);
        return;
    }
    case Cmd::NoticeReadLog: {
        NoticeGuidRecord g;
        if (take(g)) onReadLog(s, g);
        return;
    }
    case Cmd::NoticeDelete: {
        NoticeGuidRecord g;
        if (take(g)) onDelete(s, g);
        return;
    }
    case Cmd::NoticeAttachment: {
        AttachmentRequest r;
        if (take(r)) onAttachment(s, r);
        return;
    }
    case Cmd::ScreenList: {
        // No wall screens here: an empty list.
        std::string body(4, '\0');
        s.send(message(Cmd::ScreenList, body));
        return;
    }
    default:
        return;
    }
}

void NoticeService::onPostPart(Session& s, const Message& m) {
    switch (m.part) {
    case Message::Part::Head: {
        NoticeHead head;
        wire::decode(m.body, head);
        Upload u;
        const uint64_t seq = ++uploadSeq_;
        // The sink finds its upload by the session at every call.
        const uint64_t sid = s.id();
        NoticeIntake::Sink direct;
        direct.begin = [this, sid, seq](size_t index, const AttachmentBlockHead&) {
            auto it = uploads_.find(sid);
            if (it == uploads_.end()) return false;
            const QString path = QString::fromStdString(folder_) + "/upload-" + QString::number(seq) + "-" +
                                 QString::number(index) + ".part";
            auto f = std::make_unique<QFile>(path);
            if (!f->open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
            it->second.paths.push_back(path);
            it->second.files.push_back(std::move(f));
            return true;
        };
        direct.data = [this, sid](size_t, std::string_view bytes) {
            auto it = uploads_.find(sid);
            return it != uploads_.end() && !it->second.files.empty() &&
                   it->second.files.back()->write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
        };
        direct.end = [this, sid](size_t) {
            auto it = uploads_.find(sid);
            if (it == uploads_.end() || it->second.files.empty()) return false;
            const bool ok = it->second.files.back()->flush();
            it->second.files.back()->close();
            return ok;
        };
        dropUpload(sid);
        u.intake = std::make_unique<NoticeIntake>(head, std::move(direct));
        // A spreadsheet notice comes as CmdExcelNotice, an ordinary one as CmdNoticePost.
        const bool sheet = head.noticeKind == kNoticeSpreadsheet;
        if ((m.cmd() == Cmd::ExcelNotice) != sheet || head.senderId != s.userId()) u.refused = true;
        uploads_[sid] = std::move(u);
        if (!uploads_[sid].refused && !uploads_[sid].intake->error().empty()) {
            s.abort("notice post: " + uploads_[sid].intake->error());
            dropUpload(sid);
        }
        return;
    }
    case Message::Part::Piece: {
        auto it = uploads_.find(s.id());
        if (it == uploads_.end() || it->second.refused) return;
        if (!it->second.intake->feed(m.body)) {
            const std::string why = it->second.intake->error();
            dropUpload(s.id());
            s.abort("notice post: " + why);
        }
        return;
    }
    case Message::Part::End: {
        auto it = uploads_.find(s.id());
        if (it == uploads_.end()) return;
        if (it->second.refused) {
            log(LogLevel::Warning, "notice post refused from " + s.peer());
            dropUpload(s.id());
            return;
        }
        if (!it->second.intake->finish()) {
            const std::string why = it->second.intake->error();
            dropUpload(s.id());
            s.abort("notice post: " + why);
            return;
        }
        store(s, it->second);
        dropUpload(s.id());
        return;
    }
    case Message::Part::Whole:
        s.abort("notice post without its head");
        return;
    }
}

void NoticeService::dropUpload(uint64_t session) {
    auto it = uploads_.find(session);
    if (it == uploads_.end()) return;
    it->second.files.clear();
    for (const auto& p : it->second.paths)
        QFile::remove(p);
    uploads_.erase(it);
}

void NoticeService::sessionClosed(Session& s) {
    dropUpload(s.id());
}

void NoticeService::store(Session& s, Upload& u) {
    const NoticeIntake& in = *u.intake;
    if (in.sinkFailed()) {
        log(LogLevel::Error, "notice from user " + std::to_string(s.userId()) + ": attachments not written");
        return;
    }
    NoticeHead head = in.head();
    head.senderId = s.userId();
    if (const UserRecord* me = server_.directory().user(s.userId())) head.senderName = me->name;
    head.sendTime = nowDayCount();
    // Recipients: known colleagues, each once, the sender among them.
    std::vector<uint32_t> recipients;
    for (uint32_t id : in.recipients())
        if (server_.directory().user(id) &&
            std::find(recipients.begin(), recipients.end(), id) == recipients.end())
            recipients.push_back(id);
    if (std::find(recipients.begin(), recipients.end(), s.userId()) == recipients.end())
        recipients.push_back(s.userId());
    if (head.noticeKind == kNoticeSpreadsheet) {
        storeRows(s, u, head);
        return;
    }
    const std::string bodyText = toGbk(readRtf(in.text()).plainText());
    const auto number = insertNotice(head, recipients, in.text(), bodyText, in, u.paths, false);
    if (!number) return;
    u.paths.clear();
    log(LogLevel::Info, "notice " + std::to_string(*number) + " from user " + std::to_string(head.senderId) +
                            " to " + std::to_string(recipients.size()) + " recipients");
    announce(head, recipients);
}

void NoticeService::announce(const NoticeHead& head, const std::vector<uint32_t>& recipients) {
    // Announced with its head to the recipients signed in (the sender knows already).
    NoticeHead announce = head;
    announce.restLength = 0;
    const Message m = message(Cmd::NoticePost, wire::encode(announce));
    for (uint32_t id : recipients)
        if (id != head.senderId) server_.pushRecord(id, m);
}

std::optional<int64_t> NoticeService::insertNotice(const NoticeHead& head,
                                                   const std::vector<uint32_t>& recipients,
                                                   const std::string& body, const std::string& bodyText,
                                                   const NoticeIntake& in, const std::vector<QString>& files,
                                                   bool shareFiles) {
    sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    Stmt ins(db_, "INSERT INTO notices(guid, sender, kind, head, title, body, body_text, send_time) "
                  "VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
    ins.blob(1, guidBytes(head.noticeGuid))
        .bind(2, int64_t(head.senderId))
        .bind(3, int64_t(head.noticeKind))
        .blob(4, wire::encode(head))
        .blob(5, head.title)
        .blob(6, body)
        .blob(7, bodyText)
        .bind(8, head.sendTime);
    bool ok = ins.run();
    const int64_t number = sqlite3_last_insert_rowid(db_);
    Stmt rec(db_, "INSERT INTO notice_recipients(number, user_id) VALUES(?, ?)");
    for (uint32_t id : recipients)
        ok = ok && rec.reset().bind(1, number).bind(2, int64_t(id)).run();
    Stmt att(db_, "INSERT INTO notice_attachments(number, idx, guid, name, size) VALUES(?, ?, ?, ?, ?)");
    for (size_t i = 0; i < in.entries().size(); ++i)
        ok = ok && att.reset()
                       .bind(1, number)
                       .bind(2, int64_t(i))
                       .blob(3, guidBytes(in.entries()[i].attachmentGuid))
                       .blob(4, in.entries()[i].fileName)
                       .bind(5, int64_t(in.sizes()[i]))
                       .run();
    // The files go into place before the notice counts as stored: moved, or (one upload shared by
    // the notices of a spreadsheet) linked, else copied.
    for (size_t i = 0; ok && i < files.size(); ++i) {
        const QString target = attachmentPath(number, int(i));
        QFile::remove(target);
        if (!shareFiles) {
            ok = QFile::rename(files[i], target);
            continue;
        }
        std::error_code ec;
        std::filesystem::create_hard_link(files[i].toStdString(), target.toStdString(), ec);
        ok = !ec || QFile::copy(files[i], target);
    }
    if (!ok) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        for (size_t i = 0; i < files.size(); ++i)
            QFile::remove(attachmentPath(number, int(i)));
        log(LogLevel::Error, std::string("notice not stored: ") + sqlite3_errmsg(db_));
        return std::nullopt;
    }
    sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    return number;
}

void NoticeService::storeRows(Session& s, Upload& u, const NoticeHead& sheetHead) {
    // One notice per row, to the colleague whose account the row names (and its sender), with the
    // row's text as its body and the spreadsheet and the attachments shared.
    const NoticeIntake& in = *u.intake;
    size_t stored = 0;
    for (const NoticeIntake::Row& row : in.rows()) {
        const auto userId =
            server_.store() ? server_.store()->userOfAccount(row.record.account) : std::nullopt;
        if (!userId || !server_.directory().user(*userId)) {
            log(LogLevel::Warning, "spreadsheet notice row for an unknown account skipped");
            continue;
        }
        NoticeHead head = sheetHead;
        const std::string g = randomBytes(16);
        head.noticeGuid = wire::Guid::fromBytes(reinterpret_cast<const uint8_t*>(g.data()));
        head.textLength = uint32_t(row.text.size());
        std::vector<uint32_t> recipients{*userId};
        if (*userId != s.userId()) recipients.push_back(s.userId());
        if (!insertNotice(head, recipients, row.text, row.text, in, u.paths, true)) continue;
        ++stored;
        announce(head, recipients);
    }
    log(LogLevel::Info, "spreadsheet notice from user " + std::to_string(s.userId()) + ": " +
                            std::to_string(stored) + " of " + std::to_string(in.rows().size()) +
                            " rows stored");
}

void NoticeService::signedIn(Session& s) {
    Stmt q(db_, "SELECT n.head FROM notice_recipients r JOIN notices n ON n.number = r.number "
                "WHERE r.user_id = ? AND r.has_read = 0 AND n.sender != ? ORDER BY n.number DESC LIMIT ?");
    q.bind(1, int64_t(s.userId())).bind(2, int64_t(s.userId())).bind(3, int64_t(kAnnouncedAtSignIn));
    std::vector<std::string> heads;
    while (q.step())
        heads.push_back(q.bytes(0));
    for (auto it = heads.rbegin(); it != heads.rend(); ++it) {
        NoticeHead h;
        wire::decode(*it, h);
        h.restLength = 0;
        s.send(message(Cmd::NoticePost, wire::encode(h)));
    }
}

bool NoticeService::isParty(int64_t number, uint32_t userId) {
    Stmt q(db_, "SELECT 1 FROM notices n WHERE n.number = ? AND (n.sender = ? OR EXISTS "
                "(SELECT 1 FROM notice_recipients r WHERE r.number = n.number AND r.user_id = ?))");
    q.bind(1, number).bind(2, int64_t(userId)).bind(3, int64_t(userId));
    return q.step();
}

int64_t NoticeService::visibleNotice(const wire::Guid& guid, uint32_t userId) {
    Stmt q(db_, "SELECT n.number FROM notices n WHERE n.guid = ? AND (n.sender = ? OR EXISTS "
                "(SELECT 1 FROM notice_recipients r WHERE r.number = n.number AND r.user_id = ?)) "
                "ORDER BY n.number DESC LIMIT 1");
    q.blob(1, guidBytes(guid)).bind(2, int64_t(userId)).bind(3, int64_t(userId));
    return q.step() ? q.i64(0) : 0;
}

void NoticeService::onSearch(Session& s, const NoticeSearch& req) {
    // The latest notices of this user (sent or received) whose title or text holds the keyword,
    // sent oldest first: the client selects the last one it gets.
    Stmt q(db_, "SELECT n.guid, n.sender, n.head, n.send_time, n.number, n.title, "
                "coalesce((SELECT r.has_read FROM notice_recipients r WHERE r.number = n.number AND "
                "r.user_id = ?1), 1) FROM notices n WHERE (n.sender = ?1 OR EXISTS (SELECT 1 FROM "
                "notice_recipients r WHERE r.number = n.number AND r.user_id = ?1)) AND (?2 = '' OR "
                "instr(n.title, ?2) > 0 OR instr(n.body_text, ?2) > 0) ORDER BY n.number DESC LIMIT ?3");
    q.bind(1, int64_t(s.userId())).blob(2, req.keyword).bind(3, int64_t(NoticeSearch::kMaxItems));
    std::vector<std::string> items;
    while (q.step()) {
        NoticeHead h;
        wire::decode(q.bytes(2), h);
        NoticeListItem it;
        it.noticeGuid = guidOf(q.bytes(0));
        it.senderId = q.u32(1);
        it.senderName = h.senderName;
        it.sendTime = q.f64(3);
        it.noticeNumber = q.u32(4);
        it.title = q.bytes(5);
        it.isRead = q.i64(6) ? 1 : 0;
        items.push_back(wire::encode(it));
    }
    NoticeSearch reply = req;
    reply.userId = s.userId();
    reply.count = uint32_t(items.size());
    std::string body = wire::encode(reply);
    for (auto it = items.rbegin(); it != items.rend(); ++it)
        body += *it;
    s.send(message(Cmd::NoticeSearch, std::move(body)));
}

void NoticeService::onOpen(Session& s, const NoticeOpen& o) {
    if (!isParty(o.noticeNumber, s.userId())) return;
    Stmt q(db_, "SELECT head, body, kind FROM notices WHERE number = ?");
    q.bind(1, int64_t(o.noticeNumber));
    if (!q.step()) return;
    NoticeContent c;
    wire::decode(q.bytes(0), c.head);
    c.text = q.bytes(1);
    const bool sheet = q.i64(2) == kNoticeSpreadsheet;
    Stmt r(db_, "SELECT user_id FROM notice_recipients WHERE number = ? ORDER BY rowid");
    r.bind(1, int64_t(o.noticeNumber));
    while (r.step())
        c.recipients.push_back(r.u32(0));
    Stmt a(db_, "SELECT name, guid FROM notice_attachments WHERE number = ? ORDER BY idx");
    a.bind(1, int64_t(o.noticeNumber));
    while (a.step())
        c.attachments.push_back(AttachmentEntry{a.bytes(0), guidOf(a.bytes(1))});
    s.send(sheet ? message(Cmd::ExcelNotice, encodeSpreadsheetContent(c))
                 : message(Cmd::NoticeContent, encodeNoticeContent(c)));
}

void NoticeService::onRead(Session& s, const NoticeRead& r) {
    // Whoever the record names, it is the signed-in user who has read it.
    const double now = nowDayCount();
    Stmt up(db_,
            "UPDATE notice_recipients SET has_read = 1, read_time = ? WHERE number = ? AND user_id = ? AND "
            "has_read = 0");
    up.bind(1, now).bind(2, int64_t(r.noticeNumber)).bind(3, int64_t(s.userId()));
    if (!up.run() || sqlite3_changes(db_) == 0) return;
    Stmt q(db_, "SELECT guid, sender FROM notices WHERE number = ?");
    q.bind(1, int64_t(r.noticeNumber));
    if (!q.step()) return;
    NoticeReceipt receipt;
    receipt.noticeGuid = guidOf(q.bytes(0));
    receipt.readerId = s.userId();
    receipt.readTime = now;
    server_.pushRecord(q.u32(1), message(Cmd::NoticeRead, wire::encode(receipt)));
}

void NoticeService::onReadLog(Session& s, const NoticeGuidRecord& g) {
    const int64_t number = visibleNotice(g.noticeGuid, s.userId());
    if (!number) return;
    Stmt q(db_, "SELECT user_id, read_time, has_read FROM notice_recipients WHERE number = ? ORDER BY rowid");
    q.bind(1, number);
    std::string items;
    uint32_t count = 0;
    while (q.step() && count < ReadLogHead::kMaxItems) {
        ReadLogItem it;
        it.userId = int32_t(q.u32(0));
        if (const UserRecord* u = server_.directory().user(q.u32(0))) it.name = u->name;
        it.readTime = q.f64(1);
        it.hasRead = q.i64(2) ? 1 : 0;
        items += wire::encode(it);
        ++count;
    }
    ReadLogHead h{g.noticeGuid, count};
    s.send(message(Cmd::NoticeReadLog, wire::encode(h) + items));
}

void NoticeService::onDelete(Session& s, const NoticeGuidRecord& g) {
    Stmt q(db_, "SELECT number, (SELECT count(*) FROM notice_attachments a WHERE a.number = n.number) FROM "
                "notices n WHERE guid = ? AND sender = ?");
    q.blob(1, guidBytes(g.noticeGuid)).bind(2, int64_t(s.userId()));
    std::vector<std::pair<int64_t, int64_t>> found;
    while (q.step())
        found.emplace_back(q.i64(0), q.i64(1));
    if (found.empty()) {
        log(LogLevel::Warning, "notice delete by user " + std::to_string(s.userId()) + ", not its sender");
        return;
    }
    for (const auto& [number, files] : found) {
        Stmt del(db_, "DELETE FROM notices WHERE number = ?");
        del.bind(1, number).run();
        for (int64_t i = 0; i < files; ++i)
            QFile::remove(attachmentPath(number, int(i)));
    }
}

void NoticeService::onAttachment(Session& s, const AttachmentRequest& r) {
    Stmt q(
        db_,
        "SELECT a.number, a.idx, a.name, a.size FROM notice_attachments a JOIN notices n ON "
        "n.number = a.number WHERE a.guid = ? AND (n.sender = ?2 OR EXISTS (SELECT 1 FROM "
        "notice_recipients r WHERE r.number = n.number AND r.user_id = ?2)) ORDER BY a.number DESC LIMIT 1");
    q.blob(1, guidBytes(r.attachmentGuid)).bind(2, int64_t(s.userId()));
    if (!q.step()) return;
    const QString path = attachmentPath(q.i64(0), int(q.i64(1)));
    AttachmentRequest reply;
    reply.attachmentGuid = r.attachmentGuid;
    reply.fileName = q.bytes(2);
    reply.fileSize = uint64_t(q.i64(3));
    if (QFileInfo(path).size() != qint64(reply.fileSize)) {
        log(LogLevel::Error, "attachment file missing: " + path.toStdString());
        return;
    }
    std::string head = frameHeader(1 + AttachmentRequest::kSize + reply.fileSize);
    head.push_back(char(Cmd::NoticeAttachment));
    head += wire::encode(reply);
    s.sendFile(std::move(head), path, reply.fileSize);
}

} // namespace vantor::server
