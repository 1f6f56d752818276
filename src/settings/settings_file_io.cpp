#include "settings/settings_file_io.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantor::settings {
namespace {

class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(size_t(n));
    }
    return true;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Opens a fresh temporary file next to `path`: ".<name>.<pid>.<n>.tmp", created exclusively.
int openTemporary(const std::string& path, std::string& tmpPath) {
    static std::atomic<unsigned> counter{0};
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        tmpPath =
            folder + "." + name + "." + std::to_string(::getpid()) + "." + std::to_string(counter++) + ".tmp";
        // Owner only: the settings files hold the remembered password and the account's choices.
        const int fd = ::open(tmpPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Writes `content` to a new temporary file beside `path`, flushed to disk. Empty path on failure.
std::string writeTemporary(const std::string& path, std::string_view content, WriteFault fault,
                           const struct stat* keepMode) {
    std::string tmpPath;
    Fd fd(openTemporary(path, tmpPath));
    if (fd.get() < 0) return {};
    bool ok = keepMode == nullptr || ::fchmod(fd.get(), keepMode->st_mode & 07777) == 0;
    if (fault == WriteFault::ShortWrite) {
        (void)writeAll(fd.get(), content.substr(0, content.size() / 2));
        ok = false;
    }
    ok = ok && writeAll(fd.get(), content);
    ok = ok && fault != WriteFault::Sync && ::fsync(fd.get()) == 0;
    ok = fd.close() && ok;
    if (!ok) {
        ::unlink(tmpPath.c_str());
        return {};
    }
    return tmpPath;
}

void syncFolder(const std::string& path) {
    Fd dir(::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) (void)::fsync(dir.get()); // best effort: the rename itself is already atomic
}

} // namespace

ReadStatus readWholeFile(const std::string& path, std::string& out) {
    out.clear();
    // O_NONBLOCK: a FIFO planted under a settings name must not hang the client.
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0)
        return (errno == ENOENT || errno == ENOTDIR) ? ReadStatus::Missing : ReadStatus::Unusable;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
        uint64_t(st.st_size) > kMaxSettingsFileBytes)
        return ReadStatus::Unusable;
    out.resize(size_t(st.st_size));
    size_t got = 0;
    while (got <= kMaxSettingsFileBytes) {
        if (got == out.size())
            out.resize(std::min(got + 4096, kMaxSettingsFileBytes + 1)); // it grew meanwhile
        const ssize_t n = ::read(fd.get(), out.data() + got, out.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return ReadStatus::Unusable;
        if (n == 0) break;
        got += size_t(n);
    }
    if (got > kMaxSettingsFileBytes) return ReadStatus::Unusable;
    out.resize(got);
    return ReadStatus::Ok;
}

bool replaceWholeFile(const std::string& path, std::string_view content, WriteFault fault) {
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    const std::string tmpPath = writeTemporary(path, content, fault, exists ? &st : nullptr);
    if (tmpPath.empty()) return false;
    if (fault == WriteFault::Rename || ::rename(tmpPath.c_str(), path.c_str()) != 0) {
        ::unlink(tmpPath.c_str());
        return false;
    }
    syncFolder(path);
    return true;
}

bool createWholeFile(const std::string& path, std::string_view content) {
    const std::string tmpPath = writeTemporary(path, content, WriteFault::None, nullptr);
    if (tmpPath.empty()) return false;
    // link() publishes the finished file under its name and fails when the name is taken.
    bool created = ::link(tmpPath.c_str(), path.c_str()) == 0;
    if (!created && errno != EEXIST) {
        // A file system without hard links: fall back to a rename when the name is still free.
        struct stat st {};
        created = ::lstat(path.c_str(), &st) != 0 && errno == ENOENT &&
                  ::rename(tmpPath.c_str(), path.c_str()) == 0;
    }
    ::unlink(tmpPath.c_str());
    if (created) syncFolder(path);
    return created;
}

} // namespace vantor::settings
