// The two badge counters of the main window — notices (labelPP over ImgPP) and the message centre
// (labelPP1 over ImgPP1) — as the server's CmdPendingCounts sets them, and how a number is shown.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <string_view>

namespace vantor::shell {

// CmdPendingCounts (45 bytes): offset 33 kind, 37 operation (message centre only), 41 value.
struct PendingCountsRecord {
    static constexpr size_t kSize = 45;
    uint32_t kind = 0;
    uint32_t operation = 0;
    int32_t value = 0;
};
std::optional<PendingCountsRecord> decodePendingCounts(std::string_view body);

enum class BadgeKind { Notices = 1, MessageCentre = 2 };

// What a badge shows: the text, its distance from the picture's left edge, and whether badge and
// picture are visible at all.
struct BadgeDisplay {
    bool visible = false;
    QString text;
    int offset = 0;
    friend bool operator==(const BadgeDisplay&, const BadgeDisplay&) = default;
};
BadgeDisplay badgeDisplay(int64_t number);

class BadgeCounters {
  public:
    // Upper bound of a counter, so that no sequence of server records overflows it.
    static constexpr int64_t kMaxCount = 1'000'000'000;

    // Applies a record; returns the badge it changed, if any.
    std::optional<BadgeKind> OnPendingCounts(const PendingCountsRecord& record);
    // The notice window's "read" button and the message-centre button zero their badge.
    void set(BadgeKind kind, int64_t number);
    int64_t count(BadgeKind kind) const { return kind == BadgeKind::Notices ? notices_ : messageCentre_; }
    BadgeDisplay display(BadgeKind kind) const { return badgeDisplay(count(kind)); }

  private:
    int64_t notices_ = 0;
    int64_t messageCentre_ = 0;
};

} // namespace vantor::shell
