// What the chain walks of one open learned, kept for the next open of the same file in this
// process: where each long stream's chain ends and every 64th sector of it. A long conversation's
// last page or an append to it then reads a few FAT entries instead of its whole chain.
//
// Trusted only while nobody else can have written the file since: the memo is keyed to the file's
// identity (device, inode) and its generation — size, modification and change times as fstat()
// gives them, the header's 512 bytes, and no change reported by inotify since this process last
// closed the file. Any difference, or any doubt, and the memo is dropped and the chains walked
// again. It is kept only by opens that take the lock and end on a commit (or change nothing).
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <vector>

namespace vantor::history::cfb {

struct ChainMemo {
    uint32_t start = 0;
    uint64_t size = 0;
    size_t length = 0; // sectors in the chain
    uint32_t last = 0;
    std::vector<uint32_t> marks; // the sectors at 0, 64, 128, ...
};
using ChainMemos = std::map<uint32_t, ChainMemo>; // by directory entry

struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    int64_t modified = 0, changed = 0; // nanoseconds
    std::array<uint8_t, 512> header{};
    bool operator==(const FileStamp&) const = default;
};
FileStamp stampOf(const struct stat& st, const std::array<uint8_t, 512>& header);

// The memos kept for the file at `path` when its stamp is still `now` and nothing has changed it
// since; otherwise none (and what was kept is forgotten).
ChainMemos recallChains(const std::filesystem::path& path, const FileStamp& now);
// Keeps memos for the next open; `stamp` is the file as this open leaves it (taken before closing,
// under the lock). Changes the process itself made until now are not reported by inotify later.
void keepChains(const std::filesystem::path& path, const FileStamp& stamp, ChainMemos memos);
// Forgets what is kept for a file (a failed open or operation).
void forgetChains(const std::filesystem::path& path);
// How many streams took their chain from a memo in this process so far (tests, measurements).
uint64_t chainsRecalled();
void noteChainRecalled();

} // namespace vantor::history::cfb
