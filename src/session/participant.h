// The seam through which the other subsystems (directory, presence, peers, conversations,
// transfers, media, message centre, mailbox, …) take part in sign-in and sign-out. The core calls
// every registered participant, in registration order, at each step named here.
#pragma once

namespace vantor::session {

// Steps of the sign-in completion handed to the participants, in the order they run.
enum class LoginStep {
    OwnStatus,         // refresh the own status display
    Mailbox,           // start the mailbox thread, enable the mail label
    ListViews,         // show the tree and the three list views bound to the directory lists
    StatusTimer,       // AutoLeave or AutoBusy: enable the status timer, reset the idle counter
    ViewTabs,          // lay out the view tabs
    PeerKeepAlive,     // enable KeepP2PSessionTimer
    PrepareLists,      // head-picture folders, group list options, refresh the frequent contacts
    ToolbarPictures,   // load the toolbar button pictures
    OpenMessageCentre, // ShowMsgCenter with waiting messages: open the message centre
};

// Steps of the sign-out handed to the participants, in the order they run.
enum class SignOutStep {
    StatusTimer,    // stop the status timer
    Mailbox,        // stop the mailbox thread
    Alerts,         // KeepP2PSessionTimer off, tray flashing stopped, pending alerts cleared
    RecentContacts, // save the recent-contact list, close the add-contact request window
    Conversations,  // by the user: close all; else keep them, clear marks, reset session state
    Sessions,       // end media, remote and transfer sessions; free the directory and other lists
    SessionObjects, // free peer channels and per-session windows
};

class SessionParticipant {
  public:
    virtual ~SessionParticipant() = default;
    virtual void loginStep(LoginStep) {}
    virtual void signOutStep(SignOutStep, bool /*byUser*/) {}
};

} // namespace vantor::session
