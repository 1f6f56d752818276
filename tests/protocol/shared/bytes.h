// Builds byte strings by hand for the record tests: little-endian integers, text[N], raw bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantor::testbytes {

struct Bytes {
    std::string s;
    Bytes& u8(uint8_t v) {
        s.push_back(char(v));
        return *this;
    }
    Bytes& u32(uint32_t v) {
        for (int i = 0; i < 4; ++i)
            s.push_back(char(v >> (8 * i)));
        return *this;
    }
    Bytes& text(size_t capacity, std::string_view t) {
        s.push_back(char(t.size()));
        s.append(t);
        s.append(capacity - t.size(), '\0');
        return *this;
    }
    Bytes& raw(std::string_view r) {
        s.append(r);
        return *this;
    }
    Bytes& zeros(size_t n) {
        s.append(n, '\0');
        return *this;
    }
};

} // namespace vantor::testbytes
