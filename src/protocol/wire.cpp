#include "protocol/wire.h"

#include <cstdio>

namespace vantor::wire {

namespace {
constexpr char kHexUpper[] = "0123456789ABCDEF";

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
} // namespace

bool Guid::isNull() const {
    return data1 == 0 && data2 == 0 && data3 == 0 && data4 == std::array<uint8_t, 8>{};
}

std::array<uint8_t, 16> Guid::toBytes() const {
    std::array<uint8_t, 16> b{};
    storeU32(b.data(), data1);
    b[4] = uint8_t(data2);
    b[5] = uint8_t(data2 >> 8);
    b[6] = uint8_t(data3);
    b[7] = uint8_t(data3 >> 8);
    std::memcpy(b.data() + 8, data4.data(), 8);
    return b;
}

Guid Guid::fromBytes(const uint8_t* p) {
    Guid g;
    g.data1 = loadU32(p);
    g.data2 = loadU16(p + 4);
    g.data3 = loadU16(p + 6);
    std::memcpy(g.data4.data(), p + 8, 8);
    return g;
}

std::string Guid::toHex() const {
    // Text order: data1, data2, data3 as numbers, then data4 byte by byte.
    std::string s;
    s.reserve(32);
    auto put = [&](uint64_t v, int digits) {
        for (int i = digits - 1; i >= 0; --i)
            s.push_back(kHexUpper[(v >> (4 * i)) & 0xF]);
    };
    put(data1, 8);
    put(data2, 4);
    put(data3, 4);
    for (uint8_t b : data4)
        put(b, 2);
    return s;
}

std::string Guid::toString() const {
    const std::string h = toHex();
    return "{" + h.substr(0, 8) + "-" + h.substr(8, 4) + "-" + h.substr(12, 4) + "-" + h.substr(16, 4) + "-" +
           h.substr(20, 12) + "}";
}

bool Guid::fromString(std::string_view text, Guid& out) {
    if (text.size() == 38 && text.front() == '{' && text.back() == '}') text = text.substr(1, 36);
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
        return false;
    std::string hex;
    for (char c : text)
        if (c != '-') hex.push_back(c);
    if (hex.size() != 32) return false;
    uint8_t v[16];
    for (int i = 0; i < 16; ++i) {
        const int hi = hexValue(hex[2 * i]), lo = hexValue(hex[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        v[i] = uint8_t(hi << 4 | lo);
    }
    Guid g;
    g.data1 = uint32_t(v[0]) << 24 | uint32_t(v[1]) << 16 | uint32_t(v[2]) << 8 | v[3];
    g.data2 = uint16_t(v[4] << 8 | v[5]);
    g.data3 = uint16_t(v[6] << 8 | v[7]);
    std::memcpy(g.data4.data(), v + 8, 8);
    out = g;
    return true;
}

size_t gbkCutLength(std::string_view text, size_t n) {
    if (text.size() <= n) return text.size();
    size_t i = 0;
    while (i < n) {
        const auto c = static_cast<uint8_t>(text[i]);
        const size_t width = (c >= 0x81 && c <= 0xFE && i + 1 < text.size()) ? 2 : 1;
        if (i + width > n) break;
        i += width;
    }
    return i;
}

std::string cutText(std::string_view text, size_t n, std::string_view ellipsis) {
    if (text.size() <= n) return std::string(text);
    // Keep a character that straddles the cut whole.
    size_t keep = gbkCutLength(text, n);
    if (keep < n) keep = gbkCutLength(text, n + 1);
    std::string out(text.substr(0, keep));
    out.append(ellipsis);
    return out;
}

// ---- writer ----

void WireWriter::put(const void* p, size_t n) {
    if (pos_ <= buf_.size() && n <= buf_.size() - pos_) std::memcpy(buf_.data() + pos_, p, n);
    pos_ += n;
}

void WireWriter::u16(uint16_t v) {
    const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
    put(b, 2);
}

void WireWriter::u32(uint32_t v) {
    uint8_t b[4];
    storeU32(b, v);
    put(b, 4);
}

void WireWriter::u64(uint64_t v) {
    uint8_t b[8];
    storeU64(b, v);
    put(b, 8);
}

void WireWriter::f64(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    u64(bits);
}

void WireWriter::text(size_t capacity, const std::string& v) {
    const size_t len = gbkCutLength(v, std::min<size_t>(capacity, 255));
    u8(static_cast<uint8_t>(len));
    const size_t start = pos_;
    put(v.data(), len);
    pos_ = start + capacity;
}

void WireWriter::chars(size_t n, const std::string& v) {
    const size_t start = pos_;
    put(v.data(), std::min(n, v.size()));
    pos_ = start + n;
}

void WireWriter::guid(const Guid& g) {
    const auto b = g.toBytes();
    put(b.data(), b.size());
}

// ---- reader ----

void WireReader::get(void* p, size_t n) {
    if (pos_ <= data_.size() && n <= data_.size() - pos_) {
        std::memcpy(p, data_.data() + pos_, n);
    } else {
        std::memset(p, 0, n);
        short_ = true;
    }
    pos_ += n;
}

void WireReader::u16(uint16_t& v) {
    uint8_t b[2];
    get(b, 2);
    v = loadU16(b);
}

void WireReader::u32(uint32_t& v) {
    uint8_t b[4];
    get(b, 4);
    v = loadU32(b);
}

void WireReader::i32(int32_t& v) {
    uint32_t u;
    u32(u);
    v = static_cast<int32_t>(u);
}

void WireReader::u64(uint64_t& v) {
    uint8_t b[8];
    get(b, 8);
    v = loadU64(b);
}

void WireReader::boolean(bool& v) {
    uint8_t b;
    u8(b);
    v = b != 0;
}

void WireReader::f64(double& v) {
    uint64_t bits;
    u64(bits);
    std::memcpy(&v, &bits, 8);
}

void WireReader::text(size_t capacity, std::string& v) {
    uint8_t len = 0;
    u8(len);
    const size_t n = std::min<size_t>(len, capacity);
    v.clear();
    if (pos_ <= data_.size()) v.assign(data_.substr(pos_, std::min(n, data_.size() - pos_)));
    if (pos_ > data_.size() || data_.size() - pos_ < capacity) short_ = true;
    pos_ += capacity;
}

void WireReader::chars(size_t n, std::string& v) {
    raw(n, v);
    const auto z = v.find('\0');
    if (z != std::string::npos) v.resize(z);
}

void WireReader::raw(size_t n, std::string& v) {
    v.clear();
    if (pos_ <= data_.size()) v.assign(data_.substr(pos_, std::min(n, data_.size() - pos_)));
    if (v.size() < n) short_ = true;
    pos_ += n;
}

void WireReader::guid(Guid& g) {
    uint8_t b[16];
    get(b, 16);
    g = Guid::fromBytes(b);
}

} // namespace vantor::wire
