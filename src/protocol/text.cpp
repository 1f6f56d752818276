#include "protocol/text.h"

#include <array>
#include <cerrno>
#include <iconv.h>
#include <mutex>

namespace vantor::protocol {

namespace {

std::string convert(std::string_view in, const char* to, const char* from, std::string_view replacement) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
    std::string out;
    out.reserve(in.size() * 2);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buf[1024];
    while (srcLeft > 0) {
        char* dst = buf;
        size_t dstLeft = sizeof buf;
        const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buf, sizeof buf - dstLeft);
        if (rc == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL: replace one byte of input and go on.
            out.append(replacement);
            ++src;
            --srcLeft;
            // Skip UTF-8 continuation bytes of the character we could not convert.
            if (std::string_view(from) == "UTF-8")
                while (srcLeft > 0 && (static_cast<uint8_t>(*src) & 0xC0) == 0x80)
                    ++src, --srcLeft;
        }
    }
    iconv_close(cd);
    return out;
}

constexpr std::array<std::string_view, 11> kStatusUtf8 = {
    "在线",     "忙碌",     "马上回来", "离开", "接听电话", "外出就餐",
    "参加会议", "请勿打扰", "离线",     "隐身", "手机登录",
};

const std::array<std::string, 12>& statusNames() {
    static const std::array<std::string, 12> names = [] {
        std::array<std::string, 12> a;
        for (size_t i = 0; i < kStatusUtf8.size(); ++i)
            a[i] = toGbk(kStatusUtf8[i]);
        return a; // a[11] stays empty: the name of every code above 10
    }();
    return names;
}

} // namespace

std::string toGbk(std::string_view utf8) {
    return convert(utf8, "GBK", "UTF-8", "?");
}
std::string fromGbk(std::string_view gbk) {
    return convert(gbk, "UTF-8", "GBK", "\xEF\xBF\xBD");
}

const std::string& statusName(uint8_t code) {
    const uint8_t c = code & 0x7F;
    return statusNames()[c <= 10 ? c : 11];
}

uint8_t statusCode(std::string_view gbkName) {
    const auto& names = statusNames();
    for (uint8_t i = 0; i <= 10; ++i)
        if (names[i] == gbkName) return i;
    return 0;
}

} // namespace vantor::protocol
