// The records of a conversation: the conversation key, the chat message (88-byte head and its
// enciphered text), its acknowledgement, the typing notice and the shake alert.
#pragma once

#include "protocol/wire.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vantor::protocol {

using wire::Guid;

enum ConversationKind : uint8_t { kOneToOne = 0, kGroupConversation = 1, kServiceConversation = 2 };

// 30 bytes, copied into every conversation record; receivers find their window by it.
struct ConversationKey {
    static constexpr size_t kSize = 30;
    Guid groupId; // all zero for one-to-one conversations
    uint8_t kind = kOneToOne;
    uint8_t serviceSide = 0;
    uint32_t userA = 0; // the window's owner (the sender)
    uint32_t userB = 0; // the other user (0 in a group)

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.guid(r.groupId);
        io.u8(r.kind);
        io.u8(r.serviceSide);
        io.u32(r.userA);
        io.u32(r.userB);
        io.skip(4);
    }
};

// CmdChatMessage and CmdChatCopy: a 32-bit count n, the 88-byte head, then n text bytes.
struct ChatMessage {
    static constexpr size_t kHead = 88;
    static constexpr size_t kMaxText = 1000;
    static constexpr size_t kServerDeliveryOffset = 57; // within the record
    static constexpr size_t kKeyOffset = 58;            // within the record

    uint32_t recipientId = 0; // key B; 0 for group messages
    uint32_t senderId = 0;
    uint32_t textLength = 0; // set from `text` when encoding
    double sendTime = 0;
    uint32_t sendTick = 0;
    std::string fontName; // text[20]
    uint32_t fontColor = 0;
    uint32_t fontSize = 0;
    bool bold = false, italic = false, underline = false, strikeOut = false;
    bool serverDelivery = false; // the sender's last attempt, handed to the server
    ConversationKey key;
    std::string text; // enciphered bytes, at most 1000

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.recipientId);
        io.u32(r.senderId);
        io.u32(r.textLength);
        io.f64(r.sendTime);
        io.u32(r.sendTick);
        io.text(20, r.fontName);
        io.u32(r.fontColor);
        io.u32(r.fontSize);
        io.boolean(r.bold);
        io.boolean(r.italic);
        io.boolean(r.underline);
        io.boolean(r.strikeOut);
        io.boolean(r.serverDelivery);
        ConversationKey::layout(io, r.key);
    }

    // Whole body: count, head, text (cut to 1000 bytes).
    std::string encodeBody() const;
    // False when the body is short or its count is over 1000. The head's own length field is
    // kept as read; the text is the `count` bytes that travelled.
    static bool decodeBody(std::string_view body, ChatMessage& out);
    // The 88-byte head alone (as the message store keeps it beside the text): every field but the
    // text. False when `head` is short.
    static bool decodeHead(std::string_view head, ChatMessage& out);
};

// CmdChatAck: tells the message's sender that its message (sender, tick) arrived.
struct ChatAck {
    static constexpr size_t kSize = 16;
    uint32_t senderId = 0; // the acknowledged message's sender: the ack's receiver
    uint32_t recipientId = 0;
    uint32_t textLength = 0;
    uint32_t sendTick = 0;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.senderId);
        io.u32(r.recipientId);
        io.u32(r.textLength);
        io.u32(r.sendTick);
    }
};

// CmdInputState: the sender's input box got text (typing = true) or became empty.
struct InputState {
    static constexpr size_t kSize = 39;
    uint32_t receiverId = 0;
    uint32_t senderId = 0;
    bool typing = false;
    ConversationKey key;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.receiverId);
        io.u32(r.senderId);
        io.boolean(r.typing);
        ConversationKey::layout(io, r.key);
    }
};

// CmdShake: a shake alert (remindKind <= 0) or a reminder of the given kind.
struct Shake {
    static constexpr size_t kSize = 42;
    uint32_t receiverId = 0;
    uint32_t senderId = 0;
    ConversationKey key;
    int32_t remindKind = 0;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.receiverId);
        io.u32(r.senderId);
        ConversationKey::layout(io, r.key);
        io.i32(r.remindKind);
    }
};

} // namespace vantor::protocol
