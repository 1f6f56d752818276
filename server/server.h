// The organisation's server: one TCP port for the clients' connections, UDP on the same port
// number for the public-address echo and the punching datagrams, and the file server for offline
// files. Single-threaded on the Qt event loop of the thread it lives in. The control methods are
// for tests and tools running on that same thread (see ServerThread for another thread).
#pragma once

#include "protocol/frame.h"
#include "protocol/peer_records.h"
#include "server/client_input.h"
#include "server/directory.h"
#include "server/password.h"
#include "server/store.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTcpServer>
#include <QTimer>
#include <QUdpSocket>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace vantor::server {

class Session;
class FileServer;
class NoticeService;
class OfficeServices;

struct ServerConfig {
    std::string bindAddress = "127.0.0.1";
    uint16_t port = 8000;     // TCP and UDP; 0 picks a free port (the UDP socket then takes the same number)
    uint16_t filePort = 9203; // 0 picks a free port
    std::string dbPath = "vantor-server.db";
    std::string fileFolder;            // default: the database path + ".files"
    std::string advertisedFileAddress; // told to clients; default: the bind address
    int greetingTimeoutMs = 30000;     // a connection that says nothing is closed after this
    int signInTimeoutMs = 20000;       // a connection not signed in by then is closed (heartbeats or not)
    int idleTimeoutMs = 180000;        // a connection without any message (heartbeats included)
    size_t maxFrame = 1 << 20;         // longest message accepted from a client
    // Messages handled per connection: beyond a first burst, a client that sends faster than this
    // is not read until its budget has grown again, so its kernel buffers fill and TCP slows it
    // down at no cost to the server. The pieces of a long body (a notice post) are not counted.
    double messagesPerSecond = 500;
    int messageBurst = 5000;
    std::string minimumVersion;          // clients older than this are told to update
    size_t maxHeldPerUser = 1000;        // chat messages held for one offline colleague
    size_t maxHeldPerSender = 100;       // of those, from one sender
    size_t maxHeldNotices = 200;         // file notices, contact and join requests for one colleague
    size_t maxHeldNoticesPerSender = 20; // of those, from one sender
    size_t maxHeldFromSender = 5000;     // everything one sender has waiting for anybody
    size_t maxConnections = 20000;       // connections beyond this are closed at once
    size_t maxUnsignedConnections = 0;   // connections not signed in; 0: a quarter of the connection limit
    size_t maxUnsignedPerAddress = 32;   // connections not signed in from one address
    uint32_t hashIterations = kDefaultHashIterations; // for colleagues added at run time
    // Failed sign-ins: after this many per account (per address), each further attempt waits
    // twice as long as the one before, from signInDelayMs up to maxSignInDelayMs; forgotten after
    // a quarter of an hour without a failure.
    unsigned freeFailuresPerAccount = 3;
    unsigned freeFailuresPerAddress = 10;
    int signInDelayMs = 500;
    int maxSignInDelayMs = 10000;
    int64_t fileQuotaPerUser = int64_t(2) << 30; // offline files stored under one sender's names
    size_t maxFileConnections = 256;             // file-server connections, 16 from one address
    size_t maxGroupsPerCreator = 50;             // discussion groups one colleague has created
    size_t maxGroupsPerMember = 200;             // discussion groups one colleague can be put in
    double groupAdditionsPerMinute = 60;         // members one colleague adds to groups …
    int groupAdditionBurst = 400;                // … after a first burst of this many
    double changesPerSecond = 0.2;               // status, name and work-state changes told per colleague …
    int changeBurst = 10;                        // … after a first burst of this many
    bool directPaths = true;                     // answer UDP echoes and forward punching datagrams
    std::string productName;                     // GBK; empty: none
    bool mobileTexts = false; // offer "同时发送短信" (the sign-in reply's mobile-text permission)
    bool serviceDesk = false; // the sign-in reply shows the service desk ("客服中心")
    std::string
        pictureFolder; // head photos and conversation pictures; default: the database path + ".pictures"
    size_t maxPictureBytes = 1000000;   // one head photo or conversation picture
    size_t maxPicturesPerFolder = 2000; // conversation pictures of one colleague or one group
    size_t maxPendingRequests = 200;    // contact requests to one colleague, join requests to one group
    size_t maxDetailReaders = 5000;     // colleagues told of one colleague's new details besides its contacts
    std::string noticeFolder;           // notice attachments; default: the database path + ".notices"
    uint64_t maxNoticeBytes = uint64_t(64) << 30; // one posted notice with its attachments
    bool attendance = false;          // attendance by sign-in, also when the organisation does not ask for it
    std::function<double()> localNow; // the local time as a day count; none: the system's clock
};

class Server : public QObject {
    Q_OBJECT
  public:
    explicit Server(ServerConfig config, QObject* parent = nullptr);
    ~Server() override;

    // Opens the store, loads the organisation and starts listening.
    bool start(std::string* error);
    // Tells every signed-in client "服务器已停止！", closes every connection and the store.
    void stop();
    bool running() const { return store_ != nullptr; }

    uint16_t port() const;
    uint16_t udpPort() const;
    uint16_t filePort() const;
    const ServerConfig& config() const { return config_; }

    // ---- control surface ----
    // Sets a colleague's status as if its client had chosen it, and tells everyone.
    void pushStatus(uint32_t userId, uint8_t status);
    // Adds (or replaces) a colleague with an account, and tells everyone signed in.
    bool addColleague(const Colleague& c, const std::string& account, const std::string& password);
    // Removes a colleague, tells everyone signed in and closes the colleague's own connection.
    bool removeColleague(uint32_t userId);
    // Renames a colleague (GBK) and tells everyone signed in.
    bool renameColleague(uint32_t userId, const std::string& name);
    // Sends one message to a signed-in colleague; false when it is not signed in.
    bool pushRecord(uint32_t userId, const protocol::Message& m);
    // Off: no echo answers and no forwarded punching, so clients must relay through the server.
    void setDirectPaths(bool on) { config_.directPaths = on; }
    // On: sign-in replies let clients ask for mobile texts (for later sign-ins).
    void setMobileTexts(bool on) { config_.mobileTexts = on; }
    void setServiceDesk(bool on) { config_.serviceDesk = on; }
    // The mobile-text requests received (CmdSmsRequest bodies), oldest first. This server has no
    // text gateway: it keeps the last kMaxSmsRequests for whoever looks.
    static constexpr size_t kMaxSmsRequests = 100;
    const std::deque<std::string>& smsRequests() const { return smsRequests_; }
    bool isOnline(uint32_t userId) const;
    size_t heldCount(uint32_t userId);
    size_t sessionCount() const { return sessions_.size(); }
    // Connections taken at most: the configured limit, lowered to what the descriptor limit allows.
    size_t connectionLimit() const { return connectionLimit_; }
    Directory& directory() { return directory_; }
    Store* store() { return store_.get(); }
    NoticeService* notices() { return notices_.get(); }
    // Attendance, service points, reservations and evaluations.
    OfficeServices* office() { return office_.get(); }

    // ---- for sessions ----
    void handle(Session& s, const protocol::Message& m);
    void sessionClosed(Session& s);
    void loadFinished(Session& s);

  private:
    friend class OfficeServices;
    void onNewConnection();
    // Connections that have not signed in yet, oldest first, and how many per address.
    void trackUnsigned(Session& s);
    void forgetUnsigned(Session& s);
    bool dropOldestUnsigned(const char* why);
    void onDatagrams();
    // Sign-in (server_signin.cpp).
    void onVersionCheck(Session& s, const protocol::VersionCheckRequest& r);
    void onLogin(Session& s, const protocol::LoginRequest& r);
    void checkLogin(Session& s, const protocol::LoginRequest& r);
    struct Failures {
        unsigned count = 0;
        qint64 last = 0;        // when the last one failed
        qint64 nextAllowed = 0; // the earliest moment of the next check
    };
    using FailureMap = std::unordered_map<std::string, Failures>;
    qint64 failureDelay(const Failures& f, unsigned free) const;
    void noteFailure(FailureMap& map, const std::string& key, unsigned free, qint64 now);
    void signOut(Session& s, const char* why);
    void deliverHeld(Session& s);
    // Routing and directory requests (server_routes.cpp).
    void onStatus(Session& s, const protocol::StatusRecord& r);
    void onWorkState(Session& s, const protocol::WorkStateRecord& r);
    void onContacts(Session& s, const protocol::ContactsChange& c);
    void onUserQuery(Session& s, const UserQuery& q);
    void onGroupSave(Session& s, const GroupSave& g);
    void onGroupMembers(Session& s, const protocol::GroupMembersQuery& q);
    void onUserSearch(Session& s, const protocol::UserSearchRequest& r);
    void onGroupSearch(Session& s, const protocol::GroupSearchRequest& r);
    void onChangeNamePassword(Session& s, const ChangeNamePassword& c);
    // Requests, details and pictures (server_people.cpp).
    void onDetailQuery(Session& s, const DetailQuery& q);
    void onDetailSave(Session& s, protocol::UserDetail d);
    void onPictureQuery(Session& s, const PictureQuery& q);
    void onPictureUpload(Session& s, const PictureUpload& u);
    std::optional<protocol::Message> noteRequest(uint32_t me, const protocol::Message& m);
    void linkContact(uint32_t owner, uint32_t contact, uint32_t wanted);
    void addMember(const DiscussionGroup& g, uint32_t userId);
    std::vector<Session*> watchersOf(uint32_t userId);
    QString headPhotoPath(uint32_t userId) const;
    QString conversationPicturePath(const wire::Guid& group, uint32_t owner, const std::string& name) const;
    // The budget of changes of each colleague (server_changes.cpp).
    struct ChangeBudget {
        double tokens = -1; // below 0: never used, a full budget
        qint64 refilled = 0;
        bool queued = false;
        bool status = false;
        bool automatic = false;
        std::optional<std::string> headPicture, signature;
        std::optional<ChangeNamePassword> rename;
        std::optional<protocol::WorkStateRecord> workState;
    };
    bool takeChange(uint32_t userId);
    void queueChange(uint32_t userId);
    void onChangeTick();
    void applyQueuedChanges(uint32_t userId, ChangeBudget& b);
    void applyWorkState(uint32_t userId, const protocol::WorkStateRecord& r);
    void applyNamePassword(const ChangeNamePassword& c);
    void onRelay(Session& s, const protocol::Message& m, const Relay& r);
    // Sends to a signed-in colleague, or holds for an offline one within the sender's share.
    enum class Outcome { Sent, Held, Refused, NotKept };
    Outcome deliverOrHold(uint32_t receiver, uint32_t sender, const protocol::Message& m, Relay::Hold hold);
    // To every signed-in colleague but `except`. With a `latestKey`, a reader that falls behind
    // gets only the latest message of that key.
    void broadcast(const protocol::Message& m, uint32_t except, uint64_t latestKey = 0);
    void broadcastStatus(uint32_t userId, uint8_t textKind, const std::string& text, bool automatic,
                         uint32_t except = 0);
    // Offline files: names a colleague announced (offer or offline notice) before uploading them.
    void noteAnnouncement(uint32_t sender, const protocol::Message& m);
    bool takeGroupAddition(uint32_t userId);
    const char* notAParty(uint32_t me, const protocol::Message& m, const Relay& r) const;
    bool fromSessionOf(uint32_t userId, const QHostAddress& from) const;
    // UDP (server_udp.cpp).
    void onEcho(const protocol::UdpEcho& e, const QHostAddress& from, quint16 port);
    void forwardPunch(const protocol::Message& m, uint32_t receiver, const protocol::Endpoint& to);

    ServerConfig config_;
    std::unique_ptr<Store> store_;
    Directory directory_;
    QTcpServer tcp_;
    QUdpSocket udp_;
    std::unique_ptr<FileServer> files_;
    std::unique_ptr<NoticeService> notices_;
    std::unique_ptr<OfficeServices> office_;
    uint64_t nextSession_ = 1;
    std::unordered_map<uint64_t, Session*> sessions_; // every connection
    std::map<uint64_t, Session*> unsigned_;           // connections not signed in, by age
    std::unordered_map<std::string, size_t> unsignedPerAddress_;
    size_t connectionLimit_ = 0;
    size_t unsignedLimit_ = 0;
    std::unordered_map<uint32_t, Session*> byUser_; // the signed-in session of each colleague
    std::unordered_map<uint32_t, std::deque<protocol::Endpoint>> udpSeen_; // echo sources per user
    std::unordered_map<uint32_t, ChangeBudget> budgets_;
    std::unordered_map<std::string, uint32_t> announced_;               // file name -> sender
    std::unordered_map<uint32_t, std::deque<std::string>> announcedBy_; // the latest names of each sender
    FailureMap failedByAccount_, failedByAddress_;
    std::unordered_map<uint32_t, std::pair<double, qint64>> groupAdditions_; // tokens, last refill
    std::unordered_set<uint64_t> loginWaiting_; // sessions whose sign-in waits for its turn
    // Addresses each account has signed in from (the last few): failures on the account made
    // elsewhere do not hold these back, so guessing cannot lock a colleague out of their own machine.
    std::unordered_map<std::string, std::vector<std::string>> knownAddresses_;
    bool knownAddress(const std::string& account, const std::string& address) const;
    std::vector<uint32_t> changesQueued_;
    QTimer changeTimer_;
    QElapsedTimer clock_;
    std::deque<std::string> smsRequests_;
    std::unordered_map<uint32_t, std::unordered_set<uint32_t>>
        detailReaders_; // user → who asked for its details
};

} // namespace vantor::server
