// An in-place editor for compound files (version 3, 512-byte sectors): storages and streams in a
// directory tree, created, appended to, read at an offset and destroyed without rewriting the
// file. Every operation throws cfb::Failure; docs/history-store.md gives the write order that
// keeps the file valid when the process dies in the middle of an operation.
#pragma once

#include "history/cfb_chain_memo.h"
#include "history/cfb_format.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace vantor::history::cfb {

using EntryId = uint32_t;
inline constexpr EntryId kRootEntry = 0;

struct ChildInfo {
    EntryId id = 0;
    std::u16string name;
    EntryType type = EntryType::Unused;
    uint64_t size = 0;
};

class CompoundFile {
  public:
    enum class Access { Read, Write };
    struct Options {
        bool durable = true; // fdatasync at the ordering points and before an operation returns
        bool lock = true;    // take the exclusive advisory lock (flock) for the life of the object
    };

    // Writes a new, empty compound file at `path` without ever exposing a partial one: it is built
    // under a temporary name in the same folder and linked into place. Failure(Exists) when a file
    // is already there.
    static void create(const std::filesystem::path& path, Options options);
    // Opens an existing file. Failure(NotFound) when it is missing, Failure(Locked) while another
    // open holds the lock, Failure(NotCompound) for anything that is not a compound file.
    static CompoundFile open(const std::filesystem::path& path, Access access, Options options);

    CompoundFile(CompoundFile&& other) noexcept = default;
    CompoundFile& operator=(CompoundFile&&) = delete;
    // Closes the file and releases the lock; uncommitted appends are dropped. What the chain walks
    // learned is kept for the next open (cfb_chain_memo.h).
    ~CompoundFile();

    // --- Directory (cfb_directory.cpp) ---
    std::optional<EntryId> find(EntryId storage, std::u16string_view name);
    EntryId createStorage(EntryId parent, std::u16string_view name);
    EntryId createStream(EntryId parent, std::u16string_view name);
    // Removes a stream, or a storage with everything in it, and frees its sectors.
    void destroy(EntryId parent, std::u16string_view name);
    // The elements of a storage in the format's name order.
    std::vector<ChildInfo> children(EntryId storage);
    EntryType typeOf(EntryId id);

    // --- Streams (cfb_stream.cpp) ---
    uint64_t streamSize(EntryId stream);
    // Copies up to out.size() bytes from `offset`; returns how many there were.
    size_t read(EntryId stream, uint64_t offset, std::span<uint8_t> out);
    // Writes the bytes after the end of the stream. The new size reaches the file in commit().
    void append(EntryId stream, std::span<const uint8_t> data);
    // Shortens the stream (committed at once).
    void truncate(EntryId stream, uint64_t size);
    // Makes the appends visible: flush, new sizes, flush; then frees what they replaced.
    void commit();

  private:
    // Owns the descriptor; closing it releases the lock, and the process's turn with the file
    // when it has one (`turn`).
    struct Descriptor {
        int fd = -1;
        bool turn = false;
        explicit Descriptor(int f) : fd(f) {}
        Descriptor(Descriptor&& o) noexcept : fd(o.fd), turn(o.turn) {
            o.fd = -1;
            o.turn = false;
        }
        Descriptor& operator=(Descriptor&&) = delete;
        ~Descriptor();
    };
    // A stream's chain is walked only as far as an operation needs, and kept as every 64th
    // sector plus a cursor: a page near the start of a long stream reads a few FAT entries, and
    // an append to a long one keeps a few kilobytes, not a list of every sector.
    struct StreamState {
        bool mini = false;
        uint32_t start = kEndOfChain;
        uint64_t size = 0;
        size_t length = 0;           // sectors (mini sectors when `mini`) in the chain
        size_t walked = 0;           // how many of them are known, from the start
        uint32_t last = kEndOfChain; // the sector at walked - 1
        std::vector<uint32_t> marks; // the sectors at 0, 64, 128, ... among the known ones
        size_t cursor = 0;           // a known index and its sector, for sequential access
        uint32_t cursorSector = kEndOfChain;
        std::vector<bool> seen; // loop check while walking
    };

    CompoundFile(int fd, Access access, Options options);

    // compound_file.cpp: the file, the header, raw sector I/O.
    void loadHeader();
    void writeHeader();
    uint32_t headerField(size_t offset) const { return get32(header_.data() + offset); }
    void setHeaderField(size_t offset, uint32_t v) { put32(header_.data() + offset, v); }
    void readAt(uint64_t offset, void* out, size_t n);
    void writeAt(uint64_t offset, const void* data, size_t n);
    void barrier();
    void requireWrite() const;
    static uint64_t sectorOffset(uint32_t sector) { return uint64_t(sector + 1) * kSectorSize; }

    // cfb_allocation.cpp: FAT, DIFAT, mini FAT, chains and allocation.
    void loadFatLocations();
    uint32_t fatEntry(uint32_t sector) {
        size_t k = sector / kIdsPerSector;
        return k < fatLoaded_.size() && fatLoaded_[k] ? fat_[sector] : loadFatEntry(sector);
    }
    uint32_t loadFatEntry(uint32_t sector);
    void setFatEntries(const std::vector<std::pair<uint32_t, uint32_t>>& changes);
    std::vector<uint32_t> walkChain(uint32_t start, uint64_t count, const char* what);
    std::vector<uint32_t> walkChainToEnd(uint32_t start, const char* what);
    std::vector<uint32_t> allocateSectors(size_t n);
    void addFatSectors(uint32_t count);
    void loadMiniFat();
    uint32_t miniFatEntry(uint32_t mini);
    void setMiniFatEntries(const std::vector<std::pair<uint32_t, uint32_t>>& changes);
    std::vector<uint32_t> allocateMiniSectors(size_t n, uint32_t& firstNew);
    void addMiniFatSector();
    void linkChain(const std::vector<uint32_t>& sectors, bool mini);
    void freeLater(const std::vector<uint32_t>& chain, bool mini);
    void freePending();

    // cfb_directory.cpp: entries and the tree.
    void loadDirectory();
    uint8_t* entry(EntryId id);
    void writeEntryBytes(EntryId id, size_t offset, size_t n);
    std::u16string entryName(EntryId id);
    EntryId createEntry(EntryId parent, std::u16string_view name, EntryType type);
    EntryId freeEntry();
    void unlink(EntryId parent, EntryId node);
    void setPointer(EntryId holder, size_t field, EntryId target);
    void makeBlack(EntryId id);
    void destroyOne(EntryId parent, EntryId node);

    // cfb_stream.cpp: stream contents.
    StreamState& stream(EntryId id);
    uint32_t next(const StreamState& st, uint32_t sector) {
        return st.mini ? miniFatEntry(sector) : fatEntry(sector);
    }
    uint32_t sectorAt(StreamState& st, size_t index);
    void walkAll(StreamState& st);
    std::vector<uint32_t> chainFrom(StreamState& st, size_t index);
    void extendChain(StreamState& st, const std::vector<uint32_t>& fresh);
    void writeRegular(EntryId id, StreamState& st, uint64_t offset, std::span<const uint8_t> data);
    void appendMini(EntryId id, StreamState& st, std::span<const uint8_t> data);
    uint64_t miniOffset(uint32_t mini);
    void readRuns(StreamState& st, uint64_t offset, uint8_t* out, size_t n);
    void markDirty(EntryId id);

    Descriptor fd_;
    Access access_;
    Options options_;
    // The chain memo: the path it is kept under (empty: none for this open), the file as it was
    // opened, what was recalled, and whether everything written so far is committed.
    std::filesystem::path memoPath_;
    struct stat opened_ {};
    ChainMemos recalled_;
    bool clean_ = true;
    void adoptMemo(EntryId id, StreamState& st);
    void keepMemo() noexcept;
    std::array<uint8_t, kSectorSize> header_{};
    uint32_t fileSectors_ = 0; // whole sectors after the header, including ones reserved this session

    std::vector<uint32_t> fatLocations_;   // where FAT sector k lives
    std::vector<uint32_t> difatLocations_; // DIFAT sectors in chain order
    std::unique_ptr<uint32_t[]> fat_;      // FAT entries; valid where fatLoaded_ (never zero-filled)
    std::vector<uint8_t> fatLoaded_;
    std::set<uint32_t> freeSectors_; // free sectors inside the file, from the FAT sectors read so far
    std::vector<std::pair<uint32_t, uint32_t>> fatMarks_; // FAT/DIFAT sectors not yet covered

    bool miniLoaded_ = false;
    std::vector<uint32_t> miniFatLocations_;
    std::vector<uint32_t> miniFat_;
    std::vector<bool> miniFatLoaded_;
    std::set<uint32_t> freeMini_;

    std::vector<uint32_t> dirChain_;
    std::vector<std::array<uint8_t, kEntrySize>> entries_;
    std::vector<bool> dirLoaded_; // per directory sector

    std::map<EntryId, StreamState> streams_;
    std::vector<EntryId> dirty_; // entries whose start and size wait for commit()
    std::vector<uint32_t> pendingFree_, pendingMiniFree_;
};

} // namespace vantor::history::cfb
