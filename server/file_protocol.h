// The offline-file protocol as the file server reads it: the big-endian hello 94375979, then one
// request — download 1000 (line), upload 1001 (size, line, bytes) or delete 1002 (line). Lines end
// with LF (a CR before it is dropped) and carry "OfflineFile\" and the file's name. Plain C++.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantor::server {

inline constexpr uint32_t kFileHello = 94375979;
inline constexpr int32_t kFileDownload = 1000;
inline constexpr int32_t kFileUpload = 1001;
inline constexpr int32_t kFileDelete = 1002;
inline constexpr size_t kMaxFileLine = 512;
inline constexpr size_t kMaxFileName = 80;
inline constexpr char kFilePrefix[] = "OfflineFile\\";

// A name on the file server: 1 to 80 characters of letters, digits, '_', '-' and '.', not
// starting with '.', so it can never leave the server's folder.
bool isSafeFileName(std::string_view name);

std::string bigEndian32(int32_t v);

class FileRequestParser {
  public:
    enum class Event {
        NeedMore,
        Download,    // name()
        Delete,      // name()
        UploadStart, // name(), size()
        UploadData,  // data(): the next bytes of the upload
        UploadDone,  // every byte of the upload arrived
        Error,       // error(): the connection must be closed
    };

    // Uploads larger than `maxUpload` bytes are refused.
    explicit FileRequestParser(int64_t maxUpload = INT32_MAX) : maxUpload_(maxUpload) {}

    void feed(std::string_view bytes);
    Event next();

    const std::string& name() const { return name_; }
    int64_t size() const { return size_; }
    const std::string& data() const { return data_; }
    const std::string& error() const { return error_; }
    // True once the request has been read whole; any later byte is an error.
    bool finished() const { return state_ == State::Done; }

  private:
    enum class State { Hello, Code, Size, Line, Data, Done, Failed };
    Event fail(std::string e);
    bool takeInt(int32_t& v);
    bool takeLine(std::string& line, bool& tooLong);
    std::string buf_;
    size_t pos_ = 0;
    State state_ = State::Hello;
    int32_t code_ = 0;
    int64_t size_ = 0;
    int64_t remaining_ = 0;
    int64_t maxUpload_;
    std::string name_;
    std::string data_;
    std::string error_;
};

} // namespace vantor::server
