// The message codes and, for each, how long its body is when the client sends it and when it
// receives it. Bodies are fixed, counted (a 32-bit count n then n + K bytes) or read by the
// layout of a head with a repeated tail; one table describes them all.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vantor::protocol {

enum class Cmd : uint8_t {
    VersionCheck = 0xFE,
    Login = 0xFF,
    Status = 0x02,
    LoginReply = 0x03,
    GroupItem = 0x04,
    DepartmentItem = 0x05,
    UserItem = 0x06,
    Heartbeat = 0x07,
    ChatMessage = 0x08,
    ChatAck = 0x09,
    FileOffer = 0x0A,
    FileReply = 0x0B,
    FileData = 0x0C,
    FileDataAck = 0x0D,
    FileCancel = 0x0E,
    FileAbort = 0x0F,
    FileComplete = 0x10,
    FileBlockMap = 0x11,
    GroupInvite = 0x12,
    AudioData = 0x13,
    AudioInvite = 0x14,
    AudioReply = 0x15,
    AudioCancel = 0x16,
    AudioEnd = 0x17,
    VideoInvite = 0x18,
    VideoCancel = 0x19,
    VideoReply = 0x1A,
    VideoEnd = 0x1B,
    VideoData = 0x1C,
    Ignored1D = 0x1D,
    Ignored1E = 0x1E,
    InputState = 0x1F,
    UdpEcho = 0x20,
    PunchRequest = 0x21,
    PunchReply = 0x22,
    PunchProbe = 0x23,
    PunchConfirm = 0x24,
    PeerAddress = 0x25,
    MediaStalled = 0x26,
    ChangeNamePassword = 0x27,
    UserRenamed = 0x28,
    PictureRequest = 0x29,
    GroupSave = 0x2A,
    GroupInfo = 0x2B,
    GroupInfoSave = 0x2C,
    GroupQuit = 0x2D,
    GroupQuitSave = 0x2E,
    NoticePost = 0x2F,
    NoticeRead = 0x30,
    NoticeAttachment = 0x31,
    NoticeSearch = 0x32,
    NoticeOpen = 0x33,
    NoticeReadLog = 0x34,
    NoticeContent = 0x35,
    ContactGroups = 0x36,
    Contacts = 0x37,
    SystemMessage = 0x38,
    NoticeDelete = 0x39,
    InfoItem = 0x3A,
    FileOffline = 0x3B,
    OfflineFile = 0x3C,
    NetFile = 0x3D,
    GroupDismiss = 0x3E,
    GroupDismissSave = 0x3F,
    InfoRead = 0x40,
    RemoteInvite = 0x41,
    RemoteReply = 0x42,
    RemoteCancel = 0x43,
    RemoteEnd = 0x44,
    RemoteInput = 0x45,
    RemoteScreen = 0x46,
    UserDetail = 0x47,
    UserDetailSave = 0x48,
    ImageFile = 0x49,
    ImageUpload = 0x4A,
    PictureChanged = 0x4B,
    RemoteTiming = 0x4C,
    Shake = 0x4D,
    WorkState = 0x4E,
    WorkStateSync = 0x4F,
    RemoteControl = 0x50,
    PendingCounts = 0x51,
    VideoTiming = 0x52,
    ScreenList = 0x55,
    ToolbarLink = 0x56,
    UserDetailPush = 0x58,
    SmsRequest = 0x59,
    GroupMembers = 0x5A,
    UserQuery = 0x5B,
    UserSearch = 0x5C,
    AddContactRequest = 0x5D,
    Logout = 0x5E,
    ServicePoint = 0x5F,
    ServiceSession = 0x60,
    Evaluation = 0x61,
    LoginComplete = 0x62,
    ReservationConfirm = 0x63,
    Reservation = 0x64,
    ChatCopy = 0x65,
    GroupSearch = 0x66,
    GroupJoinRequest = 0x67,
    ExcelNotice = 0x68,
    InfoQuery = 0x6A,
    AttendanceSignIn = 0x6B,
    AttendanceQuery = 0x6C,
    AttendanceSignOut = 0x6D,
    InfoCount = 0x6E,
};

enum class Direction : uint8_t {
    ToServer,        // sent by the client, consumed by the server
    FromServer,      // produced by the server
    ToAndFromServer, // a request and its answer under one code
    Relayed,         // forwarded by the server to the colleague the record names
    RelayedPeer,     // relayed, and also carried as a datagram between clients
    UdpOnly,         // only ever a datagram
};

// How many body bytes follow the code byte.
//   None:    this side never sees the code
//   Fixed:   `head` bytes
//   Counted: a 32-bit count n at body offset 0, then n + K bytes; head = 4 + K, item = 1
//   Layout:  a head of `head` bytes, then count × `item` bytes, the 32-bit count read at
//            `countOffset` inside the head (countOffset < 0: the head alone)
//   Stream:  written through the stream path; only the frame's length field tells its size
struct BodyRule {
    enum Kind : uint8_t { None, Fixed, Counted, Layout, Stream };
    Kind kind = None;
    uint32_t head = 0;
    int32_t countOffset = -1;
    uint32_t item = 0;
    uint32_t maxCount = 0; // a larger count is a protocol error

    // Bytes needed before the total length is known.
    uint32_t prefix() const { return countOffset < 0 ? head : uint32_t(countOffset) + 4; }
    bool hasCount() const { return countOffset >= 0; }
    // Total body length for `count` (the caller checks count <= maxCount first).
    uint64_t total(uint32_t count) const { return uint64_t(head) + uint64_t(count) * item; }
};

struct CodeInfo {
    uint8_t code = 0;
    std::string_view name; // "CmdLogin", …
    Direction direction = Direction::ToServer;
    BodyRule sent;     // the body when the client sends the code
    BodyRule received; // the body when the client receives it (from the server or a peer)
};

// The entry of a code, or nullopt for a value that is not a message code.
const CodeInfo* codeInfo(uint8_t code);
inline const CodeInfo* codeInfo(Cmd c) {
    return codeInfo(static_cast<uint8_t>(c));
}
std::string_view codeName(uint8_t code);

// True for codes that the server forwards between clients.
bool isRelayed(uint8_t code);
// True for codes that may arrive as a datagram from a peer or the server's UDP port.
bool isDatagramCode(uint8_t code);

// Caps on the counted texts (larger counts are protocol errors).
inline constexpr uint32_t kMaxChatText = 1000;
inline constexpr uint32_t kMaxStatusText = 99;
inline constexpr uint32_t kMaxSignature = 100;

} // namespace vantor::protocol
