// A buffer of n zero bytes that the record tests fill at the offsets of the record tables.
#pragma once

#include "protocol/wire.h"

#include <cstdint>
#include <string>

namespace vantor::protocol::handbytes {

struct Bytes {
    std::string b;
    explicit Bytes(size_t n) : b(n, '\0') {}
    Bytes& u8(size_t off, uint8_t v) {
        b[off] = char(v);
        return *this;
    }
    Bytes& u32(size_t off, uint32_t v) {
        wire::storeU32(b.data() + off, v);
        return *this;
    }
    Bytes& u64(size_t off, uint64_t v) {
        wire::storeU64(b.data() + off, v);
        return *this;
    }
    Bytes& text(size_t off, const std::string& t) {
        b[off] = char(t.size());
        b.replace(off + 1, t.size(), t);
        return *this;
    }
    Bytes& raw(size_t off, const std::string& t) {
        b.replace(off, t.size(), t);
        return *this;
    }
};

} // namespace vantor::protocol::handbytes
