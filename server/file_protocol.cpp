#include "server/file_protocol.h"

namespace vantor::server {

bool isSafeFileName(std::string_view name) {
    if (name.empty() || name.size() > kMaxFileName || name.front() == '.') return false;
    for (char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                        c == '_' || c == '-' || c == '.';
        if (!ok) return false;
    }
    return true;
}

std::string bigEndian32(int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    return {char(u >> 24), char(u >> 16), char(u >> 8), char(u)};
}

void FileRequestParser::feed(std::string_view bytes) {
    if (pos_ > 0 && pos_ == buf_.size()) {
        buf_.clear();
        pos_ = 0;
    }
    buf_.append(bytes);
}

FileRequestParser::Event FileRequestParser::fail(std::string e) {
    state_ = State::Failed;
    error_ = std::move(e);
    return Event::Error;
}

bool FileRequestParser::takeInt(int32_t& v) {
    if (buf_.size() - pos_ < 4) return false;
    const auto* p = reinterpret_cast<const uint8_t*>(buf_.data() + pos_);
    v = static_cast<int32_t>(uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]);
    pos_ += 4;
    return true;
}

bool FileRequestParser::takeLine(std::string& line, bool& tooLong) {
    const size_t lf = buf_.find('\n', pos_);
    if (lf == std::string::npos) {
        tooLong = buf_.size() - pos_ > kMaxFileLine;
        return false;
    }
    line.assign(buf_, pos_, lf - pos_);
    pos_ = lf + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    tooLong = line.size() > kMaxFileLine;
    return true;
}

FileRequestParser::Event FileRequestParser::next() {
    for (;;) {
        switch (state_) {
        case State::Failed:
            return Event::Error;
        case State::Done:
            if (pos_ < buf_.size()) return fail("bytes after the request");
            return Event::NeedMore;
        case State::Hello: {
            int32_t v = 0;
            if (!takeInt(v)) return Event::NeedMore;
            if (uint32_t(v) != kFileHello) return fail("bad hello");
            state_ = State::Code;
            break;
        }
        case State::Code:
            if (!takeInt(code_)) return Event::NeedMore;
            if (code_ != kFileDownload && code_ != kFileUpload && code_ != kFileDelete)
                return fail("unknown request " + std::to_string(code_));
            state_ = code_ == kFileUpload ? State::Size : State::Line;
            break;
        case State::Size: {
            int32_t v = 0;
            if (!takeInt(v)) return Event::NeedMore;
            if (v < 0 || v > maxUpload_) return fail("upload size " + std::to_string(v) + " refused");
            size_ = remaining_ = v;
            state_ = State::Line;
            break;
        }
        case State::Line: {
            std::string line;
            bool tooLong = false;
            if (!takeLine(line, tooLong)) return tooLong ? fail("request line too long") : Event::NeedMore;
            if (tooLong) return fail("request line too long");
            const std::string_view prefix(kFilePrefix);
            if (line.compare(0, prefix.size(), prefix) != 0) return fail("request line without the folder");
            name_ = line.substr(prefix.size());
            if (!isSafeFileName(name_)) return fail("file name refused");
            if (code_ == kFileUpload) {
                state_ = State::Data;
                return Event::UploadStart;
            }
            state_ = State::Done;
            return code_ == kFileDownload ? Event::Download : Event::Delete;
        }
        case State::Data: {
            if (remaining_ == 0) {
                state_ = State::Done;
                return Event::UploadDone;
            }
            const size_t avail = buf_.size() - pos_;
            if (avail == 0) return Event::NeedMore;
            const size_t n = size_t(std::min<int64_t>(remaining_, int64_t(avail)));
            data_.assign(buf_, pos_, n);
            pos_ += n;
            remaining_ -= int64_t(n);
            return Event::UploadData;
        }
        }
    }
}

} // namespace vantor::server
