// GroupsCore: the discussion groups of one session. It runs every operation that changes a group
// (create, quick creation from a one-to-one window, adding members, the group's texts, dismissing,
// leaving, removing a member), each told to the online members through the server's relay and then
// saved on the server; it applies what the server relays (invitations, texts, departures,
// dismissals, the records of unknown members) and keeps the group windows' state current. The
// groups themselves live in the directory's store and are looked up by identifier at every use:
// nothing here holds on to a group, so one that goes away while its window is open leaves the
// window read-only with a line that says why.
#pragma once

#include "conversation/conversation_registry.h"
#include "directory/directory.h"
#include "protocol/codes.h"
#include "protocol/frame.h"
#include "protocol/group.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace vantor::groups {

// The session and the server connection as the group feature needs them.
class IGroupHost {
  public:
    virtual ~IGroupHost() = default;
    virtual bool connectionOpen() = 0;
    // False when the write failed (the connection is going away).
    virtual bool sendToServer(const protocol::Message& message) = 0;
    virtual uint32_t ownId() = 0;
    virtual std::string ownName() = 0; // GBK
};

// One member row of a group window's member panel.
struct GroupMemberRow {
    uint32_t id = 0;
    std::string label; // GBK: the name, with "\t [管理员]" for the creator
    uint8_t status = 8;
    bool creator = false;
    bool own = false;
};

// What a group window shows of its group.
struct GroupWindowState {
    protocol::Guid guid;
    std::string name;   // caption and Lb_UserName (GBK)
    std::string memo;   // Lb_UserMemo
    std::string notice; // RichEdit_Group
    bool ownIsCreator = false;
    // The member panel in slot order (known members only); empty when not rebuilt.
    std::vector<GroupMemberRow> members;
    bool membersRebuilt = false;
};

// The group windows (conversation windows of kind 1).
class IGroupView {
  public:
    virtual ~IGroupView() = default;
    // The window is (now) a group window: header, member panel and tool buttons by role.
    virtual void showGroup(conversation::Conversation& c, const GroupWindowState& state) = 0;
    virtual void systemLine(conversation::Conversation& c, const std::string& line) = 0;
    // The window closes (leaving the group); the registry forgets it right after.
    virtual void closeConversation(conversation::Conversation& c) = 0;
};

// What an operation did, and the text to show in a box when there is one (GBK).
struct GroupOutcome {
    bool done = false;
    std::string text;
    std::optional<protocol::Guid> group; // the group created or changed
};

class GroupsCore {
  public:
    // Members of a query per group window are asked for once each per session.
    static constexpr size_t kMaxAskedPerSession = 100000;

    GroupsCore(directory::Directory& directory, conversation::ConversationRegistry& conversations,
               IGroupHost& host, IGroupView& view);

    // CmdGroupInvite, CmdGroupInfo, CmdGroupQuit, CmdGroupDismiss, CmdGroupMembers.
    static std::span<const protocol::Cmd> handledCodes();
    bool handle(const protocol::Message& message);

    // ---- operations ----
    // The setup dialog in create mode. Refuses an empty name, no members, more members than a
    // group holds, and a closed connection, each with its text.
    GroupOutcome CreateGroupFromDialog(const std::string& name, const std::string& topic, bool hidden,
                                       const std::vector<uint32_t>& memberIds);
    // ImgBtn_AddUser after the picker: the ticked ids (all of them; those already in are skipped).
    // A one-to-one window becomes a group window for good.
    GroupOutcome QuickCreateOrAddMembers(conversation::Conversation& c, const std::vector<uint32_t>& ticked,
                                         bool voiceActive = false, bool videoActive = false);
    // The setup dialog in manage mode: "更新信息" (creator only).
    GroupOutcome UpdateGroupInfo(conversation::Conversation& c, const std::string& name,
                                 const std::string& topic, const std::string& notice, bool hidden);
    // "解散群" (creator only), after its confirmation.
    GroupOutcome DismissGroup(conversation::Conversation& c);
    // "退出讨论组" after its confirmation; the window closes.
    GroupOutcome LeaveGroup(conversation::Conversation& c);
    // "从讨论组中删除" (creator only, never the own entry), after its confirmation.
    GroupOutcome RemoveMember(conversation::Conversation& c, uint32_t memberId);
    // Shows the group in its window; with `rebuild`, the member panel too, asking the server once
    // for the members it does not know.
    void RefreshGroupWindow(conversation::Conversation& c, bool rebuild);
    // Opening a group from the list: the group's conversation (created when missing).
    conversation::Conversation* OpenGroup(const protocol::Guid& guid);

    // ---- receivers ----
    void OnGroupInvite(const protocol::GroupRecord& record);
    void OnGroupInfo(const protocol::GroupInfoRecord& info);
    void OnGroupQuit(const protocol::GroupMemberChange& change);
    void OnGroupDismiss(const protocol::GroupMemberChange& change);
    void OnGroupMembers(std::string_view body);

    const protocol::Group* FindGroup(const protocol::Guid& guid) const { return directory_.findGroup(guid); }
    // Whether the window's group is gone (the window is read-only then).
    bool isGone(const conversation::Conversation& c) const { return gone_.count(c.id) != 0; }
    // Members asked for and not yet answered, for a group.
    size_t outstandingQueries(const protocol::Guid& guid) const;
    // Sign-out: forgets what was asked.
    void SignedOut();

  private:
    protocol::GroupRecord recordFor(const protocol::Group& g) const;
    std::optional<uint8_t> statusOf(uint32_t id) const;
    bool fanOut(const protocol::MemberSlots& memberSlots, protocol::Cmd code,
                const std::function<std::string(uint32_t)>& body, uint32_t skip = 0);
    bool send(protocol::Cmd code, std::string body);
    // A member change (`actorId` leaves, is removed, or dismisses the group) told to every online
    // member with `each`, then saved with `save`; false when a write failed.
    bool sendMemberChange(const protocol::Group& g, uint32_t actorId, protocol::Cmd each, protocol::Cmd save);
    conversation::Conversation* windowOf(const protocol::Guid& guid);
    void becomeGroupWindow(conversation::Conversation& c, const protocol::Guid& guid);
    void markGone(conversation::Conversation& c, const std::string& why);
    void showInfo(conversation::Conversation& c, const protocol::Group& g, bool rebuild, bool topicPrefixed);
    void askForMembers(const protocol::Guid& guid, const std::vector<uint32_t>& unknown);
    GroupOutcome failed(const std::string& text) const { return GroupOutcome{false, text, std::nullopt}; }

    directory::Directory& directory_;
    conversation::ConversationRegistry& conversations_;
    IGroupHost& host_;
    IGroupView& view_;
    std::set<int> gone_;                                            // windows whose group went away
    std::set<uint32_t> asked_;                                      // ids asked for this session
    std::map<std::array<uint8_t, 16>, std::set<uint32_t>> awaited_; // per group: asked, not answered
};

} // namespace vantor::groups
