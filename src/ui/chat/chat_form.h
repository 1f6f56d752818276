// TfrmChatForm: the window of one conversation (one-to-one, discussion group or service centre).
// It forwards what the user does to the chat core and shows what the core hands it; the work of
// files, media, groups and services goes out through IChatServices.
#pragma once

#include "client/transfer_panels.h"
#include "conversation/chat_core.h"
#include "groups/groups_core.h"
#include "ui/chat/chat_layout.h"
#include "ui/chat/chat_services.h"
#include "ui/chat/display_box.h"
#include "ui/chat/input_box.h"

#include <QPointer>
#include <QWidget>

#include <functional>

#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QTextEdit;
class QTimer;
class QToolButton;
class QTreeWidget;

namespace vantor::skin {
class Appearance;
}

namespace vantor::ui {

class TSelFaceForm;
class TransferList;

// What every conversation window shares.
struct ChatFormContext {
    conversation::ChatCore* chat = nullptr;
    conversation::ConversationRegistry* registry = nullptr;
    IChatServices* services = nullptr;
    PictureFolders folders;
    std::string userFile; // the account's settings file; empty: nothing read or saved
    bool showSmsSetting = false;
    // The current skin (top picture, top background, bottom bar, colours); null: plain windows.
    skin::Appearance* appearance = nullptr;
    // Called once when a window is first shown (the desktop gives it its drop shadow there).
    std::function<void(QWidget* window)> firstShown;
};

class TfrmChatForm : public QWidget {
    Q_OBJECT
  public:
    TfrmChatForm(ChatFormContext& context, int conversationId, QWidget* parent = nullptr);
    ~TfrmChatForm() override;

    int conversationId() const { return id_; }
    conversation::Conversation* conversation() const;
    DisplayBox* display() const { return display_; }
    InputBox* input() const { return input_; }

    // What the chat core hands the window.
    void showMessage(uint32_t senderId, const std::string& header, bool own, const std::string& plain,
                     const conversation::ChatFont& font);
    void systemLine(const std::string& gbkLine);
    void alertBar(const QString& text);
    void setTypingTexts(const QString& nameLabel, const QString& caption);
    void startTypingTimer();
    void stopTypingTimer();
    void shake();

    // DressConversation: the skin's pictures and colours on this window (again after every change
    // of the skin).
    void dress();

    // Btn_SendMsgClick.
    void sendClick();
    // The header from the colleague's card (or the group's name) and its alert text.
    void refreshHeader();
    // A service conversation's state changed: whether the input is read-only, and "办事预约".
    void refreshService();
    // The font of the input box, applied and saved as the Font setting.
    void applyInputFont(const conversation::ChatFont& font);
    void toggleEnterSend();
    void setFontBarVisible(bool visible);
    // Files dropped at a screen position: pictures over the input area are inserted, other files
    // offered, folders ignored.
    void dropFiles(const QStringList& paths, QPoint globalPos);
    // A link of the display clicked.
    void linkClicked(const QString& link);
    // Image_Face: the face picker above the input box (at most one open).
    TSelFaceForm* openFacePicker();
    // Image_SendPic.
    void choosePicture();
    // The window is (now) a group window: header, topic, notice, the member panel when rebuilt,
    // and the toolbar of its kind and role (rebuilt when either changed).
    void showGroup(const groups::GroupWindowState& state);
    const groups::GroupWindowState& groupState() const { return groupState_; }
    bool hasMember(uint32_t userId) const;
    QWidget* groupPanel() const { return groupPanel_; }
    QTreeWidget* memberList() const { return memberList_; }
    QTextEdit* groupNotice() const { return groupNotice_; }
    QLabel* memoLabel() const { return memoLabel_; }
    // PopupMenu_ListPopup for a member row (null on one's own entry, where both items are hidden).
    QMenu* memberMenu(uint32_t memberId);
    // The side panel and the window size it asks for.
    void showSidePanel(chatlayout::SidePanel panel);
    void setUserInfoVisible(bool visible);
    // The transfer panels of this conversation (the side panel shows them while there are any).
    void showTransfers(const std::vector<client::TransferItem>& items);
    TransferList* transferList() const { return transferList_; }
    // A panel's button: "另存为" asks for a file first (without holding up the window).
    void transferButton(const std::string& transmitId, const std::string& command);

    // One step of a running shake (the shake timer calls it); false when none runs.
    bool shakeStep();
    bool shaking() const;
    QTimer* alertTimer() const { return closeTimer_; }
    QTimer* typingTimer() const { return typingTimer_; }
    QMenu* inputMenu() const { return inputMenu_; }
    QLabel* alertLabel() const { return alertPanel_; }
    QLabel* nameLabel() const { return nameLabel_; }
    QLabel* headLabel() const { return headLabel_; }
    QWidget* toolbar() const { return toolbar_; }
    QCheckBox* smsBox() const { return smsBox_; }

  signals:
    // The window has closed and is about to be freed.
    void closed(int conversationId);
    void historyRequested(int conversationId);
    // The window came into view (shown, or restored from minimised).
    void broughtUp(int conversationId);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // chat_form_tools.cpp
    void buildToolbar();
    void fillToolbar();
    QWidget* buildGroupPanel();
    void placeSidePanels();
    QWidget* buildInputTools();
    QWidget* buildFontBar();
    void buildInputMenu();
    void syncFontBar();
    void onTool(ChatTool tool);

    void loadSettings();
    void showSmsBox();
    void inputChanged();

    ChatFormContext& ctx_;
    int id_;
    QLabel* headLabel_ = nullptr;
    QLabel* nameLabel_ = nullptr;
    QLabel* memoLabel_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QLabel* alertPanel_ = nullptr;
    QWidget* toolbar_ = nullptr;
    DisplayBox* display_ = nullptr;
    InputBox* input_ = nullptr;
    QWidget* fontBar_ = nullptr;
    QComboBox* fontBox_ = nullptr;
    QComboBox* fontSizeBox_ = nullptr;
    QToolButton* boldButton_ = nullptr;
    QToolButton* italicButton_ = nullptr;
    QToolButton* underlineButton_ = nullptr;
    QWidget* userInfo_ = nullptr;
    bool userInfoWanted_ = false;
    TransferList* transferList_ = nullptr;
    QWidget* groupPanel_ = nullptr;
    QTreeWidget* memberList_ = nullptr;
    QTextEdit* groupNotice_ = nullptr;
    groups::GroupWindowState groupState_;
    int toolbarKind_ = -1;
    bool toolbarCreator_ = false;
    QLabel* cardName_ = nullptr;
    QLabel* cardMemo_ = nullptr;
    QCheckBox* smsBox_ = nullptr;
    QPushButton* sendButton_ = nullptr;
    QToolButton* remindButton_ = nullptr;
    QMenu* inputMenu_ = nullptr;
    QAction* enterSendAction_ = nullptr;
    QTimer* closeTimer_ = nullptr;
    QTimer* typingTimer_ = nullptr;
    QTimer* shakeTimer_ = nullptr;
    QPointer<TSelFaceForm> facePicker_;
    std::vector<std::pair<int, int>> shakeLeft_;
    bool syncingFont_ = false;
    bool closeQuestionOpen_ = false; // the question about running transfers is on screen
    bool closeAgreed_ = false;       // its OK: the next close goes through
    bool shownOnce_ = false;
};

} // namespace vantor::ui
