#include "protocol/frame.h"

#include "protocol/wire.h"

#include <algorithm>

namespace vantor::protocol {

using wire::loadU32;
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
    if (avail.size() < kFrameHeaderSize) return Result::NeedMore;
    const uint32_t length = loadU32(avail.data() + 4);
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
    return true;
}

} // namespace vantor::protocol
