#include "peer/pending_journal.h"

#include "protocol/wire.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include <dirent.h>

namespace vantor::peer {

namespace {

constexpr char kMagic[8] = {'V', 'N', 'T', 'R', 'P', 'Q', '1', '\n'};
constexpr const char* kPrefix = "PendingMessages.";
constexpr const char* kSuffix = ".dat";
constexpr uint32_t kMaxPayload = 4096;

enum RecordType : uint8_t { kAdd = 1, kDone = 2, kFloor = 3 };

uint32_t crc32(std::string_view data) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : data)
        c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::string u32(uint32_t v) {
    std::string s(4, '\0');
    wire::storeU32(s.data(), v);
    return s;
}

std::string record(RecordType type, const std::string& payload) {
    std::string typed(1, char(type));
    typed += payload;
    return u32(uint32_t(payload.size())) + typed + u32(crc32(typed));
}

std::string addRecord(const PendingJournal::Entry& e) {
    std::string payload(8, '\0');
    wire::storeU32(payload.data(), uint32_t(uint64_t(e.queuedAtMs)));
    wire::storeU32(payload.data() + 4, uint32_t(uint64_t(e.queuedAtMs) >> 32));
    payload += e.message.encodeBody();
    return record(kAdd, payload);
}

std::string errnoText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(size_t(n));
    }
    return true;
}

void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// The generations present in `folder`, oldest first.
std::vector<std::pair<uint64_t, std::string>> generations(const std::string& folder) {
    std::vector<std::pair<uint64_t, std::string>> out;
    DIR* d = ::opendir(folder.c_str());
    if (!d) return out;
    const size_t prefix = std::strlen(kPrefix), suffix = std::strlen(kSuffix);
    while (const dirent* e = ::readdir(d)) {
        const std::string_view name(e->d_name);
        if (name.size() <= prefix + suffix || name.substr(0, prefix) != kPrefix ||
            name.substr(name.size() - suffix) != kSuffix)
            continue;
        const std::string_view digits = name.substr(prefix, name.size() - prefix - suffix);
        if (digits.size() > 18 ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        out.emplace_back(std::stoull(std::string(digits)), folder + std::string(name));
    }
    ::closedir(d);
    std::sort(out.begin(), out.end());
    return out;
}

std::string pathOf(const std::string& folder, uint64_t generation) {
    return folder + kPrefix + std::to_string(generation) + kSuffix;
}

} // namespace

struct PendingJournal::File {
    int fd = -1;
    std::string path;
    ~File() {
        if (fd >= 0) ::close(fd);
    }
};

PendingJournal::PendingJournal(std::string folder) : folder_(std::move(folder)) {
    thread_ = std::thread([this] { worker(); });
}

PendingJournal::~PendingJournal() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join(); // the worker finishes what is queued first
}

PendingJournal::Contents PendingJournal::readFile(const std::string& path) {
    Contents out;
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < sizeof kMagic || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) {
        out.droppedBytes = bytes.size();
        return out;
    }
    std::map<Key, size_t> index;
    std::vector<size_t> acknowledged; // entries of this file that were acknowledged in it
    size_t pos = sizeof kMagic;
    while (pos < bytes.size()) {
        const std::string_view rest(bytes.data() + pos, bytes.size() - pos);
        if (rest.size() < 9) break;
        const uint32_t length = wire::loadU32(rest.data());
        if (length > kMaxPayload || rest.size() < 9 + size_t(length)) break;
        const std::string_view typed = rest.substr(4, 1 + length);
        if (wire::loadU32(rest.data() + 5 + length) != crc32(typed)) break;
        const auto type = uint8_t(typed[0]);
        const std::string_view payload = typed.substr(1);
        if (type == kAdd && payload.size() >= 8) {
            Entry e;
            e.queuedAtMs = int64_t(uint64_t(wire::loadU32(payload.data())) |
                                   uint64_t(wire::loadU32(payload.data() + 4)) << 32);
            if (protocol::ChatMessage::decodeBody(payload.substr(8), e.message)) {
                const Key k{e.message.senderId, e.message.recipientId, e.message.sendTick};
                if (!index.contains(k)) {
                    index[k] = out.entries.size();
                    out.entries.push_back(std::move(e));
                }
            }
        } else if (type == kDone && payload.size() >= 12) {
            const Key k{wire::loadU32(payload.data()), wire::loadU32(payload.data() + 4),
                        wire::loadU32(payload.data() + 8)};
            if (const auto it = index.find(k); it != index.end()) {
                acknowledged.push_back(it->second);
                index.erase(it);
            }
            out.acknowledged.push_back(k); // an older generation may hold its add
        } else if (type == kFloor && payload.size() >= 4) {
            out.tickFloor = wire::loadU32(payload.data());
        }
        pos += 9 + length;
    }
    out.droppedBytes = bytes.size() - pos;
    std::sort(acknowledged.begin(), acknowledged.end());
    for (auto it = acknowledged.rbegin(); it != acknowledged.rend(); ++it)
        out.entries.erase(out.entries.begin() + std::ptrdiff_t(*it));
    return out;
}

std::optional<std::string> PendingJournal::open(Contents& out) {
    out = {};
    const auto found = generations(folder_);
    // The union of every generation: an entry is live when some generation added it and none
    // acknowledged it.
    std::map<Key, Entry> adds;
    std::vector<Key> order;
    std::set<Key> done;
    for (const auto& [generation, path] : found) {
        generation_ = std::max(generation_, generation);
        Contents c = readFile(path);
        out.droppedBytes += c.droppedBytes;
        if (c.tickFloor) out.tickFloor = c.tickFloor;
        done.insert(c.acknowledged.begin(), c.acknowledged.end());
        for (Entry& e : c.entries) {
            const Key k{e.message.senderId, e.message.recipientId, e.message.sendTick};
            if (!adds.contains(k)) {
                order.push_back(k);
                adds.emplace(k, std::move(e));
            }
        }
    }
    live_.clear();
    order_.clear();
    for (const Key& k : order) {
        if (done.contains(k)) continue;
        Entry& e = adds.at(k);
        live_[k] = addRecord(e);
        order_.push_back(k);
        out.entries.push_back(std::move(e));
    }
    floor_ = out.tickFloor;
    return startGeneration();
}

std::optional<std::string> PendingJournal::startGeneration() {
    auto file = std::make_shared<File>();
    file->path = pathOf(folder_, ++generation_);
    file->fd = ::open(file->path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0600);
    if (file->fd < 0) return errnoText("cannot create the journal of unacknowledged messages");
    std::string bytes(kMagic, sizeof kMagic);
    if (floor_) bytes += record(kFloor, u32(*floor_));
    std::vector<Key> order;
    for (const Key& k : order_)
        if (const auto it = live_.find(k); it != live_.end()) {
            bytes += it->second;
            order.push_back(k);
        }
    order_ = std::move(order);
    if (!writeAll(file->fd, bytes)) return errnoText("cannot write the journal of unacknowledged messages");
    std::vector<std::string> older;
    for (const auto& [generation, path] : generations(folder_))
        if (generation < generation_) older.push_back(path);
    file_ = file;
    deadInFile_ = 0;
    {
        std::lock_guard lock(mutex_);
        dirty_ = file;
        syncDir_ = true;
        obsolete_.insert(obsolete_.end(), older.begin(), older.end());
    }
    wake_.notify_all();
    return std::nullopt;
}

std::optional<std::string> PendingJournal::append(const std::string& bytes) {
    if (!file_) return std::string("the journal of unacknowledged messages is not open");
    if (!writeAll(file_->fd, bytes)) return errnoText("cannot write the journal of unacknowledged messages");
    {
        std::lock_guard lock(mutex_);
        dirty_ = file_;
    }
    wake_.notify_all();
    return std::nullopt;
}

std::optional<std::string> PendingJournal::add(const Entry& e) {
    const Key k{e.message.senderId, e.message.recipientId, e.message.sendTick};
    std::string bytes = addRecord(e);
    if (auto error = append(bytes)) return error;
    if (!live_.contains(k)) order_.push_back(k);
    live_[k] = std::move(bytes);
    return std::nullopt;
}

std::optional<std::string> PendingJournal::remove(uint32_t senderId, uint32_t recipientId,
                                                  uint32_t sendTick) {
    const Key k{senderId, recipientId, sendTick};
    if (live_.erase(k) == 0) return std::nullopt;
    if (auto error = append(record(kDone, u32(senderId) + u32(recipientId) + u32(sendTick)))) return error;
    ++deadInFile_;
    if (deadInFile_ >= kCompactAfter && deadInFile_ > live_.size()) return startGeneration();
    return std::nullopt;
}

std::optional<std::string> PendingJournal::setTickFloor(uint32_t floor) {
    floor_ = floor;
    return append(record(kFloor, u32(floor)));
}

void PendingJournal::flush() {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return !dirty_ && obsolete_.empty() && !busy_; });
}

void PendingJournal::worker() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || dirty_ || !obsolete_.empty(); });
        if (!dirty_ && obsolete_.empty()) {
            if (stop_) return;
            continue;
        }
        const std::shared_ptr<File> file = std::exchange(dirty_, nullptr);
        const std::vector<std::string> obsolete = std::exchange(obsolete_, {});
        const bool syncDir = std::exchange(syncDir_, false);
        busy_ = true;
        lock.unlock();
        if (file) ::fdatasync(file->fd);
        if (syncDir) syncFolder(folder_);
        if (!obsolete.empty()) {
            for (const std::string& path : obsolete)
                ::unlink(path.c_str());
            syncFolder(folder_);
        }
        lock.lock();
        busy_ = false;
        done_.notify_all();
    }
}

} // namespace vantor::peer
