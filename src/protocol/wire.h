// Primitive wire encodings shared by every record: little-endian integers, text[N] with its
// length byte, char[N], GUIDs in the Windows layout, date-times as day counts.
//
// A record's layout is written once, as a function template over an "IO" that either writes
// (WireWriter) or reads (WireReader) the same fields in the same order at the same offsets.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

namespace vantor::wire {

using Bytes = std::string; // raw bytes; text is GBK bytes held the same way

// A GUID in the Windows memory layout: 32-, 16-, 16-bit little-endian, then 8 bytes.
struct Guid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    std::array<uint8_t, 8> data4{};

    bool isNull() const;
    // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case.
    std::string toString() const;
    // Accepts the braced or bare 8-4-4-4-12 form in either case; false on anything else.
    static bool fromString(std::string_view text, Guid& out);
    // The 32 hexadecimal digits without braces and dashes, upper case.
    std::string toHex() const;
    std::array<uint8_t, 16> toBytes() const;
    static Guid fromBytes(const uint8_t* p);
    friend bool operator==(const Guid&, const Guid&) = default;
};

// Length in bytes of the longest prefix of `text` of at most `n` bytes that does not split a GBK
// double-byte character. Walks lead bytes (0x81..0xFE start a two-byte character), so trail bytes
// in 0x40..0x7E are never taken for single characters.
size_t gbkCutLength(std::string_view text, size_t n);

// The byte-length text cut of the system: a text longer than n bytes keeps its first n bytes (plus
// the trail byte of a character that straddles the cut, so no character is split) and gets
// `ellipsis` appended; a text of at most n bytes is returned unchanged.
std::string cutText(std::string_view text, size_t n, std::string_view ellipsis = "...");

// Writes a record into a zero-filled buffer of fixed size. Writing past the end is a programming
// error (the layouts are static), so it is checked and ignored rather than overflowing.
class WireWriter {
  public:
    explicit WireWriter(size_t size) : buf_(size, '\0') {}
    static constexpr bool reading = false;

    void u8(uint8_t v) { put(&v, 1); }
    void u16(uint16_t v);
    void u32(uint32_t v);
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void u64(uint64_t v);
    void boolean(bool v) { u8(v ? 1 : 0); }
    void f64(double v);
    // text[N]: a length byte then N bytes; a longer text is cut on a character boundary.
    void text(size_t capacity, const std::string& v);
    // char[N]: exactly N bytes, zero-filled after the text.
    void chars(size_t n, const std::string& v);
    void guid(const Guid& g);
    void raw(size_t n, const std::string& v) { chars(n, v); }
    void skip(size_t n) { pos_ += n; }
    size_t offset() const { return pos_; }
    void seek(size_t pos) { pos_ = pos; }

    const Bytes& bytes() const& { return buf_; }
    Bytes bytes() && { return std::move(buf_); }

  private:
    void put(const void* p, size_t n);
    Bytes buf_;
    size_t pos_ = 0;
};

// Reads a record from received bytes. Never reads past the end: a short input leaves the missing
// fields zero and sets `short_`.
class WireReader {
  public:
    explicit WireReader(std::string_view data) : data_(data) {}
    static constexpr bool reading = true;

    void u8(uint8_t& v) { get(&v, 1); }
    void u16(uint16_t& v);
    void u32(uint32_t& v);
    void i32(int32_t& v);
    void u64(uint64_t& v);
    void boolean(bool& v);
    void f64(double& v);
    // text[N]: the length byte is clamped to N.
    void text(size_t capacity, std::string& v);
    // char[N]: the N bytes up to the first zero byte.
    void chars(size_t n, std::string& v);
    void guid(Guid& g);
    // n raw bytes, kept whole (zeros included).
    void raw(size_t n, std::string& v);
    void skip(size_t n) { pos_ += n; }
    size_t offset() const { return pos_; }
    void seek(size_t pos) { pos_ = pos; }
    bool truncated() const { return short_; }

  private:
    void get(void* p, size_t n);
    std::string_view data_;
    size_t pos_ = 0;
    bool short_ = false;
};

// Little-endian loads and stores for code that works on raw buffers.
inline uint32_t loadU32(const void* p) {
    const auto* b = static_cast<const uint8_t*>(p);
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}
inline void storeU32(void* p, uint32_t v) {
    auto* b = static_cast<uint8_t*>(p);
    b[0] = uint8_t(v);
    b[1] = uint8_t(v >> 8);
    b[2] = uint8_t(v >> 16);
    b[3] = uint8_t(v >> 24);
}
inline uint64_t loadU64(const void* p) {
    const auto* b = static_cast<const uint8_t*>(p);
    return uint64_t(loadU32(b)) | uint64_t(loadU32(b + 4)) << 32;
}
inline void storeU64(void* p, uint64_t v) {
    storeU32(p, uint32_t(v));
    storeU32(static_cast<uint8_t*>(p) + 4, uint32_t(v >> 32));
}
inline uint16_t loadU16(const void* p) {
    const auto* b = static_cast<const uint8_t*>(p);
    return uint16_t(b[0] | b[1] << 8);
}

// Encodes a record whose layout is `template <class IO, class Self> static void layout(IO&, Self&)`
// into a zero-filled buffer of R::kSize bytes. Self is `const R` when writing and `R` when reading.
template <class R>
Bytes encode(const R& r) {
    WireWriter w(R::kSize);
    R::layout(w, r);
    return std::move(w).bytes();
}

// Decodes a record from `data`; returns false when fewer than R::kSize bytes arrived.
template <class R>
bool decode(std::string_view data, R& r) {
    r = R{};
    WireReader rd(data);
    R::layout(rd, r);
    return !rd.truncated() && data.size() >= R::kSize;
}

} // namespace vantor::wire
