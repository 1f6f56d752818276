#include "directory/core.h"

#include "directory/texts.h"
#include "protocol/codes.h"

#include <array>

namespace vantor::directory {

using protocol::Cmd;

DirectoryCore::DirectoryCore(IServerSender& server, IDirectoryView& view, IDirectoryHost& host,
                             IPeerSessions& peers, IIdleSource& idle, IClock& clock,
                             const DirectorySettings& settings)
    : view_(view), settings_(settings), directory_(server, view, host),
      presence_(directory_, server, view, peers, idle, clock, settings),
      tree_(directory_, settings.treeGrouping, settings.autoSort), frequent_(directory_), recent_(directory_),
      groups_(directory_) {
    tree_.setWideSeparator(settings.wideSeparator);
    frequent_.setBigIcons(settings.bigIcons);
    recent_.setBigIcons(settings.bigIcons);
}

std::span<const Cmd> DirectoryCore::handledCodes() {
    static constexpr std::array<Cmd, 10> kCodes = {
        Cmd::DepartmentItem, Cmd::UserItem,  Cmd::GroupItem,   Cmd::GroupInvite, Cmd::ContactGroups,
        Cmd::Contacts,       Cmd::UserQuery, Cmd::UserRenamed, Cmd::Status,      Cmd::WorkStateSync};
    return kCodes;
}

bool DirectoryCore::handle(const protocol::Message& m) {
    switch (m.cmd()) {
    case Cmd::DepartmentItem: {
        protocol::DepartmentItem r;
        if (!wire::decode(m.body, r)) return false;
        directory_.OnDepartmentItem(r);
        return true;
    }
    case Cmd::UserItem: {
        protocol::UserItem r;
        if (!protocol::UserItem::decodeBody(m.body, r)) return false;
        directory_.OnUserItem(r);
        return true;
    }
    case Cmd::GroupItem: {
        protocol::GroupItem r;
        if (!wire::decode(m.body, r)) return false;
        directory_.OnGroupItem(r);
        return true;
    }
    case Cmd::GroupInvite: {
        protocol::GroupRecord r;
        if (!wire::decode(m.body, r)) return false;
        directory_.OnGroupInvite(r);
        return true;
    }
    case Cmd::ContactGroups: {
        std::vector<protocol::ContactGroup> groups;
        if (!protocol::decodeList(m.body, groups)) return false;
        directory_.OnContactGroups(groups);
        return true;
    }
    case Cmd::Contacts: {
        std::vector<protocol::ContactLink> links;
        if (!protocol::decodeList(m.body, links)) return false;
        directory_.OnContactLinks(links);
        return true;
    }
    case Cmd::UserQuery: {
        protocol::UserRecord r;
        if (!wire::decode(m.body, r)) return false;
        directory_.OnUserRecord(r);
        return true;
    }
    case Cmd::UserRenamed: {
        protocol::UserRenamed r;
        if (!wire::decode(m.body, r)) return false;
        directory_.OnUserRenamed(r);
        return true;
    }
    case Cmd::Status: {
        protocol::StatusRecord r;
        if (!protocol::StatusRecord::decodeBody(m.body, r)) return false;
        presence_.OnStatus(r);
        return true;
    }
    case Cmd::WorkStateSync: {
        protocol::WorkStateRecord r;
        if (!wire::decode(m.body, r)) return false;
        presence_.OnWorkStateSync(r);
        return true;
    }
    default:
        return false;
    }
}

void DirectoryCore::setSettings(const DirectorySettings& settings) {
    settings_ = settings;
    presence_.setSettings(settings);
    tree_.setAutoSort(settings.autoSort);
    tree_.setGrouping(settings.treeGrouping);
    tree_.setWideSeparator(settings.wideSeparator);
    frequent_.setBigIcons(settings.bigIcons);
    recent_.setBigIcons(settings.bigIcons);
    if (frequent_.filled() && frequent_.showAll() != settings.showAllContacts)
        frequent_.Fill(settings.showAllContacts);
}

void DirectoryCore::ShowView(int view) {
    if (!directory_.ownUser() || view == currentView_ || view < kTreeView || view > kGroupView) return;
    currentView_ = view;
    if (view == kFrequentView && !frequent_.filled()) frequent_.Fill(settings_.showAllContacts);
    if (view == kTreeView) view_.storeViewSetting(ViewSetting::ViewStyle, "Tree");
    if (view == kFrequentView) view_.storeViewSetting(ViewSetting::ViewStyle, "FaceView");
    view_.showView(view);
}

void DirectoryCore::SetTreeGrouping(Grouping grouping) {
    settings_.treeGrouping = grouping;
    tree_.setGrouping(grouping);
    view_.storeViewSetting(ViewSetting::TreeView, grouping == Grouping::ByDepartment ? "Tree" : "OnOrOff");
}

void DirectoryCore::SetShowAllContacts(bool showAll) {
    settings_.showAllContacts = showAll;
    frequent_.Fill(showAll);
    view_.storeViewSetting(ViewSetting::FaceView, showAll ? "QQListAll" : "QQList");
}

void DirectoryCore::SetBigIcons(bool big) {
    settings_.bigIcons = big;
    frequent_.setBigIcons(big);
    recent_.setBigIcons(big);
    view_.storeViewSetting(ViewSetting::FaceSize, big ? "BigFace" : "SmaillFace");
}

std::vector<std::string> DirectoryCore::viewMenuEntries() const {
    using namespace texts;
    switch (currentView_) {
    case kTreeView:
        if (settings_.treeGrouping == Grouping::ByDepartment)
            return {menuByDepartment(), menuByPresence(), menuAddGroup(), menuDeleteGroup()};
        return {menuByDepartment(), menuByPresence()};
    case kFrequentView:
        return {menuBigIcons(), menuSmallIcons(), menuOnlineOnly(),
                menuShowAll(),  menuAddGroup(),   menuDeleteGroup()};
    case kRecentView:
    case kGroupView:
        return {menuBigIcons(), menuSmallIcons()};
    default:
        return {};
    }
}

void DirectoryCore::SignedOut() {
    directory_.Clear();
    frequent_.clear();
    currentView_ = -1;
}

} // namespace vantor::directory
