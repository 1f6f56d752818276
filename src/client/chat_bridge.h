// The chat core's view of the rest of the client: peer channels and the server for sending, the
// directory for colleagues and held messages, the account's message store and settings, the
// clock, and the conversation windows (set from outside; none means nothing is shown).
#pragma once

#include "conversation/chat_ports.h"
#include "history/store_writer.h"

#include <QObject>

#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace vantor::client {

class ClientCore;

class ChatBridge : public conversation::IChatTransport,
                   public conversation::IChatDirectory,
                   public conversation::IChatStore,
                   public conversation::IChatSettings,
                   public conversation::IChatClock,
                   public conversation::IConversationView {
  public:
    explicit ChatBridge(ClientCore& core) : core_(core) {}
    ~ChatBridge() override;

    // Waits until every record queued for the history is on disk (or failed) and runs what waited
    // for it (acknowledgements, failure lines). Sign-out and exit; the UI thread never waits else.
    void finishWrites();
    // Also stops the writer thread (before the client's parts go).
    void stopWriter();

    void setView(conversation::IConversationView* view) { view_ = view; }
    conversation::IConversationView* view() const { return view_; }

    // IChatTransport
    void sendToPeer(uint32_t contactId, const protocol::Message& message, bool relayed) override;
    std::optional<std::string> queuePending(const protocol::ChatMessage& message) override;
    void sendToServer(const protocol::Message& message) override;
    // IChatDirectory
    std::optional<conversation::ChatContact> findUser(uint32_t userId) override;
    void holdMessage(const protocol::ChatMessage& message) override;
    conversation::GroupMembership groupMembership(const protocol::Guid& group, uint32_t userId) override;
    void holdGroupMessage(const protocol::ChatMessage& message) override;
    void queryUser(uint32_t userId) override;
    void touchRecent(uint32_t userId) override;
    // IChatStore: queued to the account's writer thread; `done` runs on the UI thread.
    void store(const std::string& record, conversation::StoreDone done) override;
    // IChatSettings
    conversation::ChatOptions read() override;
    // IChatClock
    uint32_t tickCount() override;
    double now() override;

    // IConversationView: forwarded to the windows.
    void showMessage(conversation::Conversation& c, uint32_t senderId, const std::string& header, bool own,
                     const std::string& plain, const conversation::ChatFont& font) override;
    void systemLine(conversation::Conversation& c, const std::string& line) override;
    void alertBar(conversation::Conversation& c, const std::string& text) override;
    void clearInput(conversation::Conversation& c) override;
    void flash(conversation::Conversation& c) override;
    void bringToFront(conversation::Conversation& c) override;
    void shake(conversation::Conversation& c) override;
    void alertConversation(conversation::Conversation& c) override;
    void setTypingTexts(conversation::Conversation& c, const std::string& nameLabel,
                        const std::string& caption) override;
    void startTypingTimer(conversation::Conversation& c) override;
    void stopTypingTimer(conversation::Conversation& c) override;
    void queueTip(const std::string& text) override;
    void showReminder(const protocol::Shake& record) override;
    void serviceFirstMessage(conversation::Conversation& c) override;
    void storeFailed(conversation::Conversation& c, const std::string& reason) override;
    void closeAll() override;

  private:
    // Writer thread: hands the results over and wakes the UI thread once per hand-over.
    void written(std::vector<history::StoreWriter::Result> results);
    // UI thread: runs what waited for the records written so far.
    void takeWritten();

    ClientCore& core_;
    conversation::IConversationView* view_ = nullptr;
    QObject uiThread_; // where the writer's results are delivered
    std::unique_ptr<history::StoreWriter> writer_;
    std::map<uint64_t, conversation::StoreDone> waiting_; // by ticket of writer_
    std::mutex writtenMutex_;
    std::vector<history::StoreWriter::Result> written_;
};

} // namespace vantor::client
