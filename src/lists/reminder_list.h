// The reminders of the message-centre panel as the reminder list shows them: decoded from the
// 663-byte reminder record, newest first, removed by identity, and the 47-byte read record the
// delete button hands to the owner. Texts stay GBK.
#pragma once

#include "protocol/wire.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::lists {

struct Reminder {
    static constexpr size_t kSize = 663;
    static constexpr size_t kTextCut = 222; // bytes shown of the text; the whole text is the hint

    wire::Guid itemGuid;
    std::string categoryKey; // ≤ 30 bytes
    std::string source;      // ≤ 30 bytes: the category's display name
    double itemTime = 0;
    std::string text; // ≤ 255 bytes
    std::string link; // ≤ 255 bytes, empty: no link

    // "[" + Source + "] "
    std::string sourceText() const;
    // The text cut to 222 bytes with "..."; the hint is the whole text when anything was cut.
    std::string shownText() const;
    std::string hint() const;
    // CmdInfoRead's body: CategoryKey (length byte + 30 bytes), then ItemGuid.
    std::string readRecord() const;
};

// Nothing when the body is shorter than a record. Length bytes are bounded by their fields.
std::optional<Reminder> decodeReminder(std::string_view body);

// Whether a link of a reminder (it comes from the network) may be handed to the desktop: only
// http, https and mailto; never a local path, a file URL or another program's scheme.
bool linkMayOpen(std::string_view link);

class ReminderList {
  public:
    // A new item at the top; false (nothing added) for a body that does not decode.
    bool AddItem(std::string_view record);
    void Clear() { items_.clear(); }
    // Removes every item with this identity; how many went.
    size_t RemoveItems(wire::Guid itemGuid); // by value: callers may name an item of the list
    const std::vector<Reminder>& items() const { return items_; }

  private:
    std::vector<Reminder> items_; // newest first
};

} // namespace vantor::lists
