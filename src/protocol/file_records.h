// The records of a direct file transfer: the offer and its reply, the data blocks and their
// acknowledgements, the receiver's block map, and the notices that end a transfer. Integers are
// 32-bit little-endian unless said otherwise; texts carry their length byte.
#pragma once

#include "protocol/chat.h"
#include "protocol/peer_records.h"
#include "protocol/wire.h"

#include <cstdint>
#include <string>

namespace vantor::protocol {

inline constexpr uint32_t kFileBlock = 1280;        // data bytes per block
inline constexpr uint32_t kBlockMapChunk = 400;     // flags per CmdFileBlockMap
inline constexpr size_t kTransferIdCapacity = 80;   // text[80]
inline constexpr size_t kFileIdentityCapacity = 32; // text[32]
inline constexpr size_t kOfferNameCapacity = 100;   // text[100]

// CmdFileOffer: the sender offers a file (receiver -1: a group send).
struct FileOffer {
    static constexpr size_t kSize = 302;
    static constexpr size_t kKeyOffset = 232;
    int32_t receiverId = 0;
    uint32_t senderId = 0;
    std::string identity;   // text[32]: upper-case hex MD5 of name + decimal size
    std::string transferId; // text[80]
    std::string fileName;   // text[100]
    uint64_t size = 0;
    bool picture = false;
    ConversationKey key;
    // The first four bytes of the MD5 of the whole file (0: not known), in the key's last four
    // bytes, which receivers ignore. The receiver keeps it beside a resumable cache and checks the
    // finished file against it, so a different file of the same name and size is never mixed in.
    uint32_t contentTag = 0;
    Endpoint senderLocal;
    Endpoint senderPublic;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.i32(r.receiverId);
        io.u32(r.senderId);
        io.text(kFileIdentityCapacity, r.identity);
        io.text(kTransferIdCapacity, r.transferId);
        io.text(kOfferNameCapacity, r.fileName);
        io.u64(r.size);
        io.boolean(r.picture);
        ConversationKey::layout(io, r.key);
        io.seek(io.offset() - 4);
        io.u32(r.contentTag);
        Endpoint::layout(io, r.senderLocal);
        Endpoint::layout(io, r.senderPublic);
    }
};

// CmdFileReply: the receiver accepts (with its endpoints) or declines (endpoints zero).
struct FileReply {
    static constexpr size_t kSize = 126;
    uint32_t senderId = 0; // the file's sender, who receives the reply
    bool accept = false;
    std::string transferId;
    Endpoint receiverLocal;
    Endpoint receiverPublic;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.senderId);
        io.boolean(r.accept);
        io.text(kTransferIdCapacity, r.transferId);
        Endpoint::layout(io, r.receiverLocal);
        Endpoint::layout(io, r.receiverPublic);
    }
};

// CmdFileData: one block, its MD5 over the first `length` bytes, the sender's counter at sending.
struct FileData {
    static constexpr size_t kSize = 1401;
    uint32_t receiverId = 0;
    std::string transferId;
    uint64_t position = 0;
    uint32_t length = 0; // at most 1280
    std::string data;    // 1280 bytes on the wire, the first `length` significant
    std::string md5;     // 16 raw bytes
    uint64_t sendStamp = 0;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.receiverId);
        io.text(kTransferIdCapacity, r.transferId);
        io.u64(r.position);
        io.u32(r.length);
        io.raw(kFileBlock, r.data);
        io.raw(16, r.md5);
        io.u64(r.sendStamp);
    }
};

// CmdFileDataAck: sent by the receiver to the file's sender, whose id stands first.
struct FileDataAck {
    static constexpr size_t kSize = 101;
    uint32_t senderId = 0;
    std::string transferId;
    uint64_t bytesDone = 0;
    uint64_t sendStamp = 0; // echoed from the block

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.senderId);
        io.text(kTransferIdCapacity, r.transferId);
        io.u64(r.bytesDone);
        io.u64(r.sendStamp);
    }
};

// CmdFileCancel and CmdFileOffline: the receiver's id and the transfer.
struct FileNotice {
    static constexpr size_t kSize = 85;
    uint32_t receiverId = 0;
    std::string transferId;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.receiverId);
        io.text(kTransferIdCapacity, r.transferId);
    }
};

// CmdFileAbort (the other side, the transfer, who stopped it) and CmdFileComplete (the file's
// sender, the transfer, the receiver that reports completion): the same 89 bytes.
struct FileAbort {
    static constexpr size_t kSize = 89;
    uint32_t otherId = 0;
    std::string transferId;
    uint32_t stoppedBy = 0;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.otherId);
        io.text(kTransferIdCapacity, r.transferId);
        io.u32(r.stoppedBy);
    }
};

struct FileComplete {
    static constexpr size_t kSize = 89;
    uint32_t senderId = 0;
    std::string transferId;
    uint32_t receiverId = 0;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.senderId);
        io.text(kTransferIdCapacity, r.transferId);
        io.u32(r.receiverId);
    }
};

// CmdFileBlockMap: up to 400 flags ('0' missing, '1' done) of the receiver's map from `first`.
struct FileBlockMap {
    static constexpr size_t kSize = 497;
    uint32_t senderId = 0;
    uint32_t receiverId = 0;
    std::string transferId;
    uint32_t first = 0;
    uint32_t count = 0; // at most 400
    std::string flags;  // 400 bytes on the wire

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.senderId);
        io.u32(r.receiverId);
        io.text(kTransferIdCapacity, r.transferId);
        io.u32(r.first);
        io.u32(r.count);
        io.raw(kBlockMapChunk, r.flags);
    }
};

// CmdOfflineFile: a file left on the file server for the receiver.
struct OfflineFile {
    static constexpr size_t kSize = 228;
    uint32_t receiverId = 0;
    uint32_t senderId = 0;
    std::string senderName; // text[20]
    std::string transferId;
    std::string fileName; // text[100]
    uint64_t size = 0;
    double sendTime = 0;
    bool oneToOne = true;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.receiverId);
        io.u32(r.senderId);
        io.text(20, r.senderName);
        io.text(kTransferIdCapacity, r.transferId);
        io.text(kOfferNameCapacity, r.fileName);
        io.u64(r.size);
        io.f64(r.sendTime);
        io.boolean(r.oneToOne);
    }
};

} // namespace vantor::protocol
