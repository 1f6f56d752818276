// Opening and creating compound files, the header, raw I/O and the flush points.
#include "history/compound_file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vantor::history::cfb {

namespace {

[[noreturn]] void failErrno(int err, const std::string& what) {
    std::string text = what + ": " + std::strerror(err);
    switch (err) {
    case ENOENT:
        fail(Error::NotFound, text);
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        fail(Error::NoSpace, text);
    case EACCES:
    case EPERM:
    case EROFS:
        fail(Error::AccessDenied, text);
    default:
        fail(Error::Io, text);
    }
}

// Threads of this process take turns with the store: flock() refuses a second descriptor of our
// own process as if another program held the file, so a thread that wants the lock first waits
// for the thread that has it here (the history writer during one batch). A thread that already
// has its turn opens without waiting and meets the lock as before.
class ProcessTurn {
  public:
    bool take() {
        std::unique_lock lock(mutex_);
        const std::thread::id self = std::this_thread::get_id();
        if (owner_ == self) return false;
        free_.wait(lock, [&] { return !owner_; });
        owner_ = self;
        return true;
    }
    void give() {
        {
            std::lock_guard lock(mutex_);
            owner_.reset();
        }
        free_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable free_;
    std::optional<std::thread::id> owner_;
};

ProcessTurn& processTurn() {
    static ProcessTurn turn;
    return turn;
}

void writeAll(int fd, uint64_t offset, const void* data, size_t n) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (n > 0) {
        ssize_t done = ::pwrite(fd, p, n, off_t(offset));
        if (done < 0) {
            if (errno == EINTR) continue;
            failErrno(errno, "cannot write the file");
        }
        p += done;
        offset += uint64_t(done);
        n -= size_t(done);
    }
}

char16_t upper(char16_t c) {
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) ||
        (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) || (c >= 0x430 && c <= 0x44F))
        return char16_t(c - 0x20);
    if (c >= 0x450 && c <= 0x45F) return char16_t(c - 0x50);
    if (c == 0xFF) return char16_t(0x178);
    return c;
}

// An empty file: the header, one FAT sector (sector 0) and one directory sector holding the root.
std::vector<uint8_t> emptyFile() {
    std::vector<uint8_t> bytes(3 * kSectorSize, 0);
    uint8_t* h = bytes.data();
    std::memcpy(h, kSignature, sizeof kSignature);
    put16(h + hdr::kMinorVersion, 0x3E);
    put16(h + hdr::kMajorVersion, 3);
    put16(h + hdr::kByteOrder, 0xFFFE);
    put16(h + hdr::kSectorShift, 9);
    put16(h + hdr::kMiniSectorShift, 6);
    put32(h + hdr::kFatSectorCount, 1);
    put32(h + hdr::kFirstDirSector, 1);
    put32(h + hdr::kMiniCutoff, kMiniStreamCutoff);
    put32(h + hdr::kFirstMiniFatSector, kEndOfChain);
    put32(h + hdr::kFirstDifatSector, kEndOfChain);
    for (uint32_t i = 0; i < kHeaderDifatSlots; ++i)
        put32(h + hdr::kDifat + 4 * i, i == 0 ? 0 : kFreeSector);
    uint8_t* fat = h + kSectorSize;
    for (uint32_t i = 0; i < kIdsPerSector; ++i)
        put32(fat + 4 * i, kFreeSector);
    put32(fat, kFatSector);
    put32(fat + 4, kEndOfChain);
    uint8_t* dir = h + 2 * kSectorSize;
    for (uint32_t e = 0; e < kEntriesPerSector; ++e) {
        uint8_t* p = dir + e * kEntrySize;
        put32(p + ent::kLeft, kNoEntry);
        put32(p + ent::kRight, kNoEntry);
        put32(p + ent::kChild, kNoEntry);
    }
    std::u16string_view root = u"Root Entry";
    for (size_t i = 0; i < root.size(); ++i)
        put16(dir + 2 * i, uint16_t(root[i]));
    put16(dir + ent::kNameLength, uint16_t(2 * (root.size() + 1)));
    dir[ent::kType] = uint8_t(EntryType::Root);
    dir[ent::kColor] = kBlack;
    put32(dir + ent::kStart, kEndOfChain);
    return bytes;
}

} // namespace

int compareNames(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = upper(a[i]), y = upper(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

bool validName(std::u16string_view name) {
    if (name.empty() || name.size() > kMaxNameLength) return false;
    for (char16_t c : name)
        if (c == 0 || c == u'/' || c == u'\\' || c == u':' || c == u'!') return false;
    return true;
}

std::u16string asciiName(std::string_view text) {
    return std::u16string(text.begin(), text.end());
}

CompoundFile::Descriptor::~Descriptor() {
    if (fd >= 0) ::close(fd);
    if (turn) processTurn().give();
}

CompoundFile::CompoundFile(int fd, Access access, Options options)
    : fd_(fd), access_(access), options_(options) {}

void CompoundFile::create(const std::filesystem::path& path, Options options) {
    static std::atomic<unsigned> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    std::filesystem::path temp = path;
    temp +=
        ".new-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" + std::to_string(stamp);
    Descriptor fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (fd.fd < 0) failErrno(errno, "cannot create " + temp.string());
    try {
        std::vector<uint8_t> bytes = emptyFile();
        writeAll(fd.fd, 0, bytes.data(), bytes.size());
        if (options.durable && ::fdatasync(fd.fd) != 0) failErrno(errno, "cannot flush the new file");
    } catch (...) {
        ::unlink(temp.c_str());
        throw;
    }
    // link() never replaces: of two processes creating at once, one wins and the other opens.
    int linked = ::link(temp.c_str(), path.c_str());
    int err = errno;
    ::unlink(temp.c_str());
    if (linked != 0) {
        if (err == EEXIST) fail(Error::Exists, path.string() + " exists");
        failErrno(err, "cannot create " + path.string());
    }
    if (options.durable) {
        Descriptor dir(::open(path.parent_path().empty() ? "." : path.parent_path().c_str(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.fd >= 0) ::fsync(dir.fd);
    }
}

CompoundFile CompoundFile::open(const std::filesystem::path& path, Access access, Options options) {
    const bool turn = options.lock && processTurn().take();
    int fd = ::open(path.c_str(), (access == Access::Write ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        if (turn) processTurn().give();
        failErrno(err, "cannot open " + path.string());
    }
    CompoundFile file(fd, access, options);
    file.fd_.turn = turn;
    if (options.lock && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) fail(Error::Locked, path.string() + " is in use by another program");
        failErrno(errno, "cannot lock " + path.string());
    }
    file.loadHeader();
    file.loadFatLocations();
    file.loadDirectory();
    // Only an open under the lock may trust what earlier opens learned, or teach the next one.
    if (options.lock) {
        file.memoPath_ = path;
        file.recalled_ = recallChains(path, stampOf(file.opened_, file.header_));
    }
    return file;
}

CompoundFile::~CompoundFile() {
    if (fd_.fd >= 0 && !memoPath_.empty()) keepMemo();
}

void CompoundFile::keepMemo() noexcept {
    try {
        if (!clean_) { // something was written and not committed: learn nothing from it
            forgetChains(memoPath_);
            return;
        }
        ChainMemos memos;
        auto committed = [&](EntryId id, uint32_t start, uint64_t size) {
            if (id >= entries_.size() || !dirLoaded_[id / kEntriesPerSector]) return false;
            const uint8_t* e = entries_[id].data();
            return get32(e + ent::kStart) == start && get32(e + ent::kSize) == size;
        };
        for (const auto& [id, memo] : recalled_)
            if (!streams_.contains(id) && committed(id, memo.start, memo.size)) memos.emplace(id, memo);
        for (const auto& [id, st] : streams_) {
            if (st.mini || st.walked != st.length || st.length < kMemoFrom ||
                !committed(id, st.start, st.size))
                continue;
            memos[id] = ChainMemo{st.start, st.size, st.length, st.last, st.marks};
        }
        struct stat now {};
        if (::fstat(fd_.fd, &now) != 0 || memos.empty()) {
            forgetChains(memoPath_);
            return;
        }
        keepChains(memoPath_, stampOf(now, header_), std::move(memos));
    } catch (...) {
        forgetChains(memoPath_);
    }
}

void CompoundFile::loadHeader() {
    struct stat& st = opened_;
    if (::fstat(fd_.fd, &st) != 0) failErrno(errno, "cannot inspect the file");
    if (!S_ISREG(st.st_mode) || st.st_size < off_t(kSectorSize))
        fail(Error::NotCompound, "not a compound file (shorter than its header)");
    readAt(0, header_.data(), kSectorSize);
    if (std::memcmp(header_.data(), kSignature, sizeof kSignature) != 0)
        fail(Error::NotCompound, "not a compound file (no signature)");
    const uint8_t* h = header_.data();
    if (get16(h + hdr::kMajorVersion) != 3)
        fail(Error::Unsupported, "compound file version " + std::to_string(get16(h + hdr::kMajorVersion)));
    if (get16(h + hdr::kByteOrder) != 0xFFFE || get16(h + hdr::kSectorShift) != 9 ||
        get16(h + hdr::kMiniSectorShift) != 6 || get32(h + hdr::kMiniCutoff) != kMiniStreamCutoff)
        fail(Error::Corrupt, "inconsistent compound file header");
    uint64_t sectors =
        uint64_t(st.st_size - off_t(kSectorSize)) / kSectorSize; // a torn last sector is not one
    if (sectors > kMaxRegularSector) fail(Error::Unsupported, "file too large");
    fileSectors_ = uint32_t(sectors);
}

void CompoundFile::writeHeader() {
    writeAt(0, header_.data(), kSectorSize);
}

void CompoundFile::readAt(uint64_t offset, void* out, size_t n) {
    auto* p = static_cast<uint8_t*>(out);
    while (n > 0) {
        ssize_t got = ::pread(fd_.fd, p, n, off_t(offset));
        if (got < 0) {
            if (errno == EINTR) continue;
            failErrno(errno, "cannot read the file");
        }
        if (got == 0) fail(Error::Corrupt, "a sector lies past the end of the file");
        p += got;
        offset += uint64_t(got);
        n -= size_t(got);
    }
}

void CompoundFile::writeAt(uint64_t offset, const void* data, size_t n) {
    requireWrite();
    clean_ = false;
    writeAll(fd_.fd, offset, data, n);
}

void CompoundFile::barrier() {
    if (options_.durable && access_ == Access::Write && ::fdatasync(fd_.fd) != 0)
        failErrno(errno, "cannot flush the file");
}

void CompoundFile::requireWrite() const {
    if (access_ != Access::Write) fail(Error::AccessDenied, "the file was opened for reading");
}

void CompoundFile::commit() {
    if (dirty_.empty() && pendingFree_.empty() && pendingMiniFree_.empty()) return;
    // Everything the new sizes point at is on disk before any size is.
    barrier();
    // The root first: its size covers the mini sectors that the streams' sizes take in.
    std::stable_partition(dirty_.begin(), dirty_.end(), [](EntryId id) { return id == kRootEntry; });
    for (EntryId id : dirty_) {
        const StreamState& st = streams_.at(id);
        uint8_t* e = entry(id);
        put32(e + ent::kStart, st.start);
        put64(e + ent::kSize, st.size);
        writeEntryBytes(id, ent::kStart, 12);
    }
    dirty_.clear();
    barrier();
    // Sectors that no committed entry uses any more; losing these writes only leaks them.
    freePending();
    clean_ = true;
}

} // namespace vantor::history::cfb
