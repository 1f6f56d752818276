#include "services/reminder.h"

namespace vantor::services {

std::optional<std::string> reminderText(int32_t remindKind) {
    switch (remindKind) {
    case 1:
        return "给您发送了消息 ...";
    case 2:
        return "给您发送文件 ...";
    case 3:
        return "邀请进行远程协助 ...";
    case 4:
        return "邀请语音通话 ...";
    case 5:
        return "邀请视频通话 ...";
    default:
        return std::nullopt;
    }
}

std::string reminderName(const std::string& gbkName) {
    constexpr size_t kBytes = 14;
    if (gbkName.size() <= kBytes) return gbkName;
    // The kept bytes, one more when an odd number of them are 0x80 or above, so that no double-byte
    // character is split.
    size_t high = 0;
    for (size_t i = 0; i < kBytes; ++i)
        high += static_cast<unsigned char>(gbkName[i]) >= 0x80;
    const size_t keep = high % 2 ? kBytes + 1 : kBytes;
    return keep < gbkName.size() ? gbkName.substr(0, keep) + "..." : gbkName;
}

} // namespace vantor::services
