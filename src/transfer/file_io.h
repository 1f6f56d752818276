// The file work of one transfer, done on a thread of its own so that the UI thread never reads,
// writes, hashes or copies a file: the sender's file opened and hashed, its blocks read on demand;
// the receiver's cache file (block map then data) opened or resumed, blocks written, the finished
// data checked and moved into place. Every call runs on the worker's thread; results go back to
// the UI thread as queued calls made by the caller.
#pragma once

#include <QFile>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vantor::transfer {

// The first four bytes of an MD5 (little-endian), never 0 (0 means "not known").
uint32_t contentTagOf(const uint8_t* md5);

// A name from a peer made into a plain file name: its last path component (after '/' or '\'),
// control characters replaced; "." and ".." and empty names become "file".
QString plainFileName(const QString& offered);
// `folder`/`name`, or "name (1).ext", "name (2).ext", … when that exists.
QString freePath(const QString& folder, const QString& name);

class FileIo {
  public:
    FileIo() = default;
    ~FileIo();
    FileIo(const FileIo&) = delete;
    FileIo& operator=(const FileIo&) = delete;

    // Set from any thread: long work (hashing, moving) gives up at its next piece.
    std::atomic<bool> stopRequested{false};

    // ---- sender ----
    struct Opened {
        bool ok = false;
        uint64_t size = 0;
        uint32_t tag = 0;
    };
    // Opens the file for reading (others may read it too) and hashes it.
    Opened openForSending(const QString& path);
    struct Block {
        uint32_t index = 0;
        std::string data; // empty: the read failed
    };
    std::vector<Block> read(const std::vector<uint32_t>& blocks, uint64_t size);

    // ---- receiver ----
    struct Cache {
        bool ok = false;
        bool resumed = false;
        std::string map; // "0"/"1" per block (files only)
        QString error;
    };
    // Opens the cache file `path` for `size` bytes: a file keeps its block map in front of the
    // data. An existing cache is resumed only when its companion names the same sender and
    // content tag; otherwise it starts afresh.
    Cache openCache(const QString& path, uint64_t size, bool picture, uint32_t senderId, uint32_t tag);
    // Writes a block's data and, for files, marks it in the map. False on a write error.
    bool write(uint64_t position, const std::string& data, int64_t block);
    // Rewrites the whole map as missing (a finished file did not match its tag).
    bool resetMap();
    // The tag of the data as cached (0 when it cannot be read).
    uint32_t dataTag();
    struct Moved {
        bool ok = false;
        QString path;  // where the file landed
        QString error; // the system's text
    };
    // Copies the data into a new file in `folder` under `name` (or a free variant of it) and, when
    // it is in place, deletes the cache. The copy is made under a temporary name first, so a
    // failure never leaves a partial file under the final name. `overwriteSame`: an existing file
    // of that name is the same content (pictures are named by their digest) and is kept.
    Moved move(const QString& folder, const QString& name, bool keepExisting);
    void closeCache();

  private:
    QFile file_;
    QString cachePath_;
    uint64_t size_ = 0;
    uint64_t dataOffset_ = 0;
    bool picture_ = false;
    uint32_t blocks_ = 0;
};

} // namespace vantor::transfer
