// The directory, presence and the four views' models of one main window, with the handlers of
// the server messages they own and the view choices (current tab, tree grouping, contact
// filter, icon size). The session creates one and hands it the messages of `handledCodes()`.
#pragma once

#include "directory/contact_list_model.h"
#include "directory/directory.h"
#include "directory/group_list_model.h"
#include "directory/presence.h"
#include "directory/recent_model.h"
#include "directory/tree_model.h"

#include <span>

namespace vantor::directory {

class DirectoryCore {
  public:
    DirectoryCore(IServerSender& server, IDirectoryView& view, IDirectoryHost& host, IPeerSessions& peers,
                  IIdleSource& idle, IClock& clock, const DirectorySettings& settings);

    Directory& directory() { return directory_; }
    Presence& presence() { return presence_; }
    TreeModel& tree() { return tree_; }
    ContactListModel& frequent() { return frequent_; }
    RecentModel& recent() { return recent_; }
    GroupListModel& groups() { return groups_; }

    // The server messages handled here: CmdDepartmentItem, CmdUserItem, CmdGroupItem, CmdGroupInvite,
    // CmdContactGroups, CmdContacts, CmdUserQuery, CmdUserRenamed, CmdStatus, CmdWorkStateSync.
    static std::span<const protocol::Cmd> handledCodes();
    // Decodes and applies one of them. False for another code or a body that does not decode
    // (nothing is changed then).
    bool handle(const protocol::Message& message);

    // New settings (the account's settings file is read at sign-in): sorting, grouping, contact
    // filter, icon size, separator and the automatic status rules take effect at once.
    void setSettings(const DirectorySettings& settings);
    const DirectorySettings& settings() const { return settings_; }

    // ---- view choices ----
    // Makes view 0…3 current (nothing when signed out or already current), filling what it shows.
    void ShowView(int view);
    int currentView() const { return currentView_; }
    void SetTreeGrouping(Grouping grouping);
    void SetShowAllContacts(bool showAll);
    void SetBigIcons(bool big);
    // The entries of the current view's context menu, in order (GBK).
    std::vector<std::string> viewMenuEntries() const;

    // Sign-out: frees the lists and empties the views.
    void SignedOut();

  private:
    IDirectoryView& view_;
    DirectorySettings settings_;
    Directory directory_;
    Presence presence_;
    TreeModel tree_;
    ContactListModel frequent_;
    RecentModel recent_;
    GroupListModel groups_;
    int currentView_ = -1;
};

} // namespace vantor::directory
