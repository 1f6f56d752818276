// One headless client for scripts and operations: signs in with the settings the desktop client
// keeps (or the flags), then runs one command — send a message and wait for its acknowledgement,
// listen (and answer), or print a page of a stored conversation — and exits with its result.
#pragma once

#include "client/client_core.h"
#include "directory_view.h"
#include "notice_commands.h"
#include "offline_commands.h"
#include "people_commands.h"
#include "platform/clock.h"
#include "platform/devices.h"
#include "platform/process_launcher.h"
#include "printing_view.h"
#include "service_commands.h"
#include "transfer/transfers.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <optional>

namespace vantor::app {

struct CliOptions {
    QString host; // empty: the stored HostName
    int port = 0; // 0: the stored ServerPort
    QString account;
    QString password;
    QString dataFolder; // stands in for the Documents folder; empty: the user's own
    bool verbose = false;
    int timeoutSeconds = 40; // sign-in, and waiting for an acknowledgement

    enum class Command {
        Send,
        Listen,
        History,
        Search,
        Export,
        SendFile,
        Groups,
        GroupCreate,
        GroupLeave
    } command = Command::Listen;
    QString target;          // colleague: id or display name; or a group's identifier in braces
    QString output;          // export: the file (empty: standard output)
    bool html = false;       // export: an HTML page instead of text
    QString text;            // send: the message; listen: the answer ("%s" = the received text)
    int page = 0;            // history: 1-based; 0 = the last page
    int count = 0;           // listen: stop after this many messages (0: never)
    int directWaitMs = 0;    // send: first wait this long for a direct path to the colleague
    QString file;            // send-file: the file
    QString acceptFiles;     // listen: accept offered files into this folder (empty: offers wait)
    PeopleOptions people;    // searches on the server, contact requests, details, the own photo
    QStringList members;     // group-create: the colleagues (ids or names)
    OfflineOptions offline;  // send-file --offline, offline-files
    NoticeOptions notices;   // internal notices: list, read, fetch, post
    ServiceOptions services; // attendance, service points
};

// Prints each received message as one line: sender id, sender name and the text in its plain form
// (faces and pictures as codes), tab-separated, UTF-8.
class CliConversationView : public conversation::IConversationView {
  public:
    std::function<void(conversation::Conversation&, const std::string& gbkPlain)> onReceived;
    bool verbose = false;
    bool printReceived = true;

    void showMessage(conversation::Conversation& c, uint32_t senderId, const std::string& header, bool own,
                     const std::string& plain, const conversation::ChatFont& font) override;
    void systemLine(conversation::Conversation& c, const std::string& line) override;
    void alertBar(conversation::Conversation&, const std::string&) override {}
    void clearInput(conversation::Conversation&) override {}
    void flash(conversation::Conversation&) override {}
    void bringToFront(conversation::Conversation& c) override { c.visible = c.inFront = true; }
    void shake(conversation::Conversation&) override {}
    void alertConversation(conversation::Conversation&) override {}
    void setTypingTexts(conversation::Conversation&, const std::string&, const std::string&) override {}
    void startTypingTimer(conversation::Conversation&) override {}
    void stopTypingTimer(conversation::Conversation&) override {}
    void queueTip(const std::string&) override {}
    void showReminder(const protocol::Shake&) override {}
    void serviceFirstMessage(conversation::Conversation&) override {}
    void storeFailed(conversation::Conversation& c, const std::string& reason) override;
};

// The sign-in window as a script sees it: refusals and errors end the run.
class CliMainView : public PrintingMainView {
  public:
    using PrintingMainView::PrintingMainView;
    std::function<void(const QString&)> onError;
    bool watching = false; // a sign-in has started
    bool failed = false;   // and has failed
    QString failure() const;
    void showMessage(const QString& text, const QString& title) override;
    void showBalloon(const QString& title, const QString& text, int seconds,
                     session::BalloonIcon icon) override;
    void showSignInPanel() override;
    void showReLoginPanel(bool networkLost) override;

  private:
    QString lastBalloon_;
};

// The sender's name from a message header ("name hh:nn:ss" or "name mm-dd hh:nn:ss").
std::string senderOfHeader(const std::string& header);

// Transfers as a script sees them: progress and outcomes on standard error, received files on
// standard output.
class CliTransferView : public transfer::ITransferView {
  public:
    std::function<void(transfer::TTransmitFile&)> onAdded;
    std::function<void(transfer::TTransmitFile&, transfer::Outcome)> onRemoved;
    void transferAdded(transfer::TTransmitFile& t) override;
    void transferChanged(transfer::TTransmitFile& t) override;
    void transferRemoved(transfer::TTransmitFile& t, transfer::Outcome outcome) override;
    void transferLine(transfer::TTransmitFile& t, const std::string& gbkText, bool store) override;
    void fileReceived(transfer::TTransmitFile& t, const QString& path) override;
    void transferMessage(const std::string& gbkText, const std::string& gbkCaption) override;
    void pictureDone(transfer::TTransmitFile&, bool) override {}
};

class CliSession : public QObject {
  public:
    explicit CliSession(CliOptions options);
    ~CliSession() override;

    // Starts the sign-in; the command runs once it has completed. The process's exit code is
    // set through QCoreApplication::exit.
    void start();
    // SIGTERM/SIGINT: sign out and leave.
    void stop();

  private:
    void poll();
    void signedIn();
    void runSend();
    void sendNow();
    void runHistory();
    void runSearch();
    void runExport();
    void runSendFile();
    void runGroups();
    void runGroupCreate();
    void runGroupLeave();
    // The store's key of a colleague's or a group's conversation; nothing (and the run ended) when
    // the target names neither.
    std::optional<std::string> conversationKey(const QString& target);
    void received(conversation::Conversation& c, const std::string& gbkPlain);
    void finish(int code, const QString& message = {});
    std::optional<uint32_t> findColleague(const QString& target);
    std::string userName(uint32_t id);

    CliOptions options_;
    platform::SystemClock clock_;
    platform::QtProcessLauncher launcher_;
    platform::NullCameraProbe camera_{false};
    CliMainView view_;
    PrintingDirectoryView directoryView_;
    CliConversationView conversationView_;
    CliTransferView transferView_;
    uint64_t sendingFile_ = 0; // send-file: the transfer's serial
    int64_t fileOfferedMs_ = -1;
    people::PictureCodec pictures_;
    std::unique_ptr<client::ClientCore> core_;
    std::unique_ptr<CliPeople> people_;
    std::unique_ptr<CliOffline> offline_;
    std::unique_ptr<CliNotices> notices_;
    std::unique_ptr<CliServices> services_;
    QTimer poll_;
    int64_t startedMs_ = 0;
    int64_t sentMs_ = -1;
    int64_t directWaitUntil_ = -1; // waiting for the colleague's channel to turn direct
    conversation::Conversation* sendTo_ = nullptr;
    bool running_ = false; // the command has started
    bool finished_ = false;
    int receivedCount_ = 0;
    std::optional<protocol::Guid> creating_; // group-create: waiting for the server's invitation back
    int64_t createdMs_ = -1;
    bool listenDone_ = false;
    bool listenDoneSeen_ = false;
};

} // namespace vantor::app
