// What the server accepts from a client connection: each framed message is checked against the
// code table and decoded into the request a handler works on. Plain C++, so that it can be
// fuzzed without the event loop. Bad input is an `Invalid` request: the connection is closed.
#pragma once

#include "protocol/chat.h"
#include "protocol/frame.h"
#include "protocol/group.h"
#include "protocol/picture.h"
#include "protocol/records.h"
#include "protocol/relay.h"
#include "protocol/user_detail.h"

#include <optional>
#include <string>
#include <variant>

namespace vantor::server {

struct Invalid {
    std::string error;
};
// A well-formed message the server has nothing to do with (notices, attendance, …).
struct Unhandled {};
struct Heartbeat {};
struct Logout {};
struct UserQuery {
    uint32_t userId = 0;
};
struct GroupSave {
    uint8_t code = 0; // CmdGroupSave, CmdGroupInfoSave, CmdGroupQuitSave or CmdGroupDismissSave
    protocol::GroupRecord record;
    protocol::GroupInfoRecord info;
    protocol::GroupMemberChange change;
};
// CmdChangeNamePassword: the new display name, and the MD5 digest of the new password (32
// upper-case hexadecimal digits) or nothing when only the name changes.
struct ChangeNamePassword {
    static constexpr size_t kSize = 78;
    uint32_t userId = 0;
    std::string name;   // text[40]
    std::string digest; // text[32]

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.userId);
        io.text(40, r.name);
        io.text(32, r.digest);
    }
};
// CmdUserDetail as sent: whose detail record.
struct DetailQuery {
    uint32_t userId = 0;
};
// CmdImageFile as sent: a head photo or a conversation picture asked for.
struct PictureQuery {
    protocol::ImageFileHead head;
};
// CmdImageUpload: the head and the file's bytes (exactly head.fileSize of them).
struct PictureUpload {
    protocol::ImageFileHead head;
    std::string bytes;
};
// A record for a colleague (or a group), forwarded unchanged.
struct Relay {
    enum class Hold : uint8_t { Never, Chat, Notice };
    protocol::RelayTarget target;
    Hold hold = Hold::Never; // kept for a colleague who is offline, delivered at sign-in
    bool groupChat = false;
    // A one-to-one message handed to the server as its sender's last attempt: acknowledged to
    // the sender once it is held (a message that cannot be held is not acknowledged).
    std::optional<protocol::ChatAck> handOver;
};

using ClientRequest =
    std::variant<Invalid, Unhandled, Heartbeat, Logout, protocol::VersionCheckRequest, protocol::LoginRequest,
                 protocol::StatusRecord, protocol::WorkStateRecord, protocol::ContactsChange, UserQuery,
                 GroupSave, protocol::GroupMembersQuery, protocol::UserSearchRequest,
                 protocol::GroupSearchRequest, ChangeNamePassword, Relay, DetailQuery, protocol::UserDetail,
                 PictureQuery, PictureUpload>;

ClientRequest parseClientMessage(const protocol::Message& m);

} // namespace vantor::server
