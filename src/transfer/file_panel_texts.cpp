#include "transfer/file_panel_texts.h"

#include "protocol/datetime.h"
#include "protocol/text.h"
#include "protocol/wire.h"

#include <cstdio>

namespace vantor::transfer {

namespace {
std::string withUnit(const char* format, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}
} // namespace

std::string panelSizeText(uint64_t bytes) {
    if (bytes < 1024) return std::to_string(bytes);
    if (bytes < 1048576) return withUnit("%.2fK", double(bytes) / 1024);
    return withUnit("%.2fM", double(bytes) / 1048576);
}

std::string listSizeText(uint64_t bytes) {
    if (bytes < 1024) return std::to_string(bytes);
    if (bytes < 1048576) return withUnit("%.1fK", double(bytes) / 1024);
    return withUnit("%.1fM", double(bytes) / 1048576);
}

std::string panelNameText(std::string_view gbkPath, size_t n) {
    const size_t cut = gbkPath.find_last_of("/\\");
    const std::string_view name = cut == std::string_view::npos ? gbkPath : gbkPath.substr(cut + 1);
    return wire::cutText(name, n);
}

std::string listFileText(std::string_view gbkName, uint64_t size) {
    const std::string text =
        std::string(gbkName) + protocol::toGbk("（") + listSizeText(size) + protocol::toGbk("）");
    return wire::cutText(text, kListNameBytes);
}

std::string offerTimeHint(double dayCount) {
    const protocol::LocalTime t = protocol::localFromDayCount(dayCount);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d-%02d %02d:%02d", t.month % 100, t.day % 100, t.hour % 100,
                  t.minute % 100);
    return buf;
}

} // namespace vantor::transfer
