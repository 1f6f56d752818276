// The TCP frame (20-byte header in front of every message), the 40-byte connection greeting, and
// incremental readers that turn whatever bytes arrived into whole messages, in order.
#pragma once

#include "protocol/codes.h"

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace vantor::protocol {

inline constexpr uint32_t kFrameMarker = 1001;
inline constexpr size_t kFrameHeaderSize = 20;
inline constexpr size_t kGreetingSize = 40;
inline constexpr size_t kOrdinaryBufferSize = 2048;
inline constexpr size_t kMaxOrdinaryMessage = kOrdinaryBufferSize - kFrameHeaderSize; // 2028
inline constexpr size_t kMaxDatagram = 2048;

// One message: the code byte and everything after it. For counted codes the body starts with the
// 32-bit count, exactly as on the wire, so a relayed message can be forwarded unchanged.
struct Message {
    // Bodies that may be larger than memory (a notice stream, an attachment) arrive in parts: the
    // head (with `rest`, the 64-bit count of body bytes after it), pieces of the rest in order,
    // then an empty end. Every other message is whole.
    enum class Part : uint8_t { Whole, Head, Piece, End };

    uint8_t code = 0;
    std::string body;
    Part part = Part::Whole;
    uint64_t rest = 0;

    Cmd cmd() const { return static_cast<Cmd>(code); }
    // Code byte plus body: what follows the frame header, and what a datagram carries.
    std::string bytes() const;
};

// Header plus message, ready for one write. The ordinary path refuses messages over 2028 bytes
// (returns an empty string); the stream path has no such limit.
std::string frameMessage(std::string_view message);
std::string frameStream(std::string_view stream);
inline std::string frameMessage(const Message& m) {
    return frameMessage(m.bytes());
}

// The greeting the client writes right after connecting: 1, 20, three zeros, twenty zero bytes.
std::string greeting();

// A counted message's record (the bytes after the leading 32-bit count).
std::string_view countedRecord(std::string_view body);
// Builds the body of a counted message from its fixed record part and its text.
std::string countedBody(std::string_view fixedPart, std::string_view text);

// A body whose length is given by a 64-bit field of its head rather than by the frame: `head`
// bytes, the field at `lengthAt`, then that many bytes. `inlineUpTo`: a rest of at most this many
// bytes is handed on whole; a longer one is streamed in parts when `streamed`, else skipped whole.
struct LongBody {
    uint32_t head = 0;
    uint32_t lengthAt = 0;
    bool streamed = false;
    uint64_t inlineUpTo = 0;
};
// As the client receives the code (notice content, a spreadsheet notice, an attachment), and as
// the server receives it (a posted notice, a spreadsheet notice: always streamed).
const LongBody* receivedLongBody(uint8_t code);
const LongBody* sentLongBody(uint8_t code);
// The frame header's length field for a long body: the low 32 bits of code + head + rest, which
// is what a reader of the field alone would have to take.
uint32_t longFrameLength(uint64_t head, uint64_t rest);
// The header alone, for a message whose code + body of `length` bytes follows in parts.
std::string frameHeader(uint64_t length);

// Incremental reader for what a client receives from the server. The body length comes from the
// code alone. A code the table does not know is dropped without reading further (the next 20 bytes
// are taken as the next header). A count beyond its code's cap leaves the message unread: when its
// frame header is a real one (marker 1001) whose length covers what was read so far, the whole
// frame is skipped by that length and noted in skipped(); otherwise the stream can no longer be
// followed, the reader stops for good and the connection must be closed. Long bodies
// (receivedLongBody) go by their 64-bit length: a large attachment comes in parts and is never
// held whole, large notice content is skipped whole; neither ends the connection.
class ClientStreamReader {
  public:
    enum class Result { NeedMore, Message, Error };

    // With `greeting`, the first 40 bytes (the server's answer to our greeting) are skipped.
    explicit ClientStreamReader(bool greeting = true);

    void feed(std::string_view bytes);
    // Takes the next complete message into `out`.
    Result next(Message& out);
    const std::string& error() const { return error_; }
    // Bytes held but not yet consumed.
    size_t buffered() const { return buf_.size() - pos_; }
    // Number of unknown codes dropped so far.
    uint64_t dropped() const { return dropped_; }
    // Number of frames skipped whole for a count over its cap, and why the last one was.
    uint64_t skipped() const { return skipped_; }
    const std::string& lastSkip() const { return lastSkip_; }
    // True once the server's 40-byte answer to our greeting has been read (or none was expected).
    bool greetingDone() const { return !greetingPending_; }

  private:
    std::string buf_;
    size_t pos_ = 0;
    bool greetingPending_;
    std::string error_;
    uint64_t dropped_ = 0;
    uint64_t skipped_ = 0;
    uint64_t skipRemaining_ = 0;   // bytes of a skipped frame still to come
    uint64_t streamRemaining_ = 0; // bytes of a streamed body still to come
    uint8_t streamCode_ = 0;
    bool streaming_ = false;
    std::string lastSkip_;
    void compact();
};

// Incremental reader for what the server receives from a client: frames are cut by the header's
// length field (the stream path has no other length), which must be between 1 and `maxMessage`.
// Counted bodies are checked against their caps. Bad input is an error for the connection.
// Long bodies (sentLongBody) go by their 64-bit length, which may be up to `maxLongBody`, and
// come in parts (head, pieces, end); their frame length must be longFrameLength of it.
class ServerFrameReader {
  public:
    enum class Result { NeedMore, Message, Error };
    explicit ServerFrameReader(size_t maxMessage = 64 * 1024 * 1024, bool greeting = true);
    void setMaxLongBody(uint64_t bytes) { maxLong_ = bytes; }

    void feed(std::string_view bytes);
    Result next(Message& out);
    const std::string& error() const { return error_; }
    bool greetingDone() const { return !greetingPending_; }
    // True when the connection began with the greeting; false when it began with a frame at once
    // (a client that came through an HTTP proxy sends no greeting and expects no answer).
    bool greeted() const { return greeted_; }
    size_t buffered() const { return buf_.size() - pos_; }

  private:
    std::string buf_;
    size_t pos_ = 0;
    size_t max_;
    bool greetingPending_;
    bool greeted_ = false;
    std::string error_;
    uint64_t maxLong_ = uint64_t(64) << 30;
    uint64_t streamRemaining_ = 0;
    uint8_t streamCode_ = 0;
    bool streaming_ = false;
    void compact();
};

// Checks a received body against a rule; returns the body length the rule wants (0 with an error
// text when it does not fit). `available` is how many body bytes there are.
struct BodyCheck {
    bool ok = false;
    bool needMore = false;
    uint64_t length = 0;
    std::string error;
};
BodyCheck checkBody(const BodyRule& rule, std::string_view body, uint8_t code);

// Decodes a datagram (code byte plus body) as the client receives it. A datagram shorter than its
// code's body, with an unknown code, or with a count over its cap is refused. Extra trailing bytes
// are cut off.
bool decodeDatagram(std::string_view datagram, Message& out, std::string* error = nullptr);

} // namespace vantor::protocol
