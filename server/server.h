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

#include <QObject>
#include <QTcpServer>
#include <QUdpSocket>

#include <deque>
#include <memory>
#include <string>
#include <unordered_map>

namespace vantor::server {

class Session;
class FileServer;

struct ServerConfig {
    std::string bindAddress = "127.0.0.1";
    uint16_t port = 8000;     // TCP and UDP; 0 picks a free port (the UDP socket then takes the same number)
    uint16_t filePort = 9203; // 0 picks a free port
    std::string dbPath = "vantor-server.db";
    std::string fileFolder;            // default: the database path + ".files"
    std::string advertisedFileAddress; // told to clients; default: the bind address
    int greetingTimeoutMs = 30000;     // a connection that says nothing is closed after this
    int idleTimeoutMs = 180000;        // a connection without any message (heartbeats included)
    size_t maxFrame = 1 << 20;         // longest message accepted from a client
    std::string minimumVersion;        // clients older than this are told to update
    size_t maxHeldPerUser = 1000;      // messages held for one offline colleague
    size_t maxConnections = 20000;     // connections beyond this are closed at once
    uint32_t hashIterations = kDefaultHashIterations; // for colleagues added at run time
    bool directPaths = true;                          // answer UDP echoes and forward punching datagrams
    bool mobileTexts = false; // offer "同时发送短信" (the sign-in reply's mobile-text permission)
    bool serviceDesk = false; // the sign-in reply shows the service desk ("客服中心")
    std::string productName;  // GBK; empty: none
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
    Directory& directory() { return directory_; }
    Store* store() { return store_.get(); }

    // ---- for sessions ----
    void handle(Session& s, const protocol::Message& m);
    void sessionClosed(Session& s);
    void loadFinished(Session& s);

  private:
    void onNewConnection();
    void onDatagrams();
    // Sign-in (server_signin.cpp).
    void onVersionCheck(Session& s, const protocol::VersionCheckRequest& r);
    void onLogin(Session& s, const protocol::LoginRequest& r);
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
    void onRelay(Session& s, const protocol::Message& m, const Relay& r);
    void deliverOrHold(uint32_t receiver, const protocol::Message& m, bool holdable);
    void broadcast(const protocol::Message& m, uint32_t except);
    void broadcastStatus(uint32_t userId, uint8_t textKind, const std::string& text, bool automatic,
                         uint32_t except = 0);
    // UDP (server_udp.cpp).
    void onEcho(const protocol::UdpEcho& e, const QHostAddress& from, quint16 port);
    void forwardPunch(const protocol::Message& m, uint32_t receiver, const protocol::Endpoint& to);

    ServerConfig config_;
    std::unique_ptr<Store> store_;
    Directory directory_;
    QTcpServer tcp_;
    QUdpSocket udp_;
    std::unique_ptr<FileServer> files_;
    uint64_t nextSession_ = 1;
    std::unordered_map<uint64_t, Session*> sessions_; // every connection
    std::unordered_map<uint32_t, Session*> byUser_;   // the signed-in session of each colleague
    std::unordered_map<uint32_t, std::deque<protocol::Endpoint>> udpSeen_; // echo sources per user
    std::deque<std::string> smsRequests_;
};

} // namespace vantor::server
