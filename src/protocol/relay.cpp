#include "protocol/relay.h"

#include "protocol/chat.h"
#include "protocol/codes.h"

#include <array>

namespace vantor::protocol {

namespace {

using S = RelayRoute::Special;

// clang-format off
constexpr RelayRoute kRoutes[] = {
    {0x08, 0,  4,  58},              // CmdChatMessage: recipient, sender, key
    {0x09, 0,  4},                   // CmdChatAck: the message's sender receives it
    {0x0A, 0,  4,  232},             // CmdFileOffer (receiver -1: a group send)
    {0x0B, 0},                       // CmdFileReply: the file's sender
    {0x0C, 0},                       // CmdFileData
    {0x0D, 0},                       // CmdFileDataAck: the file's sender
    {0x0E, 0},                       // CmdFileCancel
    {0x0F, 0,  85},                  // CmdFileAbort: the user who stopped it at 85
    {0x10, 0,  85},                  // CmdFileComplete: sent by the receiver, its id at 85
    {0x11, 0,  4},                   // CmdFileBlockMap
    {0x12, 0},                       // CmdGroupInvite: TargetId
    {0x13, 0,  4},                   // CmdAudioData
    {0x14, 0,  4},                   // CmdAudioInvite
    {0x15, 0,  4},                   // CmdAudioReply
    {0x16, 0,  4},                   // CmdAudioCancel
    {0x17, 0,  4},                   // CmdAudioEnd
    {0x18, 0,  4},                   // CmdVideoInvite
    {0x19, 0,  4},                   // CmdVideoCancel
    {0x1A, 0,  4},                   // CmdVideoReply
    {0x1B, 0,  4},                   // CmdVideoEnd
    {0x1C, 0,  4},                   // CmdVideoData
    {0x1F, 0,  4,  9},               // CmdInputState
    {0x25, 0,  4},                   // CmdPeerAddress
    {0x26, 0,  4},                   // CmdMediaStalled
    {0x29, 0,  4},                   // CmdPictureRequest: the picture's owner receives it
    {0x2B, 0},                       // CmdGroupInfo: TargetId
    {0x2D, 0},                       // CmdGroupQuit: TargetId (the actor may be someone else)
    {0x3B, 0},                       // CmdFileOffline
    {0x3C, 0,  4},                   // CmdOfflineFile
    {0x3E, 0,  4},                   // CmdGroupDismiss: the creator is the actor
    {0x41, 0,  4},                   // CmdRemoteInvite
    {0x42, 0,  4},                   // CmdRemoteReply
    {0x43, 0,  4},                   // CmdRemoteCancel
    {0x44, 0,  4},                   // CmdRemoteEnd
    {0x45, 0,  4},                   // CmdRemoteInput: sharer, viewer
    {0x46, 0,  4},                   // CmdRemoteScreen: viewer, sharer
    {0x4D, 0,  4,  8},               // CmdShake
    {0x50, 0,  4},                   // CmdRemoteControl: viewer, sharer
    {0x5D, 4,  0,  -1, S::ContactAnswer}, // CmdAddContactRequest
    {0x67, -1, 0,  -1, S::JoinAnswer},    // CmdGroupJoinRequest
};
// clang-format on

struct Index {
    std::array<const RelayRoute*, 256> byCode{};
    constexpr Index() {
        for (const auto& r : kRoutes)
            byCode[r.code] = &r;
    }
};
constexpr Index kIndex;

constexpr size_t kContactAnswer = 12;
constexpr size_t kJoinGuid = 79;
constexpr size_t kJoinAnswer = 257;

bool readU32(std::string_view rec, int offset, uint32_t& v) {
    if (offset < 0 || size_t(offset) + 4 > rec.size()) return false;
    v = wire::loadU32(rec.data() + offset);
    return true;
}

} // namespace

const RelayRoute* relayRoute(uint8_t code) {
    return kIndex.byCode[code];
}

RelayTarget relayTarget(uint8_t code, std::string_view body) {
    RelayTarget t;
    const RelayRoute* route = relayRoute(code);
    const CodeInfo* info = codeInfo(code);
    if (!route || !info) return t;
    // The record must be complete: a short record names nobody.
    const BodyRule& rule = info->sent;
    if (rule.kind == BodyRule::Counted) {
        if (body.size() < rule.head) return t;
        body.remove_prefix(4);
    } else if (body.size() < rule.head) {
        return t;
    }

    int receiver = route->receiver;
    int sender = route->sender;
    uint32_t answer = 0;
    if (route->special == S::ContactAnswer && readU32(body, kContactAnswer, answer) && answer != 0) {
        receiver = 0;
        sender = 4;
    }
    if (route->special == S::JoinAnswer) {
        readU32(body, kJoinAnswer, answer);
        if (answer == 0) {
            t.kind = RelayTarget::GroupCreator;
            t.group = wire::Guid::fromBytes(reinterpret_cast<const uint8_t*>(body.data()) + kJoinGuid);
        } else {
            receiver = 0;
            sender = -1;
        }
    }
    t.hasSender = readU32(body, sender, t.senderId);
    if (t.kind == RelayTarget::GroupCreator) return t;

    uint32_t id = 0;
    if (!readU32(body, receiver, id)) return t;
    if ((id == 0 || id == 0xFFFFFFFFu) && route->key >= 0) {
        ConversationKey key;
        if (wire::decode(body.substr(size_t(route->key)), key) && key.kind == kGroupConversation) {
            t.kind = RelayTarget::Group;
            t.group = key.groupId;
        }
        return t;
    }
    if (id == 0 || id == 0xFFFFFFFFu) return t;
    t.kind = RelayTarget::User;
    t.userId = id;
    return t;
}

} // namespace vantor::protocol
