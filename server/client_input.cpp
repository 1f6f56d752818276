#include "server/client_input.h"

#include "protocol/chat.h"

namespace vantor::server {

using protocol::BodyRule;
using protocol::Cmd;

namespace {

template <class R>
ClientRequest decoded(const protocol::Message& m) {
    R r;
    if (!wire::decode(m.body, r)) return Invalid{"short record"};
    return r;
}

} // namespace

ClientRequest parseClientMessage(const protocol::Message& m) {
    const protocol::CodeInfo* info = protocol::codeInfo(m.code);
    if (!info) return Invalid{"unknown code " + std::to_string(m.code)};
    const BodyRule& rule = info->sent;
    switch (rule.kind) {
    case BodyRule::None:
        return Invalid{std::string(info->name) + " is not sent by clients"};
    case BodyRule::Fixed:
        if (m.body.size() != rule.head)
            return Invalid{std::string(info->name) + ": body of " + std::to_string(m.body.size()) +
                           " bytes, expected " + std::to_string(rule.head)};
        break;
    case BodyRule::Counted: {
        const protocol::BodyCheck c = protocol::checkBody(rule, m.body, m.code);
        if (!c.ok || c.length != m.body.size()) return Invalid{std::string(info->name) + ": bad count"};
        break;
    }
    default:
        break;
    }

    if (protocol::isRelayed(m.code)) {
        Relay r;
        r.target = protocol::relayTarget(m.code, m.body);
        if (r.target.kind == protocol::RelayTarget::None)
            return Invalid{std::string(info->name) + " names nobody"};
        switch (m.cmd()) {
        case Cmd::ChatMessage: {
            protocol::ChatMessage chat;
            if (!protocol::ChatMessage::decodeBody(m.body, chat)) return Invalid{"bad chat message"};
            r.groupChat = chat.key.kind == protocol::kGroupConversation;
            // One-to-one messages are retried by their sender until it hands them to us as a last
            // attempt; messages of the other kinds are sent once.
            const bool oneToOne = chat.key.kind == protocol::kOneToOne;
            if (chat.serverDelivery || !oneToOne) r.hold = Relay::Hold::Chat;
            if (chat.serverDelivery && oneToOne && chat.sendTick != 0)
                r.handOver =
                    protocol::ChatAck{chat.senderId, chat.recipientId, chat.textLength, chat.sendTick};
            break;
        }
        case Cmd::OfflineFile:
        case Cmd::AddContactRequest:
        case Cmd::GroupJoinRequest:
            r.hold = Relay::Hold::Notice;
            break;
        default:
            break;
        }
        return r;
    }

    switch (m.cmd()) {
    case Cmd::Heartbeat:
        return Heartbeat{};
    case Cmd::Logout:
        return Logout{};
    case Cmd::VersionCheck:
        return decoded<protocol::VersionCheckRequest>(m);
    case Cmd::Login:
        return decoded<protocol::LoginRequest>(m);
    case Cmd::Status: {
        protocol::StatusRecord s;
        if (!protocol::StatusRecord::decodeBody(m.body, s)) return Invalid{"bad status record"};
        return s;
    }
    case Cmd::WorkState:
        return decoded<protocol::WorkStateRecord>(m);
    case Cmd::Contacts:
        return decoded<protocol::ContactsChange>(m);
    case Cmd::UserQuery:
        return UserQuery{wire::loadU32(m.body.data())};
    case Cmd::GroupSave:
    case Cmd::GroupInfoSave:
    case Cmd::GroupQuitSave:
    case Cmd::GroupDismissSave: {
        GroupSave g;
        g.code = m.code;
        const bool ok = m.cmd() == Cmd::GroupSave       ? wire::decode(m.body, g.record)
                        : m.cmd() == Cmd::GroupInfoSave ? wire::decode(m.body, g.info)
                                                        : wire::decode(m.body, g.change);
        if (!ok) return Invalid{"short group record"};
        if (m.cmd() == Cmd::GroupSave && g.record.count > protocol::kGroupSlots)
            return Invalid{"group record counts " + std::to_string(g.record.count) + " members"};
        return g;
    }
    case Cmd::GroupMembers: {
        protocol::GroupMembersQuery q;
        if (!wire::decode(m.body, q)) return Invalid{"short member query"};
        if (q.count > protocol::kGroupSlots) return Invalid{"member query of " + std::to_string(q.count)};
        return q;
    }
    case Cmd::ChangeNamePassword:
        return decoded<ChangeNamePassword>(m);
    case Cmd::UserSearch:
        return decoded<protocol::UserSearchRequest>(m);
    case Cmd::GroupSearch:
        return decoded<protocol::GroupSearchRequest>(m);
    case Cmd::UserDetail:
        return DetailQuery{wire::loadU32(m.body.data())};
    case Cmd::UserDetailSave:
        return decoded<protocol::UserDetail>(m);
    case Cmd::ImageFile: {
        PictureQuery q;
        if (!wire::decode(m.body, q.head)) return Invalid{"short picture request"};
        return q;
    }
    case Cmd::ImageUpload: {
        PictureUpload u;
        if (m.body.size() < protocol::ImageFileHead::kSize ||
            !wire::decode(m.body.substr(0, protocol::ImageFileHead::kSize), u.head))
            return Invalid{"short picture upload"};
        if (u.head.fileSize != m.body.size() - protocol::ImageFileHead::kSize)
            return Invalid{"picture upload of " + std::to_string(u.head.fileSize) + " bytes in a body of " +
                           std::to_string(m.body.size())};
        u.bytes = m.body.substr(protocol::ImageFileHead::kSize);
        return u;
    }
    default:
        return Unhandled{};
    }
}

} // namespace vantor::server
