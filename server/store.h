// The server's persistent store on SQLite: the organisation, account hashes, contact groups and
// links, discussion groups, messages held for offline colleagues and the offline-file index.
// Every write runs in a transaction. Not thread-safe: one owner thread.
#pragma once

#include "server/organisation.h"
#include "server/password.h"

#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

struct sqlite3;

namespace vantor::server {

// Held chat messages and held notices (offline-file notices, contact and join requests) are
// counted apart, so that chat never crowds out a request.
enum class HeldBox : uint8_t { Chat = 0, Notice = 1 };

// Requests waiting for their answer: a contact request (target = the colleague asked, value = the
// requester's contact group) or a join request (target = the group's number).
enum class PendingKind : uint8_t { Contact = 0, Join = 1 };

struct HeldMessage {
    int64_t id = 0;
    uint32_t receiver = 0;
    uint8_t code = 0;
    std::string body;
};

class Store {
  public:
    // Opens (creating when missing) the database at `path`; nullptr with `error` on failure.
    static std::unique_ptr<Store> open(const std::string& path, std::string* error);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // Replaces the whole organisation (held messages and files stay).
    bool importOrganisation(const Organisation& org, std::string* error);
    // Everything but the accounts' secrets.
    Organisation loadOrganisation();

    // The user id of an account whose password matches.
    std::optional<uint32_t> authenticate(const std::string& account, const std::string& password);
    // Replaces a colleague's password by the digest a client sends when it changes it.
    bool setPasswordDigest(uint32_t userId, const std::string& digest, uint32_t iterations);
    std::string accountOf(uint32_t userId);
    // The colleague with exactly this account (bytes as written), if any.
    std::optional<uint32_t> userOfAccount(const std::string& account);
    // The colleagues whose account contains `part` (bytes, case as written); none for an empty part.
    std::unordered_set<uint32_t> usersWithAccountContaining(const std::string& part);

    bool addColleague(const Colleague& c, const std::string& account, const std::string& password,
                      uint32_t iterations);
    bool removeColleague(uint32_t userId);
    bool renameColleague(uint32_t userId, const std::string& name);
    bool updateProfile(uint32_t userId, const std::string& headPicture, const std::string& signature,
                       const std::string& workState);

    // A colleague's detail record (369 bytes) as last saved, and the time of its head photo.
    std::optional<std::string> detail(uint32_t userId);
    bool saveDetail(uint32_t userId, const std::string& record);
    bool setPhotoTime(uint32_t userId, double time);

    // Requests waiting for their answer; taking one removes it.
    bool addPending(PendingKind kind, uint32_t requester, uint32_t target, uint32_t value);
    std::optional<uint32_t> takePending(PendingKind kind, uint32_t requester, uint32_t target);
    size_t pendingCount(PendingKind kind, uint32_t target);

    // Contact groups and links of one owner.
    uint32_t addContactGroup(uint32_t owner, const std::string& name);
    bool removeContactGroup(uint32_t owner, const std::string& name);
    bool setContactLink(uint32_t owner, uint32_t userId, uint32_t groupId);
    bool removeContactLink(uint32_t owner, uint32_t userId);

    // Discussion groups: insert or replace (the number is assigned on first save).
    bool saveGroup(DiscussionGroup& g);
    bool removeGroup(const wire::Guid& guid);

    // Messages held for a colleague who is offline.
    bool holdMessage(uint32_t receiver, uint32_t sender, HeldBox box, uint8_t code, const std::string& body);
    size_t heldCount(uint32_t receiver);
    size_t heldCount(uint32_t receiver, HeldBox box);
    size_t heldCount(uint32_t receiver, HeldBox box, uint32_t sender);
    // Everything one sender has waiting, for every colleague.
    size_t heldFrom(uint32_t sender);
    std::vector<HeldMessage> heldFor(uint32_t receiver);
    bool dropHeld(const std::vector<int64_t>& ids);

    // Offline-file index.
    bool putFile(const std::string& name, int64_t size);
    bool removeFile(const std::string& name);
    std::optional<int64_t> fileSize(const std::string& name);
    // The bytes of the stored files whose names begin with `prefix`.
    int64_t storedBytes(const std::string& prefix);

    const std::string& lastError() const { return error_; }

  private:
    explicit Store(sqlite3* db) : db_(db) {}
    bool exec(const char* sql);
    bool upgrade();
    bool begin();
    bool commit();
    void rollback();
    friend class Transaction;
    sqlite3* db_;
    std::string error_;
    PasswordHash unknownAccount_; // checked for unknown accounts; at the highest iteration count
};

} // namespace vantor::server
