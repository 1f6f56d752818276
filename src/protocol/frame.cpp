#include "protocol/frame.h"

#include "protocol/wire.h"

#include <algorithm>

namespace vantor::protocol {

using wire::loadU32;
using wire::loadU64;
using wire::storeU32;

std::string Message::bytes() const {
    std::string s;
    s.reserve(1 + body.size());
    s.push_back(static_cast<char>(code));
    s.append(body);
    return s;
}

namespace {
std::string header(size_t length) {
    std::string h(kFrameHeaderSize, '\0');
    storeU32(h.data(), kFrameMarker);
    storeU32(h.data() + 4, static_cast<uint32_t>(length));
    return h;
}
} // namespace

std::string frameHeader(uint64_t length) {
    return header(size_t(uint32_t(length)));
}

uint32_t longFrameLength(uint64_t head, uint64_t rest) {
    return uint32_t(1 + head + rest);
}

namespace {
constexpr size_t kPiece = 1 << 20;             // most bytes of a streamed body handed on at once
constexpr uint64_t kInlineContent = 32u << 20; // notice content handed on whole up to this
constexpr LongBody kContentBody{367, 0, false, kInlineContent};
constexpr LongBody kAttachmentBody{280, 272, true, 0};
constexpr LongBody kPostBody{367, 0, true, 0};
} // namespace

const LongBody* receivedLongBody(uint8_t code) {
    switch (static_cast<Cmd>(code)) {
    case Cmd::NoticeContent:
    case Cmd::ExcelNotice:
        return &kContentBody;
    case Cmd::NoticeAttachment:
        return &kAttachmentBody;
    default:
        return nullptr;
    }
}

const LongBody* sentLongBody(uint8_t code) {
    switch (static_cast<Cmd>(code)) {
    case Cmd::NoticePost:
    case Cmd::ExcelNotice:
        return &kPostBody;
    default:
        return nullptr;
    }
}

std::string frameMessage(std::string_view message) {
    if (message.empty() || message.size() > kMaxOrdinaryMessage) return {};
    std::string s = header(message.size());
    s.append(message);
    return s;
}

std::string frameStream(std::string_view stream) {
    std::string s = header(stream.size());
    s.append(stream);
    return s;
}

std::string greeting() {
    std::string g(kGreetingSize, '\0');
    storeU32(g.data(), 1);
    storeU32(g.data() + 4, 20);
    return g;
}

std::string_view countedRecord(std::string_view body) {
    return body.size() >= 4 ? body.substr(4) : body.substr(0, 0);
}

std::string countedBody(std::string_view fixedPart, std::string_view text) {
    std::string s(4, '\0');
    storeU32(s.data(), static_cast<uint32_t>(text.size()));
    s.append(fixedPart);
    s.append(text);
    return s;
}

BodyCheck checkBody(const BodyRule& rule, std::string_view body, uint8_t code) {
    BodyCheck r;
    if (rule.kind == BodyRule::None || rule.kind == BodyRule::Stream) {
        r.error = std::string("no body rule for ") + std::string(codeName(code));
        return r;
    }
    if (body.size() < rule.prefix()) {
        r.needMore = true;
        return r;
    }
    uint32_t count = 0;
    if (rule.hasCount()) {
        count = loadU32(body.data() + rule.countOffset);
        if (count > rule.maxCount) {
            r.error = std::string(codeName(code)) + ": count " + std::to_string(count) + " over its limit " +
                      std::to_string(rule.maxCount);
            return r;
        }
    }
    r.length = rule.total(count);
    if (body.size() < r.length) {
        r.needMore = true;
        return r;
    }
    r.ok = true;
    return r;
}

// ---- client reader ----

ClientStreamReader::ClientStreamReader(bool greeting) : greetingPending_(greeting) {}

void ClientStreamReader::feed(std::string_view bytes) {
    compact();
    buf_.append(bytes);
}

void ClientStreamReader::compact() {
    if (pos_ > 0 && (pos_ >= buf_.size() || pos_ > 65536)) {
        buf_.erase(0, pos_);
        pos_ = 0;
    }
}

ClientStreamReader::Result ClientStreamReader::next(Message& out) {
    if (!error_.empty()) return Result::Error;
    for (;;) {
        std::string_view avail(buf_.data() + pos_, buf_.size() - pos_);
        if (streaming_) {
            out.code = streamCode_;
            if (streamRemaining_ == 0) {
                streaming_ = false;
                out.body.clear();
                out.part = Message::Part::End;
                out.rest = 0;
                return Result::Message;
            }
            if (avail.empty()) return Result::NeedMore;
            const size_t n =
                size_t(std::min<uint64_t>(std::min<uint64_t>(streamRemaining_, avail.size()), kPiece));
            out.body.assign(avail.substr(0, n));
            pos_ += n;
            streamRemaining_ -= n;
            out.part = Message::Part::Piece;
            out.rest = streamRemaining_;
            return Result::Message;
        }
        if (skipRemaining_ > 0) {
            const size_t n = size_t(std::min<uint64_t>(skipRemaining_, avail.size()));
            pos_ += n;
            skipRemaining_ -= n;
            if (skipRemaining_ > 0) return Result::NeedMore;
            continue;
        }
        if (greetingPending_) {
            if (avail.size() < kGreetingSize) return Result::NeedMore;
            pos_ += kGreetingSize;
            greetingPending_ = false;
            continue;
        }
        if (avail.size() < kFrameHeaderSize + 1) return Result::NeedMore;
        const auto code = static_cast<uint8_t>(avail[kFrameHeaderSize]);
        const CodeInfo* info = codeInfo(code);
        if (!info || info->received.kind == BodyRule::None || info->received.kind == BodyRule::Stream) {
            // Unknown to the reader: drop header and code, read on from the next byte.
            pos_ += kFrameHeaderSize + 1;
            ++dropped_;
            continue;
        }
        const std::string_view body = avail.substr(kFrameHeaderSize + 1);
        if (const LongBody* lb = receivedLongBody(code)) {
            if (body.size() < lb->head) return Result::NeedMore;
            const uint64_t rest = loadU64(body.data() + lb->lengthAt);
            out.code = code;
            out.rest = rest;
            if (!lb->streamed && rest <= lb->inlineUpTo) {
                if (body.size() - lb->head < rest) return Result::NeedMore;
                out.body.assign(body.substr(0, size_t(lb->head + rest)));
                out.part = Message::Part::Whole;
                out.rest = 0;
                pos_ += kFrameHeaderSize + 1 + size_t(lb->head + rest);
                return Result::Message;
            }
            pos_ += kFrameHeaderSize + 1 + lb->head;
            if (!lb->streamed) {
                ++skipped_;
                lastSkip_ = std::string(codeName(code)) + " of " + std::to_string(rest) + " bytes skipped";
                skipRemaining_ = rest;
                continue;
            }
            out.body.assign(body.substr(0, lb->head));
            out.part = Message::Part::Head;
            streaming_ = true;
            streamCode_ = code;
            streamRemaining_ = rest;
            return Result::Message;
        }
        const BodyCheck c = checkBody(info->received, body, code);
        if (!c.ok) {
            if (c.needMore) return Result::NeedMore;
            // The count cannot be believed; the frame's own length may still say where it ends.
            const uint32_t marker = loadU32(avail.data());
            const uint32_t length = loadU32(avail.data() + 4);
            if (marker != kFrameMarker || uint64_t(length) < 1 + uint64_t(info->received.prefix())) {
                error_ = c.error;
                return Result::Error;
            }
            ++skipped_;
            lastSkip_ = c.error + ", frame of " + std::to_string(length) + " bytes skipped";
            pos_ += kFrameHeaderSize + 1;
            skipRemaining_ = uint64_t(length) - 1;
            continue;
        }
        out.code = code;
        out.body.assign(body.substr(0, c.length));
        out.part = Message::Part::Whole;
        out.rest = 0;
        pos_ += kFrameHeaderSize + 1 + c.length;
        return Result::Message;
    }
}

// ---- server reader ----

ServerFrameReader::ServerFrameReader(size_t maxMessage, bool greeting)
    : max_(maxMessage), greetingPending_(greeting) {}

void ServerFrameReader::feed(std::string_view bytes) {
    compact();
    buf_.append(bytes);
}

void ServerFrameReader::compact() {
    if (pos_ > 0 && (pos_ >= buf_.size() || pos_ > 65536)) {
        buf_.erase(0, pos_);
        pos_ = 0;
        // One long frame does not keep its room for the rest of the connection.
        if (buf_.empty() && buf_.capacity() > 256 * 1024) buf_.shrink_to_fit();
    }
}

ServerFrameReader::Result ServerFrameReader::next(Message& out) {
    if (!error_.empty()) return Result::Error;
    std::string_view avail(buf_.data() + pos_, buf_.size() - pos_);
    if (greetingPending_) {
        if (avail.size() >= 4 && loadU32(avail.data()) == kFrameMarker) {
            greetingPending_ = false; // no greeting: the first frame follows at once
        } else {
            if (avail.size() < kGreetingSize) return Result::NeedMore;
            if (loadU32(avail.data()) != 1 || loadU32(avail.data() + 4) != 20) {
                error_ = "bad greeting";
                return Result::Error;
            }
            pos_ += kGreetingSize;
            greetingPending_ = false;
            greeted_ = true;
            avail.remove_prefix(kGreetingSize);
        }
    }
    if (streaming_) {
        out.code = streamCode_;
        if (streamRemaining_ == 0) {
            streaming_ = false;
            out.body.clear();
            out.part = Message::Part::End;
            out.rest = 0;
            return Result::Message;
        }
        if (avail.empty()) return Result::NeedMore;
        const size_t n =
            size_t(std::min<uint64_t>(std::min<uint64_t>(streamRemaining_, avail.size()), kPiece));
        out.body.assign(avail.substr(0, n));
        pos_ += n;
        streamRemaining_ -= n;
        out.part = Message::Part::Piece;
        out.rest = streamRemaining_;
        return Result::Message;
    }
    if (avail.size() < kFrameHeaderSize) return Result::NeedMore;
    const uint32_t length = loadU32(avail.data() + 4);
    if (avail.size() > kFrameHeaderSize) {
        const auto code = static_cast<uint8_t>(avail[kFrameHeaderSize]);
        if (const LongBody* lb = sentLongBody(code)) {
            if (avail.size() < kFrameHeaderSize + 1 + lb->head) return Result::NeedMore;
            const std::string_view head = avail.substr(kFrameHeaderSize + 1, lb->head);
            const uint64_t rest = loadU64(head.data() + lb->lengthAt);
            if (rest > maxLong_) {
                error_ = std::string(codeName(code)) + ": " + std::to_string(rest) + " bytes over the limit";
                return Result::Error;
            }
            if (length != longFrameLength(lb->head, rest)) {
                error_ = std::string(codeName(code)) + ": frame length does not match the head";
                return Result::Error;
            }
            out.code = code;
            out.body.assign(head);
            out.part = Message::Part::Head;
            out.rest = rest;
            pos_ += kFrameHeaderSize + 1 + lb->head;
            streaming_ = true;
            streamCode_ = code;
            streamRemaining_ = rest;
            return Result::Message;
        }
    }
    if (length == 0 || length > max_) {
        error_ = "frame length " + std::to_string(length) + " out of range";
        return Result::Error;
    }
    if (avail.size() < kFrameHeaderSize + length) return Result::NeedMore;
    const auto code = static_cast<uint8_t>(avail[kFrameHeaderSize]);
    const std::string_view body = avail.substr(kFrameHeaderSize + 1, length - 1);
    if (const CodeInfo* info = codeInfo(code); info && info->sent.kind == BodyRule::Counted) {
        const BodyCheck c = checkBody(info->sent, body, code);
        if (!c.ok || c.length != body.size()) {
            error_ =
                c.error.empty() ? std::string(codeName(code)) + ": count does not match the frame" : c.error;
            return Result::Error;
        }
    }
    out.code = code;
    out.body.assign(body);
    out.part = Message::Part::Whole;
    out.rest = 0;
    pos_ += kFrameHeaderSize + length;
    return Result::Message;
}

bool decodeDatagram(std::string_view datagram, Message& out, std::string* error) {
    auto fail = [&](std::string e) {
        if (error) *error = std::move(e);
        return false;
    };
    if (datagram.empty()) return fail("empty datagram");
    if (datagram.size() > kMaxDatagram) return fail("datagram too long");
    const auto code = static_cast<uint8_t>(datagram[0]);
    const CodeInfo* info = codeInfo(code);
    if (!info || info->received.kind == BodyRule::None || info->received.kind == BodyRule::Stream)
        return fail("unknown code " + std::to_string(code));
    const std::string_view body = datagram.substr(1);
    const BodyCheck c = checkBody(info->received, body, code);
    if (!c.ok) return fail(c.needMore ? std::string(codeName(code)) + ": short datagram" : c.error);
    out.code = code;
    out.body.assign(body.substr(0, c.length));
    out.part = Message::Part::Whole;
    out.rest = 0;
    return true;
}

} // namespace vantor::protocol
