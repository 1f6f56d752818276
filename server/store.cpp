#include "server/store.h"

#include "server/sqlite_stmt.h"

#include <sqlite3.h>

namespace vantor::server {

namespace {

constexpr const char* kSchema = R"sql(
PRAGMA journal_mode = WAL;
PRAGMA synchronous = NORMAL;
PRAGMA foreign_keys = ON;
CREATE TABLE IF NOT EXISTS departments(
  id INTEGER PRIMARY KEY, parent INTEGER NOT NULL, name BLOB NOT NULL, position INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS users(
  id INTEGER PRIMARY KEY, department INTEGER NOT NULL, name BLOB NOT NULL, head BLOB NOT NULL,
  female INTEGER NOT NULL, signature BLOB NOT NULL, work_state BLOB NOT NULL, photo_time REAL NOT NULL);
CREATE TABLE IF NOT EXISTS accounts(
  account BLOB PRIMARY KEY, user_id INTEGER NOT NULL UNIQUE REFERENCES users(id) ON DELETE CASCADE,
  salt BLOB NOT NULL, hash BLOB NOT NULL, iterations INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS contact_groups(
  id INTEGER PRIMARY KEY AUTOINCREMENT, owner INTEGER NOT NULL, name BLOB NOT NULL);
CREATE TABLE IF NOT EXISTS contact_links(
  owner INTEGER NOT NULL, user_id INTEGER NOT NULL, group_id INTEGER NOT NULL,
  PRIMARY KEY(owner, user_id));
CREATE TABLE IF NOT EXISTS discussion_groups(
  number INTEGER PRIMARY KEY AUTOINCREMENT, guid BLOB NOT NULL UNIQUE, name BLOB NOT NULL,
  topic BLOB NOT NULL, notice BLOB NOT NULL, creator INTEGER NOT NULL, hidden INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS group_members(
  number INTEGER NOT NULL REFERENCES discussion_groups(number) ON DELETE CASCADE,
  slot INTEGER NOT NULL, user_id INTEGER NOT NULL, PRIMARY KEY(number, slot));
CREATE TABLE IF NOT EXISTS service_points(position INTEGER PRIMARY KEY, guid BLOB NOT NULL UNIQUE,
  name BLOB NOT NULL, description BLOB NOT NULL, greeting BLOB NOT NULL, kind INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS service_staff(guid BLOB NOT NULL, user_id INTEGER NOT NULL,
  PRIMARY KEY(guid, user_id));
CREATE TABLE IF NOT EXISTS org_options(key BLOB PRIMARY KEY, value INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS held_messages(
  id INTEGER PRIMARY KEY AUTOINCREMENT, receiver INTEGER NOT NULL, code INTEGER NOT NULL,
  body BLOB NOT NULL, held_at REAL NOT NULL DEFAULT (julianday('now')),
  sender INTEGER NOT NULL DEFAULT 0, box INTEGER NOT NULL DEFAULT 0);
CREATE INDEX IF NOT EXISTS held_by_receiver ON held_messages(receiver, id);
CREATE TABLE IF NOT EXISTS files(name TEXT PRIMARY KEY, size INTEGER NOT NULL,
  stored_at REAL NOT NULL DEFAULT (julianday('now')));
CREATE TABLE IF NOT EXISTS user_details(user_id INTEGER PRIMARY KEY, record BLOB NOT NULL);
CREATE TABLE IF NOT EXISTS pending_requests(
  kind INTEGER NOT NULL, requester INTEGER NOT NULL, target INTEGER NOT NULL, value INTEGER NOT NULL,
  PRIMARY KEY(kind, target, requester));
)sql";

std::string guidBytes(const wire::Guid& g) {
    const auto b = g.toBytes();
    return std::string(reinterpret_cast<const char*>(b.data()), b.size());
}

} // namespace

// Commits on `commit()`, rolls back when left without it.
class Transaction {
  public:
    explicit Transaction(Store& s) : s_(s), open_(s.begin()) {}
    ~Transaction() {
        if (open_) s_.rollback();
    }
    bool ok() const { return open_; }
    bool commit() {
        if (!open_) return false;
        open_ = false;
        return s_.commit();
    }

  private:
    Store& s_;
    bool open_;
};

std::unique_ptr<Store> Store::open(const std::string& path, std::string* error) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        if (error) *error = db ? sqlite3_errmsg(db) : "cannot open the database";
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 2000);
    std::unique_ptr<Store> s(new Store(db));
    if (!s->exec(kSchema) || !s->upgrade()) {
        if (error) *error = s->error_;
        return nullptr;
    }
    return s;
}

Store::~Store() {
    sqlite3_close(db_);
}

// Stores written before held messages were counted per sender and box get those columns.
bool Store::upgrade() {
    bool hasSender = false;
    {
        Stmt s(db_, "PRAGMA table_info(held_messages)");
        while (s.step())
            hasSender = hasSender || s.bytes(1) == "sender";
    }
    if (!hasSender && !exec("ALTER TABLE held_messages ADD COLUMN sender INTEGER NOT NULL DEFAULT 0;"
                            "ALTER TABLE held_messages ADD COLUMN box INTEGER NOT NULL DEFAULT 0;"))
        return false;
    return exec("CREATE INDEX IF NOT EXISTS held_by_sender ON held_messages(sender, receiver, box);"
                "CREATE INDEX IF NOT EXISTS held_by_box ON held_messages(receiver, box);");
}

bool Store::exec(const char* sql) {
    char* msg = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &msg) != SQLITE_OK) {
        error_ = msg ? msg : "sqlite error";
        sqlite3_free(msg);
        return false;
    }
    return true;
}
bool Store::begin() {
    return exec("BEGIN IMMEDIATE");
}
bool Store::commit() {
    return exec("COMMIT");
}
void Store::rollback() {
    exec("ROLLBACK");
}

bool Store::importOrganisation(const Organisation& org, std::string* error) {
    unknownAccount_ = {};
    Transaction t(*this);
    auto fail = [&](const std::string& what) {
        if (error) *error = what + ": " + sqlite3_errmsg(db_);
        return false;
    };
    if (!t.ok()) return fail("begin");
    if (!exec("DELETE FROM accounts; DELETE FROM users; DELETE FROM departments; DELETE FROM contact_links;"
              "DELETE FROM contact_groups; DELETE FROM group_members; DELETE FROM discussion_groups;"
              "DELETE FROM service_points; DELETE FROM service_staff; DELETE FROM org_options;"))
        return fail("clear");
    int64_t pos = 0;
    Stmt ds(db_, "INSERT INTO departments(id, parent, name, position) VALUES(?,?,?,?)");
    for (const auto& d : org.departments)
        if (!ds.reset()
                 .bind(1, int64_t(d.id))
                 .bind(2, int64_t(d.parent))
                 .blob(3, d.name)
                 .bind(4, pos++)
                 .run())
            return fail("department " + std::to_string(d.id));
    Stmt s(db_, "INSERT INTO users VALUES(?,?,?,?,?,?,?,?)");
    for (const auto& c : org.colleagues) {
        s.reset()
            .bind(1, int64_t(c.id))
            .bind(2, int64_t(c.department))
            .blob(3, c.name)
            .blob(4, c.headPicture);
        s.bind(5, int64_t(c.female)).blob(6, c.signature).blob(7, c.workState).bind(8, c.photoTime);
        if (!s.run()) return fail("user " + std::to_string(c.id));
    }
    const uint32_t iterations = org.hashIterations ? org.hashIterations : kDefaultHashIterations;
    Stmt as(db_, "INSERT INTO accounts VALUES(?,?,?,?,?)");
    for (const auto& a : org.accounts) {
        const PasswordHash h = hashPassword(passwordDigest(a.password), iterations);
        as.reset().blob(1, a.account).bind(2, int64_t(a.userId)).blob(3, h.salt).blob(4, h.hash);
        if (!as.bind(5, int64_t(h.iterations)).run())
            return fail("account of user " + std::to_string(a.userId));
    }
    for (const auto& g : org.contactGroups) {
        Stmt s(db_, "INSERT INTO contact_groups(id, owner, name) VALUES(?,?,?)");
        if (!s.bind(1, int64_t(g.id)).bind(2, int64_t(g.owner)).blob(3, g.name).run())
            return fail("contact group " + std::to_string(g.id));
    }
    for (const auto& l : org.contactLinks) {
        Stmt s(db_, "INSERT OR REPLACE INTO contact_links VALUES(?,?,?)");
        if (!s.bind(1, int64_t(l.owner)).bind(2, int64_t(l.userId)).bind(3, int64_t(l.groupId)).run())
            return fail("contact link");
    }
    int64_t servicePosition = 0;
    for (const auto& p : org.servicePoints) {
        const auto b = p.guid.toBytes();
        const std::string guid(reinterpret_cast<const char*>(b.data()), b.size());
        Stmt ps(db_, "INSERT INTO service_points VALUES(?,?,?,?,?,?)");
        if (!ps.bind(1, servicePosition++)
                 .blob(2, guid)
                 .blob(3, p.name)
                 .blob(4, p.description)
                 .blob(5, p.greeting)
                 .bind(6, int64_t(p.kind))
                 .run())
            return fail("service point " + p.name);
        for (uint32_t staff : p.staff) {
            Stmt ss(db_, "INSERT OR IGNORE INTO service_staff VALUES(?,?)");
            if (!ss.blob(1, guid).bind(2, int64_t(staff)).run()) return fail("service staff");
        }
    }
    Stmt os(db_, "INSERT INTO org_options VALUES(?,?)");
    if (!os.blob(1, "attendance_by_sign_in").bind(2, int64_t(org.attendance.bySignIn)).run() ||
        !os.reset().blob(1, "workday_end_minutes").bind(2, int64_t(org.attendance.workdayEndMinutes)).run())
        return fail("options");
    t.commit();
    // Groups go through the same path as groups saved by clients (each in its own transaction).
    for (auto g : org.groups)
        if (!saveGroup(g)) return fail("group " + g.name);
    return true;
}

Organisation Store::loadOrganisation() {
    Organisation org;
    for (Stmt s(db_, "SELECT id, parent, name FROM departments ORDER BY position, id"); s.step();)
        org.departments.push_back({s.u32(0), s.u32(1), s.bytes(2)});
    for (Stmt s(db_, "SELECT * FROM users ORDER BY id"); s.step();)
        org.colleagues.push_back(
            {s.u32(0), s.u32(1), s.bytes(2), s.bytes(3), s.i64(4) != 0, s.bytes(5), s.bytes(6), s.f64(7)});
    for (Stmt s(db_, "SELECT account, user_id FROM accounts"); s.step();)
        org.accounts.push_back({s.bytes(0), s.u32(1), {}});
    for (Stmt s(db_, "SELECT id, owner, name FROM contact_groups ORDER BY id"); s.step();)
        org.contactGroups.push_back({s.u32(0), s.u32(1), s.bytes(2)});
    for (Stmt s(db_, "SELECT owner, user_id, group_id FROM contact_links"); s.step();)
        org.contactLinks.push_back({s.u32(0), s.u32(1), s.u32(2)});
    for (Stmt s(db_, "SELECT * FROM discussion_groups ORDER BY number"); s.step();) {
        DiscussionGroup g;
        g.number = s.u32(0);
        const std::string gb = s.bytes(1);
        if (gb.size() == 16) g.guid = wire::Guid::fromBytes(reinterpret_cast<const uint8_t*>(gb.data()));
        g.name = s.bytes(2);
        g.topic = s.bytes(3);
        g.notice = s.bytes(4);
        g.creator = s.u32(5);
        g.hidden = s.i64(6) != 0;
        Stmt m(db_, "SELECT user_id FROM group_members WHERE number = ? ORDER BY slot");
        for (m.bind(1, int64_t(g.number)); m.step();)
            g.members.push_back(m.u32(0));
        org.groups.push_back(std::move(g));
    }
    for (Stmt s(db_, "SELECT guid, name, description, greeting, kind FROM service_points ORDER BY position");
         s.step();) {
        ServicePointSpec p;
        const std::string gb = s.bytes(0);
        if (gb.size() != 16) continue;
        p.guid = wire::Guid::fromBytes(reinterpret_cast<const uint8_t*>(gb.data()));
        p.name = s.bytes(1);
        p.description = s.bytes(2);
        p.greeting = s.bytes(3);
        p.kind = s.u32(4);
        Stmt m(db_, "SELECT user_id FROM service_staff WHERE guid = ? ORDER BY rowid");
        for (m.blob(1, gb); m.step();)
            p.staff.push_back(m.u32(0));
        org.servicePoints.push_back(std::move(p));
    }
    for (Stmt s(db_, "SELECT key, value FROM org_options"); s.step();) {
        if (s.bytes(0) == "attendance_by_sign_in") org.attendance.bySignIn = s.i64(1) != 0;
        if (s.bytes(0) == "workday_end_minutes") org.attendance.workdayEndMinutes = int(s.i64(1));
    }
    return org;
}

std::optional<uint32_t> Store::authenticate(const std::string& account, const std::string& password) {
    Stmt s(db_, "SELECT user_id, salt, hash, iterations FROM accounts WHERE account = ?");
    s.blob(1, account);
    if (!s.step()) {
        // An unknown account costs what a wrong password costs, so timing tells no account apart.
        if (unknownAccount_.iterations == 0) {
            Stmt most(db_, "SELECT max(iterations) FROM accounts");
            unknownAccount_ = hashPassword("", most.step() ? std::max<uint32_t>(1, most.u32(0)) : 1);
        }
        verifyPassword(passwordDigest(password), unknownAccount_);
        return std::nullopt;
    }
    const PasswordHash h{s.bytes(1), s.bytes(2), s.u32(3)};
    if (!verifyPassword(passwordDigest(password), h)) return std::nullopt;
    return s.u32(0);
}

bool Store::setPasswordDigest(uint32_t userId, const std::string& digest, uint32_t iterations) {
    unknownAccount_ = {};
    const PasswordHash h = hashPassword(digest, iterations);
    Stmt s(db_, "UPDATE accounts SET salt = ?, hash = ?, iterations = ? WHERE user_id = ?");
    s.blob(1, h.salt).blob(2, h.hash).bind(3, int64_t(h.iterations)).bind(4, int64_t(userId));
    return s.run() && sqlite3_changes(db_) == 1;
}

std::string Store::accountOf(uint32_t userId) {
    Stmt s(db_, "SELECT account FROM accounts WHERE user_id = ?");
    s.bind(1, int64_t(userId));
    return s.step() ? s.bytes(0) : std::string();
}

std::optional<uint32_t> Store::userOfAccount(const std::string& account) {
    if (account.empty()) return std::nullopt;
    Stmt s(db_, "SELECT user_id FROM accounts WHERE account = ?");
    s.blob(1, account);
    if (!s.step()) return std::nullopt;
    return uint32_t(s.i64(0));
}

std::unordered_set<uint32_t> Store::usersWithAccountContaining(const std::string& part) {
    std::unordered_set<uint32_t> ids;
    if (part.empty()) return ids;
    Stmt s(db_, "SELECT user_id FROM accounts WHERE instr(account, ?) > 0");
    s.blob(1, part);
    while (s.step())
        ids.insert(s.u32(0));
    return ids;
}

bool Store::addColleague(const Colleague& c, const std::string& account, const std::string& password,
                         uint32_t iterations) {
    unknownAccount_ = {};
    Transaction t(*this);
    Stmt u(db_, "INSERT OR REPLACE INTO users VALUES(?,?,?,?,?,?,?,?)");
    u.bind(1, int64_t(c.id)).bind(2, int64_t(c.department)).blob(3, c.name).blob(4, c.headPicture);
    u.bind(5, int64_t(c.female)).blob(6, c.signature).blob(7, c.workState).bind(8, c.photoTime);
    if (!t.ok() || !u.run()) return false;
    if (!account.empty()) {
        const PasswordHash h = hashPassword(passwordDigest(password), iterations);
        Stmt a(db_, "INSERT OR REPLACE INTO accounts VALUES(?,?,?,?,?)");
        a.blob(1, account)
            .bind(2, int64_t(c.id))
            .blob(3, h.salt)
            .blob(4, h.hash)
            .bind(5, int64_t(h.iterations));
        if (!a.run()) return false;
    }
    return t.commit();
}

bool Store::removeColleague(uint32_t userId) {
    Transaction t(*this);
    Stmt a(db_, "DELETE FROM accounts WHERE user_id = ?");
    Stmt u(db_, "DELETE FROM users WHERE id = ?");
    Stmt l(db_, "DELETE FROM contact_links WHERE owner = ?1 OR user_id = ?1");
    Stmt g(db_, "DELETE FROM contact_groups WHERE owner = ?");
    Stmt h(db_, "DELETE FROM held_messages WHERE receiver = ?");
    for (Stmt* s : {&a, &u, &l, &g, &h})
        if (!s->bind(1, int64_t(userId)).run()) return false;
    return t.ok() && t.commit();
}

bool Store::renameColleague(uint32_t userId, const std::string& name) {
    Stmt s(db_, "UPDATE users SET name = ? WHERE id = ?");
    return s.blob(1, name).bind(2, int64_t(userId)).run();
}

bool Store::updateProfile(uint32_t userId, const std::string& headPicture, const std::string& signature,
                          const std::string& workState) {
    Stmt s(db_, "UPDATE users SET head = ?, signature = ?, work_state = ? WHERE id = ?");
    return s.blob(1, headPicture).blob(2, signature).blob(3, workState).bind(4, int64_t(userId)).run();
}

std::optional<std::string> Store::detail(uint32_t userId) {
    Stmt s(db_, "SELECT record FROM user_details WHERE user_id = ?");
    if (!s.bind(1, int64_t(userId)).step()) return std::nullopt;
    return s.bytes(0);
}

bool Store::saveDetail(uint32_t userId, const std::string& record) {
    Stmt s(db_, "INSERT OR REPLACE INTO user_details VALUES(?,?)");
    return s.bind(1, int64_t(userId)).blob(2, record).run();
}

bool Store::setPhotoTime(uint32_t userId, double time) {
    Stmt s(db_, "UPDATE users SET photo_time = ? WHERE id = ?");
    return s.bind(1, time).bind(2, int64_t(userId)).run();
}

bool Store::addPending(PendingKind kind, uint32_t requester, uint32_t target, uint32_t value) {
    Stmt s(db_, "INSERT OR REPLACE INTO pending_requests VALUES(?,?,?,?)");
    return s.bind(1, int64_t(kind))
        .bind(2, int64_t(requester))
        .bind(3, int64_t(target))
        .bind(4, int64_t(value))
        .run();
}

std::optional<uint32_t> Store::takePending(PendingKind kind, uint32_t requester, uint32_t target) {
    Stmt q(db_, "SELECT value FROM pending_requests WHERE kind = ? AND requester = ? AND target = ?");
    if (!q.bind(1, int64_t(kind)).bind(2, int64_t(requester)).bind(3, int64_t(target)).step())
        return std::nullopt;
    const uint32_t value = q.u32(0);
    Stmt d(db_, "DELETE FROM pending_requests WHERE kind = ? AND requester = ? AND target = ?");
    if (!d.bind(1, int64_t(kind)).bind(2, int64_t(requester)).bind(3, int64_t(target)).run())
        return std::nullopt;
    return value;
}

size_t Store::pendingCount(PendingKind kind, uint32_t target) {
    Stmt s(db_, "SELECT COUNT(*) FROM pending_requests WHERE kind = ? AND target = ?");
    return s.bind(1, int64_t(kind)).bind(2, int64_t(target)).step() ? size_t(s.i64(0)) : 0;
}

uint32_t Store::addContactGroup(uint32_t owner, const std::string& name) {
    Stmt s(db_, "INSERT INTO contact_groups(owner, name) VALUES(?,?)");
    if (!s.bind(1, int64_t(owner)).blob(2, name).run()) return 0;
    return static_cast<uint32_t>(sqlite3_last_insert_rowid(db_));
}

bool Store::removeContactGroup(uint32_t owner, const std::string& name) {
    Stmt s(db_, "DELETE FROM contact_groups WHERE owner = ? AND name = ?");
    return s.bind(1, int64_t(owner)).blob(2, name).run();
}

bool Store::setContactLink(uint32_t owner, uint32_t userId, uint32_t groupId) {
    Stmt s(db_, "INSERT OR REPLACE INTO contact_links VALUES(?,?,?)");
    return s.bind(1, int64_t(owner)).bind(2, int64_t(userId)).bind(3, int64_t(groupId)).run();
}

bool Store::removeContactLink(uint32_t owner, uint32_t userId) {
    Stmt s(db_, "DELETE FROM contact_links WHERE owner = ? AND user_id = ?");
    return s.bind(1, int64_t(owner)).bind(2, int64_t(userId)).run();
}

bool Store::saveGroup(DiscussionGroup& g) {
    Transaction t(*this);
    if (!t.ok()) return false;
    Stmt up(
        db_,
        "INSERT INTO discussion_groups(guid, name, topic, notice, creator, hidden) VALUES(?1,?2,?3,?4,?5,?6)"
        " ON CONFLICT(guid) DO UPDATE SET name=?2, topic=?3, notice=?4, creator=?5, hidden=?6");
    up.blob(1, guidBytes(g.guid)).blob(2, g.name).blob(3, g.topic).blob(4, g.notice);
    if (!up.bind(5, int64_t(g.creator)).bind(6, int64_t(g.hidden)).run()) return false;
    Stmt num(db_, "SELECT number FROM discussion_groups WHERE guid = ?");
    if (!num.blob(1, guidBytes(g.guid)).step()) return false;
    g.number = num.u32(0);
    Stmt clear(db_, "DELETE FROM group_members WHERE number = ?");
    if (!clear.bind(1, int64_t(g.number)).run()) return false;
    int64_t slot = 0;
    for (uint32_t m : g.members) {
        Stmt ins(db_, "INSERT INTO group_members VALUES(?,?,?)");
        if (!ins.bind(1, int64_t(g.number)).bind(2, slot++).bind(3, int64_t(m)).run()) return false;
    }
    return t.commit();
}

bool Store::removeGroup(const wire::Guid& guid) {
    Stmt s(db_, "DELETE FROM discussion_groups WHERE guid = ?");
    return s.blob(1, guidBytes(guid)).run();
}

bool Store::holdMessage(uint32_t receiver, uint32_t sender, HeldBox box, uint8_t code,
                        const std::string& body) {
    Stmt s(db_, "INSERT INTO held_messages(receiver, code, body, sender, box) VALUES(?,?,?,?,?)");
    return s.bind(1, int64_t(receiver))
        .bind(2, int64_t(code))
        .blob(3, body)
        .bind(4, int64_t(sender))
        .bind(5, int64_t(box))
        .run();
}

size_t Store::heldCount(uint32_t receiver) {
    Stmt s(db_, "SELECT count(*) FROM held_messages WHERE receiver = ?");
    return s.bind(1, int64_t(receiver)).step() ? size_t(s.i64(0)) : 0;
}

size_t Store::heldCount(uint32_t receiver, HeldBox box) {
    Stmt s(db_, "SELECT count(*) FROM held_messages WHERE receiver = ? AND box = ?");
    return s.bind(1, int64_t(receiver)).bind(2, int64_t(box)).step() ? size_t(s.i64(0)) : 0;
}

size_t Store::heldCount(uint32_t receiver, HeldBox box, uint32_t sender) {
    Stmt s(db_, "SELECT count(*) FROM held_messages WHERE sender = ? AND receiver = ? AND box = ?");
    return s.bind(1, int64_t(sender)).bind(2, int64_t(receiver)).bind(3, int64_t(box)).step()
               ? size_t(s.i64(0))
               : 0;
}

size_t Store::heldFrom(uint32_t sender) {
    Stmt s(db_, "SELECT count(*) FROM held_messages WHERE sender = ?");
    return s.bind(1, int64_t(sender)).step() ? size_t(s.i64(0)) : 0;
}

std::vector<HeldMessage> Store::heldFor(uint32_t receiver) {
    std::vector<HeldMessage> out;
    Stmt s(db_, "SELECT id, code, body FROM held_messages WHERE receiver = ? ORDER BY id");
    for (s.bind(1, int64_t(receiver)); s.step();)
        out.push_back({s.i64(0), receiver, static_cast<uint8_t>(s.i64(1)), s.bytes(2)});
    return out;
}

bool Store::dropHeld(const std::vector<int64_t>& ids) {
    Transaction t(*this);
    for (int64_t id : ids) {
        Stmt s(db_, "DELETE FROM held_messages WHERE id = ?");
        if (!s.bind(1, id).run()) return false;
    }
    return t.ok() && t.commit();
}

bool Store::putFile(const std::string& name, int64_t size) {
    Stmt s(db_, "INSERT OR REPLACE INTO files(name, size) VALUES(?,?)");
    return s.blob(1, name).bind(2, size).run();
}

bool Store::removeFile(const std::string& name) {
    Stmt s(db_, "DELETE FROM files WHERE name = ?");
    return s.blob(1, name).run();
}

int64_t Store::storedBytes(const std::string& prefix) {
    Stmt s(db_, "SELECT coalesce(sum(size), 0) FROM files WHERE substr(name, 1, ?) = ?");
    return s.bind(1, int64_t(prefix.size())).blob(2, prefix).step() ? s.i64(0) : 0;
}

std::optional<int64_t> Store::fileSize(const std::string& name) {
    Stmt s(db_, "SELECT size FROM files WHERE name = ?");
    if (!s.blob(1, name).step()) return std::nullopt;
    return s.i64(0);
}

} // namespace vantor::server
