// The published compound file layout (version 3, 512-byte sectors): header and directory entry
// offsets, the special sector numbers, the format's element-name order, and the failure type
// that every engine operation throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vantor::history::cfb {

inline constexpr uint32_t kSectorSize = 512;
inline constexpr uint32_t kMiniSectorSize = 64;
inline constexpr uint32_t kMiniStreamCutoff = 4096; // smaller streams live in the mini stream
inline constexpr uint32_t kEntrySize = 128;
inline constexpr uint32_t kEntriesPerSector = kSectorSize / kEntrySize;
inline constexpr uint32_t kIdsPerSector = kSectorSize / 4;          // FAT entries per FAT sector
inline constexpr uint32_t kHeaderDifatSlots = 109;                  // FAT sector numbers in the header
inline constexpr uint32_t kDifatSlotsPerSector = kIdsPerSector - 1; // the last slot links on
inline constexpr uint64_t kMaxStreamSize = 0x80000000;              // the version 3 limit
inline constexpr size_t kMaxNameLength = 31;                        // UTF-16 units, without the zero
inline constexpr size_t kMarkEvery = 64;                            // a walked chain keeps every 64th sector
inline constexpr size_t kMemoFrom = 64; // chains of fewer sectors are walked again on each open

// Special sector numbers.
inline constexpr uint32_t kMaxRegularSector = 0xFFFFFFFA;
inline constexpr uint32_t kDifatSector = 0xFFFFFFFC;
inline constexpr uint32_t kFatSector = 0xFFFFFFFD;
inline constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
inline constexpr uint32_t kFreeSector = 0xFFFFFFFF;
inline constexpr uint32_t kNoEntry = 0xFFFFFFFF; // an absent sibling or child

inline constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

// Header field offsets.
namespace hdr {
inline constexpr size_t kMinorVersion = 24, kMajorVersion = 26, kByteOrder = 28, kSectorShift = 30,
                        kMiniSectorShift = 32, kDirSectorCount = 40, kFatSectorCount = 44,
                        kFirstDirSector = 48, kMiniCutoff = 56, kFirstMiniFatSector = 60,
                        kMiniFatSectorCount = 64, kFirstDifatSector = 68, kDifatSectorCount = 72, kDifat = 76;
} // namespace hdr

// Directory entry field offsets.
namespace ent {
inline constexpr size_t kName = 0, kNameLength = 64, kType = 66, kColor = 67, kLeft = 68, kRight = 72,
                        kChild = 76, kStart = 116, kSize = 120;
} // namespace ent

enum class EntryType : uint8_t { Unused = 0, Storage = 1, Stream = 2, Root = 5 };
inline constexpr uint8_t kRed = 0, kBlack = 1;

enum class Error {
    NotFound,     // no such file or element
    Exists,       // an element of that name is already there
    NotCompound,  // the file is not a compound file at all
    Unsupported,  // a compound file of another version
    Corrupt,      // inconsistent structures: loops, sectors past the end, sizes beyond chains
    InvalidName,  // empty, longer than 31 characters, or holding / \ : !
    TooLarge,     // a stream would pass the version 3 size limit
    Locked,       // another process holds the file
    NoSpace,      // disk full or quota exceeded
    AccessDenied, // permissions, read-only file system
    Io,           // any other system error
};

class Failure : public std::runtime_error {
  public:
    Failure(Error error, const std::string& what) : std::runtime_error(what), error_(error) {}
    Error error() const { return error_; }

  private:
    Error error_;
};

[[noreturn]] inline void fail(Error error, const std::string& what) {
    throw Failure(error, what);
}

inline uint16_t get16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
inline uint32_t get32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint64_t get64(const uint8_t* p) {
    return uint64_t(get32(p)) | uint64_t(get32(p + 4)) << 32;
}
inline void put16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}
inline void put64(uint8_t* p, uint64_t v) {
    put32(p, uint32_t(v));
    put32(p + 4, uint32_t(v >> 32));
}

// The format's element-name order: a shorter name sorts first; names of equal length compare
// unit by unit after upper-casing. Zero means the names are the same element name.
int compareNames(std::u16string_view a, std::u16string_view b);
// 1..31 units, none of them zero, '/', '\', ':' or '!'.
bool validName(std::u16string_view name);
// A name made of ASCII text (element names of the message store are all ASCII).
std::u16string asciiName(std::string_view text);

} // namespace vantor::history::cfb
