#include "shell/badges.h"

#include "protocol/wire.h"

#include <algorithm>

namespace vantor::shell {

std::optional<PendingCountsRecord> decodePendingCounts(std::string_view body) {
    if (body.size() < PendingCountsRecord::kSize) return std::nullopt;
    wire::WireReader r(body);
    PendingCountsRecord rec;
    r.skip(33);
    r.u32(rec.kind);
    r.u32(rec.operation);
    r.i32(rec.value);
    if (r.truncated()) return std::nullopt;
    return rec;
}

BadgeDisplay badgeDisplay(int64_t n) {
    if (n <= 0) return {};
    if (n < 10) return {true, QString::number(n), 8};
    if (n < 100) return {true, QString::number(n), 4};
    return {true, QStringLiteral("99+"), 2};
}

static int64_t bounded(int64_t n) {
    return std::clamp<int64_t>(n, 0, BadgeCounters::kMaxCount);
}

std::optional<BadgeKind> BadgeCounters::OnPendingCounts(const PendingCountsRecord& r) {
    switch (r.kind) {
    case 1:
        // The server counts one more than the unread notices.
        notices_ = bounded(int64_t(r.value) - 1);
        return BadgeKind::Notices;
    case 2:
        switch (r.operation) {
        case 0:
            messageCentre_ = bounded(r.value);
            break;
        case 1:
            messageCentre_ = bounded(messageCentre_ + r.value);
            break;
        case 2:
            messageCentre_ = bounded(messageCentre_ - r.value);
            break;
        default:
            messageCentre_ = 0;
            break;
        }
        return BadgeKind::MessageCentre;
    default:
        return std::nullopt;
    }
}

void BadgeCounters::set(BadgeKind kind, int64_t number) {
    (kind == BadgeKind::Notices ? notices_ : messageCentre_) = bounded(number);
}

} // namespace vantor::shell
