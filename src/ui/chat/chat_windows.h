// The conversation windows as the chat core and the main window see them: one TfrmChatForm per
// conversation, created hidden on demand. Implements the core's view of a conversation and the
// main window's way in (open a colleague's conversation, show one, open the history); hidden
// windows with news go to the main window's pending alerts.
#pragma once

#include "client/client_core.h"
#include "client/conversation_windows.h"
#include "client/transfer_panels.h"
#include "conversation/chat_ports.h"
#include "ui/chat/chat_form.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>

namespace vantor::ui {

// Opens the history viewer (the history widgets implement it).
class IHistoryOpener {
  public:
    virtual ~IHistoryOpener() = default;
    // On a colleague's conversation, or (0) with no partner selected.
    virtual void openHistoryOf(uint32_t userId) = 0;
    // On a group or service conversation.
    virtual void openHistoryOfConversation(const conversation::Conversation& c) = 0;
};

class ChatWindows : public QObject,
                    public conversation::IConversationView,
                    public groups::IGroupView,
                    public client::IConversationWindows,
                    private people::IPeopleListener {
    Q_OBJECT
  public:
    // `context` names the chat core, the registry and the services; its chat core must be set
    // before a window is shown. `alerts` and `history` may be null.
    ChatWindows(ChatFormContext context, client::IConversationAlerts* alerts = nullptr,
                IHistoryOpener* history = nullptr, QObject* parent = nullptr);
    // Over a whole client: its registry and chat core, the folders and settings file of the
    // signed-in account, colleagues' cards from its directory unless `services` tells them.
    // `programFolder` holds Face/ and SysImages/ (empty: the client's program folder).
    ChatWindows(client::ClientCore& core, IChatServices* services, QString programFolder = {},
                client::IConversationAlerts* alerts = nullptr, IHistoryOpener* history = nullptr,
                QObject* parent = nullptr);
    ~ChatWindows() override;

    // Takes the signed-in account's folders and settings file (called before each new window).
    void refreshAccount();

    void setChat(conversation::ChatCore* chat) { context_.chat = chat; }
    void setAlerts(client::IConversationAlerts* alerts) { alerts_ = alerts; }
    void setHistory(IHistoryOpener* history) { history_ = history; }
    ChatFormContext& context() { return context_; }

    // The window of a conversation, created (hidden) when missing; null for an unknown id.
    TfrmChatForm* form(int conversationId);
    TfrmChatForm* existing(int conversationId) const;
    size_t count() const { return forms_.size(); }

    // A colleague's record changed (status, name, signature, head picture): the windows with them
    // redraw their header, group windows too, and every window when it is the own record.
    void peerChanged(uint32_t userId, bool own = false);

    // A picture awaited by placeholders arrived (or failed): every window replaces them.
    int pictureArrived(const std::string& name, bool failed);
    // "群文件共享" of a group window (the main window starts the network-folder program; empty:
    // the button says the feature is not there).
    std::function<void(const conversation::Conversation&)> onGroupFolder;
    // "办事预约" of a service conversation, and the evaluation asked when one closes (true: the
    // evaluation window is open and the conversation stays). Empty: the service desk's windows are
    // not there (the button says so; nothing is asked).
    std::function<void(const conversation::Conversation&)> onReservation;
    std::function<bool(const conversation::Conversation&)> onEvaluation;
    // The transfer panels over the client (null without a client).
    client::TransferPanels* transferPanels() const { return panels_.get(); }

    // IConversationView
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
    void colleagueChanged(uint32_t userId, bool own) override { peerChanged(userId, own); }

    // groups::IGroupView (system lines as above)
    void showGroup(conversation::Conversation& c, const groups::GroupWindowState& state) override;
    void closeConversation(conversation::Conversation& c) override;

    // IConversationWindows
    void openGroup(const wire::Guid& group) override;
    void openWith(uint32_t userId) override;
    void showConversation(int conversationId) override;
    void openHistory(uint32_t userId) override;

  signals:
    // The service-centre session and the reminder window belong to other features.
    void serviceSessionWanted(int conversationId);
    void reminderWanted(const protocol::Shake& record);
    // A conversation's window came to the front (shown, restored or activated).
    void conversationBroughtUp(int conversationId);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // A picture of a conversation the server sent for its offline owner.
    void conversationPictureArrived(const protocol::ImageFileHead& head, const QString& name) override;
    void closed(int conversationId);
    // A new window shows the last few stored messages of its conversation.
    void showRecent(TfrmChatForm& f, const conversation::Conversation& c);

    client::ClientCore* core_ = nullptr;
    QString programFolder_;
    ChatFormContext context_;
    client::IConversationAlerts* alerts_;
    IHistoryOpener* history_;
    std::unique_ptr<IChatServices> ownServices_;
    std::unique_ptr<client::TransferPanels> panels_;
    std::map<int, QPointer<TfrmChatForm>> forms_;
};

} // namespace vantor::ui
