// What a conversation window reaches outside itself besides the chat core: the colleague's card
// for the header, the picture fetch and upload, file offers, the buttons of the file, media,
// group and service features, the running activities asked about on closing, and the desktop
// (opening files and links, dialogs). Every member has a harmless default so that a window works
// before those features exist; tests override what they look at.
#pragma once

#include "conversation/conversation_registry.h"

#include <QColor>
#include <QString>
#include <QUrl>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace vantor::ui {

// The colleague a window's header shows.
struct PeerCard {
    QString name;
    QString signature;
    uint8_t status = 8;  // the status codes 0..10; 8 offline
    QString headPicture; // a file; empty: the default head picture
};

// The toolbar buttons whose work belongs to other features.
enum class ChatTool {
    AddUser,
    SendFile,
    RemoteDesktop,
    Audio,
    Video,
    Dirhaven,
    GroupSetup,
    ExitGroup,
    Reservation,
    CopyScreen,
    RefreshCard,
};

class IChatServices {
  public:
    virtual ~IChatServices() = default;

    // The header: nothing for an unknown colleague (the window keeps its defaults).
    virtual std::optional<PeerCard> peerCard(uint32_t /*userId*/) { return std::nullopt; }
    // A group's name for the caption of a group window.
    virtual QString groupName(const conversation::Conversation& /*c*/) { return {}; }
    // Whether the server lets this account create discussion groups / send mobile texts.
    virtual bool mayCreateGroups() { return false; }
    virtual bool mayUseSms() { return false; }
    // The group window's creator test (decides its toolbar).
    virtual bool isGroupCreator(const conversation::Conversation& /*c*/) { return false; }

    // A received message shows a picture the Images folder lacks: fetch it from `ownerId`.
    virtual void requestPicture(const conversation::Conversation& /*c*/, uint32_t /*ownerId*/,
                                const std::string& /*name*/) {}
    // An own message shows pictures of the Images folder: offer them to those who cannot ask us.
    virtual void offerPictures(const conversation::Conversation& /*c*/,
                               const std::vector<std::string>& /*names*/) {}
    // A file dropped or pasted that is not inserted as a picture.
    virtual void offerFile(const conversation::Conversation& /*c*/, const QString& /*path*/) {}
    // A button of a transfer panel ("CMD_TFAccept" and so on; `path`: the file chosen for
    // "CMD_TFSaveAs"). False when the command did nothing.
    virtual bool transferCommand(const conversation::Conversation& /*c*/, const std::string& /*transmitId*/,
                                 const std::string& /*command*/, const QString& /*path*/) {
        return false;
    }
    // A toolbar button of another feature, or an action link it owns ("RHAccept" and so on). Until
    // the feature is there, the button says so.
    virtual void tool(const conversation::Conversation& c, ChatTool tool);
    virtual void actionLink(const conversation::Conversation& /*c*/, const std::string& /*action*/,
                            const std::string& /*argument*/) {}
    // The member panel's menu: "发送消息" opens the one-to-one conversation with the member;
    // "从讨论组中删除" (the creator's) asks and removes them (`memberName` GBK, for the question).
    virtual void openConversationWith(uint32_t /*userId*/) {}
    virtual void removeMember(const conversation::Conversation& /*c*/, uint32_t /*memberId*/,
                              const std::string& /*memberName*/) {}

    // Running file transfers (pictures not counted) and voice/video conversations of a window.
    virtual int runningFileTransfers(const conversation::Conversation& /*c*/) { return 0; }
    virtual int runningMedia(const conversation::Conversation& /*c*/) { return 0; }
    // Ends them (the user agreed to close), and the remote assistance in any case.
    virtual void endActivities(const conversation::Conversation& /*c*/) {}
    // The evaluation of a service conversation; true keeps the window open.
    virtual bool evaluationAsksToStay(const conversation::Conversation& /*c*/) { return false; }
    // Whether a service conversation shows "办事预约" (a reservation service with a staff member).
    virtual bool offersReservation(const conversation::Conversation& /*c*/) { return false; }

    // The message tip strip and the reminder window of the main window.
    virtual void queueTip(const std::string& /*gbkText*/) {}
    // The window was opened (shown): a one-to-one window starts the colleague's chat channel, so
    // that punching is done before the first message.
    virtual void windowShown(const conversation::Conversation& /*c*/) {}

    // The desktop. The defaults use the system's handlers and window-modal dialogs that answer
    // through the callback, which runs only with an answer (OK or Cancel for `confirm`, a choice
    // for the others) and only while `parent` is alive.
    virtual void openPath(const QString& path);
    virtual void openUrl(const QUrl& url);
    virtual void alert(QWidget* parent, const QString& text);
    virtual void confirm(QWidget* parent, const QString& caption, const QString& text,
                         std::function<void(bool)> done);
    virtual void saveFileName(QWidget* parent, const QString& suggested,
                              std::function<void(const QString&)> done);
    virtual void openPictureName(QWidget* parent, std::function<void(const QString&)> done);
    virtual void chooseColour(QWidget* parent, const QColor& current,
                              std::function<void(const QColor&)> done);
};

// The program's and the account's picture folders.
struct PictureFolders {
    QString faces;      // <program>/Face/
    QString sysImages;  // <program>/SysImages/
    QString customFace; // <account>/CustomFace/ (the face page)
    QString images;     // <account>/Images/
};

} // namespace vantor::ui
