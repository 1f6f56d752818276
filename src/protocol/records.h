// The records of the session and the directory: version check, sign-in, the server settings
// block, status, users, departments, contact groups and links, renames, work state.
// Each layout is written once (`layout`) and serves both encoding and decoding; offsets are those
// of the body, after the code byte (for counted codes: after the 32-bit count).
#pragma once

#include "protocol/codes.h"
#include "protocol/frame.h"
#include "protocol/wire.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vantor::protocol {

using wire::Guid;

// ---- version check ----

struct VersionCheckRequest {
    static constexpr size_t kSize = 38;
    std::string version; // text[15], e.g. "1.5.0.0"

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.skip(1);
        io.text(15, r.version);
    }
};

struct VersionCheckReply {
    static constexpr size_t kSize = 38;
    uint8_t updateFlag = 0; // non-zero: update before signing in
    std::string fileServer; // text[15], dotted IPv4
    uint32_t filePort = 0;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u8(r.updateFlag);
        io.skip(17);
        io.text(15, r.fileServer);
        io.u32(r.filePort);
    }
};

// ---- sign-in ----

struct LoginRequest {
    static constexpr size_t kSize = 149;
    std::string account;  // text[32]
    std::string password; // text[32], as typed
    uint8_t status = 0;
    std::string localAddress; // text[15]
    uint32_t localPort = 0;
    std::string machineId; // text[30]
    bool hasAudio = true;
    bool hasCamera = false;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.text(32, r.account);
        io.text(32, r.password);
        io.u8(r.status);
        io.text(15, r.localAddress);
        io.u32(r.localPort);
        io.text(30, r.machineId);
        io.boolean(r.hasAudio);
        io.boolean(r.hasCamera);
    }
};

// The 319-byte block of permissions and limits from the sign-in reply, kept for the session.
struct ServerSettings {
    static constexpr size_t kSize = 319;
    std::string raw; // all 319 bytes, for fields read by later layers

    bool mayWriteNotices = false;      // 55
    bool netFolderFlag = false;        // 56
    bool maySendSms = false;           // 58
    bool mayCreateGroups = false;      // 59
    bool serviceDesk = false;          // 61
    bool mayAddContacts = false;       // 62
    bool copyChatToServer = false;     // 63
    bool workStateButton = false;      // 64
    uint32_t netFileSingleMaxSize = 0; // 69
    uint32_t netFileMaxSize = 0;       // 77
    std::string netFileFilter;         // 85, text[200]
    bool attendanceBySignIn = false;   // 286
    bool messageCentreMode = false;    // 287

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        const size_t base = io.offset();
        if constexpr (IO::reading) {
            io.raw(kSize, r.raw);
            io.seek(base);
        }
        io.skip(55);
        io.boolean(r.mayWriteNotices);
        io.boolean(r.netFolderFlag);
        io.skip(1);
        io.boolean(r.maySendSms);
        io.boolean(r.mayCreateGroups);
        io.skip(1);
        io.boolean(r.serviceDesk);
        io.boolean(r.mayAddContacts);
        io.boolean(r.copyChatToServer);
        io.boolean(r.workStateButton);
        io.skip(4);
        io.u32(r.netFileSingleMaxSize);
        io.skip(4);
        io.u32(r.netFileMaxSize);
        io.skip(4);
        io.text(200, r.netFileFilter);
        io.boolean(r.attendanceBySignIn);
        io.boolean(r.messageCentreMode);
        io.seek(base + kSize);
    }
};

struct LoginReply {
    static constexpr size_t kSize = 561;
    bool success = false;
    std::string tokenOrReason; // text[80]: the sign-in token, or the refusal text
    std::string pageUrl;       // text[80]: opened after sign-in when longer than 5
    uint32_t pageWidth = 0;
    uint32_t pageHeight = 0;
    Guid sessionId;
    bool contactGroupMode = false; // 207
    std::string productName;       // 209, text[20]
    uint32_t waitingMessages = 0;  // 230
    uint32_t homePagePort = 0;     // 234
    ServerSettings settings;       // 242

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.boolean(r.success);
        io.text(80, r.tokenOrReason);
        io.text(80, r.pageUrl);
        io.u32(r.pageWidth);
        io.u32(r.pageHeight);
        io.guid(r.sessionId);
        io.skip(20);
        io.boolean(r.contactGroupMode);
        io.skip(1);
        io.text(20, r.productName);
        io.u32(r.waitingMessages);
        io.u32(r.homePagePort);
        io.skip(4);
        ServerSettings::layout(io, r.settings);
    }
};

// ---- status ----

enum class TextKind : uint8_t { None = 0, HeadPicture = 1, Signature = 2 };

// CmdStatus (counted): the record after the leading count; the text is at most 99 bytes.
struct StatusRecord {
    static constexpr size_t kFixed = 13;
    uint32_t userId = 0;
    uint8_t status = 0;
    bool hasAudio = false;
    bool hasCamera = false;
    bool automatic = false;
    uint8_t textKind = 0;
    std::string text;

    // Whole body: count, 13 fixed bytes, text.
    std::string encodeBody() const;
    // False when the body is short, or its text length disagrees with the count or exceeds 99.
    static bool decodeBody(std::string_view body, StatusRecord& out);
};

// ---- users and departments ----

struct UserRecord {
    static constexpr size_t kSize = 246;
    uint32_t userId = 0;
    uint32_t departmentId = 0;
    uint32_t contactGroupId = 0;
    std::string name;        // text[70]
    uint8_t status = 8;      // 83
    std::string headPicture; // text[10]
    bool isOwn = false;      // 95
    bool hasAudio = false;
    bool hasCamera = false;
    bool female = false;         // 102
    double photoTime = 0;        // 103
    bool frequent = false;       // 111
    bool notInTree = false;      // 112
    bool noTypingNotice = false; // 133
    std::string workState;       // 134, text[10]
    std::string signature;       // 145, text[100]

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.userId);
        io.u32(r.departmentId);
        io.u32(r.contactGroupId);
        io.text(70, r.name);
        io.u8(r.status);
        io.text(10, r.headPicture);
        io.boolean(r.isOwn);
        io.boolean(r.hasAudio);
        io.boolean(r.hasCamera);
        io.skip(4);
        io.boolean(r.female);
        io.f64(r.photoTime);
        io.boolean(r.frequent);
        io.boolean(r.notInTree);
        io.skip(20); // the client's own references; not significant on the wire
        io.boolean(r.noTypingNotice);
        io.text(10, r.workState);
        io.text(100, r.signature);
    }
};

struct DepartmentRecord {
    static constexpr size_t kSize = 81;
    uint32_t departmentId = 0;
    uint32_t parentId = 0;
    std::string name;      // text[60]
    uint32_t reserved = 0; // 69: 10000 for the catch-all node, 1 for contact groups as departments

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.departmentId);
        io.u32(r.parentId);
        io.text(60, r.name);
        io.u32(r.reserved);
        io.skip(8);
    }
};

// Item actions of CmdDepartmentItem and CmdUserItem.
enum ItemAction : uint8_t { kItemLoad = 0, kItemRemoved = 2, kItemFrequent = 3, kItemAdded = 1 };

struct DepartmentItem {
    static constexpr size_t kSize = 90;
    uint8_t action = 0;
    uint32_t position = 0;
    DepartmentRecord department;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u8(r.action);
        io.u32(r.position);
        io.skip(4);
        DepartmentRecord::layout(io, r.department);
    }
};

// CmdUserItem (counted): action, position, count in the load, then the user record up to and
// including the first n signature bytes.
struct UserItem {
    static constexpr size_t kFixed = 155;
    uint8_t action = 0;
    uint32_t position = 0;
    uint32_t loadCount = 0;
    UserRecord user;

    std::string encodeBody() const;
    static bool decodeBody(std::string_view body, UserItem& out);
};

struct UserRenamed {
    static constexpr size_t kSize = 45;
    uint32_t userId = 0;
    std::string name; // text[40]

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.userId);
        io.text(40, r.name);
    }
};

// ---- contacts ----

struct ContactGroup {
    static constexpr size_t kSize = 45;
    uint32_t groupId = 0;
    std::string name; // text[40]

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.groupId);
        io.text(40, r.name);
    }
};

struct ContactLink {
    static constexpr size_t kSize = 8;
    uint32_t userId = 0;
    uint32_t groupId = 0;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.userId);
        io.u32(r.groupId);
    }
};

// CmdContacts as the client sends it: one change of the owner's contact list.
struct ContactsChange {
    static constexpr size_t kSize = 55;
    uint32_t ownId = 0;
    uint32_t contactId = 0;
    uint32_t groupId = 0;
    std::string groupName; // text[40]
    uint8_t operationClass = 0;
    uint8_t operation = 0;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.ownId);
        io.u32(r.contactId);
        io.u32(r.groupId);
        io.text(40, r.groupName);
        io.u8(r.operationClass);
        io.u8(r.operation);
    }
};

// A list body: a 32-bit count then count records (CmdContactGroups, CmdContacts received).
template <class R>
std::string encodeList(const std::vector<R>& items) {
    std::string s(4, '\0');
    wire::storeU32(s.data(), static_cast<uint32_t>(items.size()));
    for (const auto& i : items)
        s += wire::encode(i);
    return s;
}
template <class R>
bool decodeList(std::string_view body, std::vector<R>& out) {
    out.clear();
    if (body.size() < 4) return false;
    const uint32_t n = wire::loadU32(body.data());
    if ((body.size() - 4) / R::kSize < n) return false;
    out.resize(n);
    for (uint32_t i = 0; i < n; ++i)
        if (!wire::decode(body.substr(4 + size_t(i) * R::kSize, R::kSize), out[i])) return false;
    return true;
}

// ---- work state ----

struct WorkStateRecord {
    static constexpr size_t kSize = 138;
    Guid sessionId;
    std::string name;          // text[20]: "在岗", "开会", "外出" or "请假"
    std::string tail = "null"; // text[4], sent as "null"

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.guid(r.sessionId);
        io.text(20, r.name);
        io.text(4, r.tail);
    }
};

// ---- helpers ----

// A message of a fixed-layout record: the code byte and the record's bytes.
template <class R>
Message makeMessage(Cmd code, const R& r) {
    return Message{static_cast<uint8_t>(code), wire::encode(r)};
}
inline Message emptyMessage(Cmd code) {
    return Message{static_cast<uint8_t>(code), {}};
}

} // namespace vantor::protocol
