// ClientCore: one client made of its parts — the session core (TMessengerX), the organisation
// directory with presence (DirectoryCore), the peer transport (PeerTransport) and the chat
// (ChatCore with its ConversationRegistry) — wired to each other through the interfaces each of
// them declares, none reaching into another. The windows come in from outside (IMainView,
// IDirectoryView, IConversationView); what belongs to transfers and media goes out through
// IColleagueRecords.
#pragma once

#include "client/bridges.h"
#include "client/chat_bridge.h"
#include "client/colleague_records.h"
#include "client/group_bridge.h"
#include "client/notice_bridge.h"
#include "client/offline.h"
#include "client/people_bridge.h"
#include "client/service_points.h"
#include "client/services_bridge.h"
#include "client/transfer_bridge.h"
#include "conversation/chat_core.h"
#include "conversation/conversation_registry.h"
#include "conversation/picture_request.h"
#include "directory/core.h"
#include "groups/groups_core.h"
#include "history/message_store.h"
#include "peer/transport.h"
#include "services/attendance.h"
#include "services/service_desk.h"
#include "session/messenger.h"
#include "transfer/transfers.h"

#include <memory>
#include <optional>
#include <span>

namespace vantor::client {

struct ClientEnvironment {
    session::MessengerEnvironment session; // clock, main window, launcher, camera, folders, …
    directory::IDirectoryView* directoryView = nullptr;
    directory::IIdleSource* idle = nullptr;                      // none: a desktop that tells nothing
    peer::DatagramSocketFactory* sockets = nullptr;              // none: UDP sockets on the event loop
    IColleagueRecords* records = nullptr;                        // none: colleagues' records are dropped
    conversation::IConversationView* conversationView = nullptr; // none: nothing is shown
    const people::IPictureCodec* pictures = nullptr; // none: pictures are taken as JPEG files, no thumbnails
};

class ClientCore : private session::SessionParticipant {
  public:
    explicit ClientCore(ClientEnvironment env);
    ~ClientCore() override;
    ClientCore(const ClientCore&) = delete;
    ClientCore& operator=(const ClientCore&) = delete;

    session::TMessengerX& messenger() { return *messenger_; }
    directory::DirectoryCore& directory() { return *directory_; }
    peer::PeerTransport& peers() { return *peers_; }
    platform::Clock& clock() { return clock_; }
    conversation::ConversationRegistry& conversations() { return conversations_; }
    conversation::ChatCore& chat() { return *chat_; }
    transfer::Transfers& transfers() { return *transfers_; }
    // Offline files: the uploads of "发送离线文件", and the files left for us on the file server.
    OfflineSends& offlineSends() { return *offlineSends_; }
    transfer::OfflineFiles& offlineFiles() { return *offlineFiles_; }
    // Searches, requests, detail records and head pictures.
    people::PeopleCore& people() { return *people_; }
    groups::GroupsCore& groups() { return *groups_; }
    info::NoticeCore& notices() { return *notices_; }
    // The group windows (null: nothing is drawn; system lines go to the conversation view).
    void setGroupView(groups::IGroupView* view) { groupBridge_.setView(view); }

    // Where transfers draw their panels and show their message boxes (null: nothing is drawn).
    void setTransferView(transfer::ITransferView* view) { transferBridge_.setView(view); }
    transfer::ITransferView* transferView() const { return transferBridge_.view(); }
    // Framed to the server on the ordinary or the stream path by length.
    bool sendToServer(const protocol::Message& m);

    // The conversation windows (null: nothing is shown; messages are still delivered and stored).
    void setConversationView(conversation::IConversationView* view) { chatBridge_.setView(view); }
    conversation::IConversationView* conversationView() const { return chatBridge_.view(); }

    // The signed-in account's message store; nothing while signed out.
    std::optional<history::StoreLocation> historyLocation() const;
    // Waits until the records queued for the history are on disk (they are written by a thread of
    // their own); for sign-out, exit and tests, never the UI thread's ordinary path.
    void finishHistoryWrites() { chatBridge_.finishWrites(); }

    // The account's Images folder; nothing while signed out.
    std::optional<conversation::ImagesFolder> imagesFolder() const;
    // Asks the owner (or, when the owner cannot answer, the server) for a picture that a message in
    // the conversation `key` shows but the Images folder lacks.
    conversation::PictureRoute requestPicture(const protocol::ConversationKey& key, uint32_t ownerId,
                                              std::string_view name);
    // Where a colleague's request for one of our pictures starts its transfer (by default a picture
    // transfer of our own; null: requests are not answered).
    void setPictureTransfer(conversation::IPictureTransfer* transfer) { pictureTransfer_ = transfer; }

    // A record from a colleague, by its channel or (null) forwarded by the server: the chat's own
    // records go to the chat core, the others to IColleagueRecords.
    void colleagueRecord(const protocol::Message& m, peer::TMySocket* channel);
    // The own name or the server's settings changed: the chat takes them up.
    void refreshChatSession();

    void setRecords(IColleagueRecords* records) { records_ = records; }
    IColleagueRecords* records() const { return records_; }

    // The account's settings in the session's UserConfig changed while signed in: the directory
    // takes the sorting and the automatic away and busy rules, and the status timer runs exactly
    // while one of those rules is on.
    void applyUserSettings();
    // The service points pushed since sign-in (CmdServicePoint).
    const std::vector<ServicePointEntry>& servicePoints() const { return servicePoints_.entries(); }
    // Attendance (the automatic sign-in and the attendance window) and the service desk.
    services::Attendance& attendance() { return *attendance_; }
    services::ServiceDesk& serviceDesk() { return *serviceDesk_; }
    // The local time the office services go by (none: the system's).
    void setLocalTime(std::function<double()> now) { servicesBridge_.setLocalTime(std::move(now)); }

    // The status timer of the automatic away and busy rules runs.
    bool statusTimerActive() const { return statusTimer_->isActive(); }

    // Records from colleagues that the server may forward as well as a channel may carry; they
    // reach IColleagueRecords with no channel.
    static std::span<const protocol::Cmd> forwardedRecordCodes();

    // The directory's settings as the account's settings file and the product name give them.
    directory::DirectorySettings directorySettings() const;

    // A write to the server failed inside a part's call: the failure sign-out runs once that call
    // has returned (never inside it), unless the session has ended meanwhile.
    void signOutAfterFailedWrite();

  private:
    void installHandlers();
    void fillServiceSections();
    void onLoginReply(const protocol::Message& m);
    void onPictureRequest(const protocol::Message& m);
    void applyUdpProxy();
    void loginStep(session::LoginStep step) override;
    void signOutStep(session::SignOutStep step, bool byUser) override;

    platform::Clock& clock_;
    DirectoryBridge directoryBridge_{*this};
    PeerBridge peerBridge_{*this};
    ChatBridge chatBridge_{*this};
    TransferBridge transferBridge_{*this};
    PeopleBridge peopleBridge_{*this};
    people::PlainPictureCodec plainPictures_;
    GroupBridge groupBridge_{*this};
    NoticeBridge noticeBridge_{*this};
    ServicesBridge servicesBridge_{*this};
    conversation::ConversationRegistry conversations_;
    directory::NullIdleSource nullIdle_;
    std::unique_ptr<peer::DatagramSocketFactory> ownSockets_;
    IColleagueRecords* records_;
    std::unique_ptr<session::TMessengerX> messenger_;
    std::unique_ptr<directory::DirectoryCore> directory_;
    std::unique_ptr<peer::PeerTransport> peers_;
    std::unique_ptr<conversation::ChatCore> chat_;
    std::unique_ptr<transfer::Transfers> transfers_;
    OfflineFilesHost offlineHost_{*this};
    std::unique_ptr<OfflineSends> offlineSends_;
    std::unique_ptr<transfer::OfflineFiles> offlineFiles_;
    std::unique_ptr<people::PeopleCore> people_;
    std::unique_ptr<groups::GroupsCore> groups_;
    std::unique_ptr<info::NoticeCore> notices_;
    std::unique_ptr<services::Attendance> attendance_;
    std::unique_ptr<services::ServiceDesk> serviceDesk_;
    std::unique_ptr<platform::Timer> statusTimer_;
    conversation::IPictureTransfer* pictureTransfer_ = &transferBridge_;
    ServicePoints servicePoints_;
    bool signOutQueued_ = false;
    int proxyLookup_ = -1;
};

} // namespace vantor::client
