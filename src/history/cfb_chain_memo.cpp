#include "history/cfb_chain_memo.h"

#include <atomic>
#include <cerrno>
#include <mutex>
#include <sys/inotify.h>
#include <unistd.h>

namespace vantor::history::cfb {

namespace {

constexpr uint32_t kWatched = IN_MODIFY | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;

struct Kept {
    FileStamp stamp;
    ChainMemos memos;
    int watch = -1;
    bool changed = false; // inotify reported a change since it was kept
};

class Memory {
  public:
    ChainMemos recall(const std::filesystem::path& path, const FileStamp& now) {
        std::lock_guard lock(mutex_);
        if (!ready()) return {};
        collect();
        const auto it = files_.find(path);
        if (it == files_.end()) return {};
        if (it->second.changed || !(it->second.stamp == now)) {
            forget(it);
            return {};
        }
        return it->second.memos;
    }

    void keep(const std::filesystem::path& path, const FileStamp& stamp, ChainMemos memos) {
        std::lock_guard lock(mutex_);
        if (!ready()) return;
        collect(); // what is pending now is this process's own writes (it holds the lock)
        auto it = files_.find(path);
        if (it == files_.end()) {
            if (files_.size() >= 16) forget(files_.begin());
            const int watch = ::inotify_add_watch(notify_, path.c_str(), kWatched);
            if (watch < 0) return;
            it = files_.emplace(path, Kept{}).first;
            it->second.watch = watch;
        }
        for (auto& [p, kept] : files_)
            if (p != path && kept.watch == it->second.watch) kept.changed = true; // same file, other name
        it->second.stamp = stamp;
        it->second.memos = std::move(memos);
        it->second.changed = false;
    }

    void forgetPath(const std::filesystem::path& path) {
        std::lock_guard lock(mutex_);
        if (const auto it = files_.find(path); it != files_.end()) forget(it);
    }

  private:
    // One inotify instance for the process; a child after fork() starts over with its own (the
    // inherited descriptor is shared with the parent and never read here).
    bool ready() {
        if (notify_ >= 0 && owner_ == ::getpid()) return true;
        files_.clear();
        notify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        owner_ = ::getpid();
        return notify_ >= 0;
    }

    // Marks every file that inotify reports changed; an overflow or a read error marks them all.
    void collect() {
        alignas(struct inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(notify_, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
            if (n <= 0) {
                for (auto& [p, kept] : files_)
                    kept.changed = true;
                return;
            }
            for (ssize_t at = 0; at + ssize_t(sizeof(struct inotify_event)) <= n;) {
                const auto* e = reinterpret_cast<const struct inotify_event*>(buffer + at);
                for (auto& [p, kept] : files_)
                    if ((e->mask & IN_Q_OVERFLOW) || e->wd == kept.watch) kept.changed = true;
                at += ssize_t(sizeof(struct inotify_event) + e->len);
            }
        }
    }

    void forget(std::map<std::filesystem::path, Kept>::iterator it) {
        const int watch = it->second.watch;
        files_.erase(it);
        for (const auto& [p, kept] : files_)
            if (kept.watch == watch) return; // the same file under another name still uses it
        if (watch >= 0) ::inotify_rm_watch(notify_, watch);
    }

    std::mutex mutex_;
    int notify_ = -1;
    pid_t owner_ = 0;
    std::map<std::filesystem::path, Kept> files_;
};

Memory& memory() {
    static Memory* m = new Memory; // never destroyed: stores may close during exit
    return *m;
}

int64_t nanoseconds(const struct timespec& t) {
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

} // namespace

FileStamp stampOf(const struct stat& st, const std::array<uint8_t, 512>& header) {
    FileStamp s;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = st.st_size;
    s.modified = nanoseconds(st.st_mtim);
    s.changed = nanoseconds(st.st_ctim);
    s.header = header;
    return s;
}

ChainMemos recallChains(const std::filesystem::path& path, const FileStamp& now) {
    return memory().recall(path, now);
}

void keepChains(const std::filesystem::path& path, const FileStamp& stamp, ChainMemos memos) {
    memory().keep(path, stamp, std::move(memos));
}

void forgetChains(const std::filesystem::path& path) {
    memory().forgetPath(path);
}

namespace {
std::atomic<uint64_t> recalledCount{0};
}

uint64_t chainsRecalled() {
    return recalledCount.load();
}

void noteChainRecalled() {
    ++recalledCount;
}

} // namespace vantor::history::cfb
