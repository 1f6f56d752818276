// The reminder toast's texts: the sender's name cut to 14 bytes and the line for each kind of
// reminder (a message, a file, remote assistance, a voice or a video invitation).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vantor::services {

inline constexpr const char* kReminderInitialText = "给您发送了一个提醒";

// The line of a reminder kind (UTF-8); nothing for kinds that leave the shown text as it is.
std::optional<std::string> reminderText(int32_t remindKind);
// A reminder of this kind opens the toast (0 or less is a shake, handled by the conversation).
inline bool remindsWithToast(int32_t remindKind) {
    return remindKind > 0;
}
// The sender's name (GBK) cut to 14 bytes (15 when the 14th is the first half of a character),
// "..." appended when something was cut.
std::string reminderName(const std::string& gbkName);

} // namespace vantor::services
