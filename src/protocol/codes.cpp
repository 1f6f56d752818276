#include "protocol/codes.h"

#include <array>

namespace vantor::protocol {

namespace {

constexpr BodyRule N{};
constexpr BodyRule F(uint32_t n) {
    return {BodyRule::Fixed, n, -1, 0, 0};
}
constexpr BodyRule C(uint32_t k, uint32_t maxN) {
    return {BodyRule::Counted, 4 + k, 0, 1, maxN};
}
constexpr BodyRule H(uint32_t head) {
    return {BodyRule::Layout, head, -1, 0, 0};
}
constexpr BodyRule HC(uint32_t head, int32_t off, uint32_t item, uint32_t maxCount) {
    return {BodyRule::Layout, head, off, item, maxCount};
}
constexpr BodyRule S{BodyRule::Stream, 0, -1, 0, 0};

constexpr uint32_t kMiB = 1024 * 1024;

using D = Direction;

// clang-format off
constexpr CodeInfo kCodes[] = {
    {0xFE, "CmdVersionCheck",        D::ToAndFromServer, F(38),   F(38)},
    {0xFF, "CmdLogin",               D::ToServer,        F(149),  N},
    {0x02, "CmdStatus",              D::ToAndFromServer, C(13, kMaxStatusText), C(13, kMaxStatusText)},
    {0x03, "CmdLoginReply",          D::FromServer,      N,       F(561)},
    {0x04, "CmdGroupItem",           D::FromServer,      N,       F(1305)},
    {0x05, "CmdDepartmentItem",      D::FromServer,      N,       F(90)},
    {0x06, "CmdUserItem",            D::FromServer,      N,       C(155, kMaxSignature)},
    {0x07, "CmdHeartbeat",           D::ToAndFromServer, F(0),    F(0)},
    {0x08, "CmdChatMessage",         D::RelayedPeer,     C(88, kMaxChatText), C(88, kMaxChatText)},
    {0x09, "CmdChatAck",             D::RelayedPeer,     F(16),   F(16)},
    {0x0A, "CmdFileOffer",           D::Relayed,         F(302),  F(302)},
    {0x0B, "CmdFileReply",           D::Relayed,         F(126),  F(126)},
    {0x0C, "CmdFileData",            D::RelayedPeer,     F(1401), F(1401)},
    {0x0D, "CmdFileDataAck",         D::RelayedPeer,     F(101),  F(101)},
    {0x0E, "CmdFileCancel",          D::Relayed,         F(85),   F(85)},
    {0x0F, "CmdFileAbort",           D::Relayed,         F(89),   F(89)},
    {0x10, "CmdFileComplete",        D::Relayed,         F(89),   F(89)},
    {0x11, "CmdFileBlockMap",        D::Relayed,         F(497),  F(497)},
    {0x12, "CmdGroupInvite",         D::Relayed,         F(1005), F(1005)},
    {0x13, "CmdAudioData",           D::RelayedPeer,     F(77),   F(77)},
    {0x14, "CmdAudioInvite",         D::Relayed,         F(78),   F(78)},
    {0x15, "CmdAudioReply",          D::Relayed,         F(49),   F(49)},
    {0x16, "CmdAudioCancel",         D::Relayed,         F(8),    F(8)},
    {0x17, "CmdAudioEnd",            D::Relayed,         F(8),    F(8)},
    {0x18, "CmdVideoInvite",         D::Relayed,         F(118),  F(118)},
    {0x19, "CmdVideoCancel",         D::Relayed,         F(8),    F(8)},
    {0x1A, "CmdVideoReply",          D::Relayed,         F(89),   F(89)},
    {0x1B, "CmdVideoEnd",            D::Relayed,         F(8),    F(8)},
    {0x1C, "CmdVideoData",           D::RelayedPeer,     F(1428), F(1428)},
    {0x1D, "CmdIgnored1D",           D::FromServer,      N,       F(260)},
    {0x1E, "CmdIgnored1E",           D::FromServer,      N,       F(260)},
    {0x1F, "CmdInputState",          D::RelayedPeer,     F(39),   F(39)},
    {0x20, "CmdUdpEcho",             D::UdpOnly,         F(44),   F(44)},
    {0x21, "CmdPunchRequest",        D::UdpOnly,         F(88),   F(88)},
    {0x22, "CmdPunchReply",          D::UdpOnly,         F(28),   F(28)},
    {0x23, "CmdPunchProbe",          D::UdpOnly,         F(28),   F(28)},
    {0x24, "CmdPunchConfirm",        D::UdpOnly,         F(68),   F(68)},
    {0x25, "CmdPeerAddress",         D::Relayed,         F(48),   F(48)},
    {0x26, "CmdMediaStalled",        D::Relayed,         F(11),   F(11)},
    {0x27, "CmdChangeNamePassword",  D::ToServer,        F(78),   N},
    {0x28, "CmdUserRenamed",         D::FromServer,      N,       F(45)},
    {0x29, "CmdPictureRequest",      D::Relayed,         F(159),  F(159)},
    {0x2A, "CmdGroupSave",           D::ToServer,        F(1005), N},
    {0x2B, "CmdGroupInfo",           D::Relayed,         F(438),  F(438)},
    {0x2C, "CmdGroupInfoSave",       D::ToServer,        F(438),  N},
    {0x2D, "CmdGroupQuit",           D::Relayed,         F(24),   F(24)},
    {0x2E, "CmdGroupQuitSave",       D::ToServer,        F(24),   N},
    {0x2F, "CmdNoticePost",          D::ToAndFromServer, S,       F(367)},
    {0x30, "CmdNoticeRead",          D::ToAndFromServer, F(36),   F(36)},
    {0x31, "CmdNoticeAttachment",    D::ToAndFromServer, F(280),  HC(280, 272, 1, 64 * kMiB)},
    {0x32, "CmdNoticeSearch",        D::ToAndFromServer, F(59),   HC(59, 55, 135, 10000)},
    {0x33, "CmdNoticeOpen",          D::ToServer,        F(24),   N},
    {0x34, "CmdNoticeReadLog",       D::ToAndFromServer, F(16),   HC(20, 16, 84, 200000)},
    {0x35, "CmdNoticeContent",       D::FromServer,      N,       HC(367, 0, 1, 64 * kMiB)},
    {0x36, "CmdContactGroups",       D::FromServer,      N,       HC(4, 0, 45, 10000)},
    {0x37, "CmdContacts",            D::ToAndFromServer, F(55),   HC(4, 0, 8, 200000)},
    {0x38, "CmdSystemMessage",       D::FromServer,      N,       HC(70, 66, 1, kMiB)},
    {0x39, "CmdNoticeDelete",        D::ToServer,        F(16),   N},
    {0x3A, "CmdInfoItem",            D::FromServer,      N,       H(663)},
    {0x3B, "CmdFileOffline",         D::Relayed,         F(85),   F(85)},
    {0x3C, "CmdOfflineFile",         D::Relayed,         F(228),  F(228)},
    {0x3D, "CmdNetFile",             D::ToServer,        F(85),   N},
    {0x3E, "CmdGroupDismiss",        D::Relayed,         F(24),   F(24)},
    {0x3F, "CmdGroupDismissSave",    D::ToServer,        F(24),   N},
    {0x40, "CmdInfoRead",            D::ToAndFromServer, F(47),   H(47)},
    {0x41, "CmdRemoteInvite",        D::Relayed,         F(78),   F(78)},
    {0x42, "CmdRemoteReply",         D::Relayed,         F(49),   F(49)},
    {0x43, "CmdRemoteCancel",        D::Relayed,         F(8),    F(8)},
    {0x44, "CmdRemoteEnd",           D::Relayed,         F(8),    F(8)},
    {0x45, "CmdRemoteInput",         D::RelayedPeer,     F(13),   F(13)},
    {0x46, "CmdRemoteScreen",        D::RelayedPeer,     F(1442), F(1442)},
    {0x47, "CmdUserDetail",          D::ToAndFromServer, F(4),    H(369)},
    {0x48, "CmdUserDetailSave",      D::ToServer,        F(369),  N},
    {0x49, "CmdImageFile",           D::ToAndFromServer, F(66),   HC(66, 5, 1, 16 * kMiB)},
    {0x4A, "CmdImageUpload",         D::ToServer,        S,       N},
    {0x4B, "CmdPictureChanged",      D::FromServer,      N,       H(12)},
    {0x4C, "CmdRemoteTiming",        D::UdpOnly,         F(28),   F(28)},
    {0x4D, "CmdShake",               D::RelayedPeer,     F(42),   F(42)},
    {0x4E, "CmdWorkState",           D::ToServer,        F(138),  N},
    {0x4F, "CmdWorkStateSync",       D::FromServer,      N,       F(138)},
    {0x50, "CmdRemoteControl",       D::Relayed,         F(9),    F(9)},
    {0x51, "CmdPendingCounts",       D::FromServer,      N,       F(45)},
    {0x52, "CmdVideoTiming",         D::UdpOnly,         F(20),   F(20)},
    {0x55, "CmdScreenList",          D::ToAndFromServer, F(0),    HC(4, 0, 381, 10000)},
    {0x56, "CmdToolbarLink",         D::FromServer,      N,       F(416)},
    {0x58, "CmdUserDetailPush",      D::FromServer,      N,       H(369)},
    {0x59, "CmdSmsRequest",          D::ToServer,        F(355),  N},
    {0x5A, "CmdGroupMembers",        D::ToAndFromServer, F(824),  HC(24, 20, 246, 100000)},
    {0x5B, "CmdUserQuery",           D::ToAndFromServer, F(4),    H(246)},
    {0x5C, "CmdUserSearch",          D::ToAndFromServer, F(110),  H(172)},
    {0x5D, "CmdAddContactRequest",   D::Relayed,         F(37),   H(37)},
    {0x5E, "CmdLogout",              D::ToServer,        F(0),    N},
    {0x5F, "CmdServicePoint",        D::FromServer,      N,       F(381)},
    {0x60, "CmdServiceSession",      D::ToAndFromServer, F(24),   F(24)},
    {0x61, "CmdEvaluation",          D::ToServer,        F(45),   N},
    {0x62, "CmdLoginComplete",       D::FromServer,      N,       F(0)},
    {0x63, "CmdReservationConfirm",  D::ToServer,        F(646),  N},
    {0x64, "CmdReservation",         D::ToAndFromServer, F(646),  F(646)},
    {0x65, "CmdChatCopy",            D::ToServer,        C(88, kMaxChatText), N},
    {0x66, "CmdGroupSearch",         D::ToAndFromServer, F(110),  H(190)},
    {0x67, "CmdGroupJoinRequest",    D::Relayed,         F(261),  H(261)},
    {0x68, "CmdExcelNotice",         D::ToAndFromServer, S,       HC(367, 0, 1, 64 * kMiB)},
    {0x6A, "CmdInfoQuery",           D::ToAndFromServer, F(43),   H(43)},
    {0x6B, "CmdAttendanceSignIn",    D::ToServer,        F(0),    N},
    {0x6C, "CmdAttendanceQuery",     D::ToAndFromServer, F(0),    F(39)},
    {0x6D, "CmdAttendanceSignOut",   D::ToServer,        F(0),    N},
    {0x6E, "CmdInfoCount",           D::ToAndFromServer, F(0),    H(31)},
};
// clang-format on

struct Index {
    std::array<const CodeInfo*, 256> byCode{};
    constexpr Index() {
        for (const auto& c : kCodes)
            byCode[c.code] = &c;
    }
};
constexpr Index kIndex;

} // namespace

const CodeInfo* codeInfo(uint8_t code) {
    return kIndex.byCode[code];
}

std::string_view codeName(uint8_t code) {
    const auto* c = codeInfo(code);
    return c ? c->name : std::string_view("CmdUnknown");
}

bool isRelayed(uint8_t code) {
    const auto* c = codeInfo(code);
    return c && (c->direction == Direction::Relayed || c->direction == Direction::RelayedPeer);
}

bool isDatagramCode(uint8_t code) {
    const auto* c = codeInfo(code);
    return c && (c->direction == Direction::RelayedPeer || c->direction == Direction::UdpOnly);
}

} // namespace vantor::protocol
