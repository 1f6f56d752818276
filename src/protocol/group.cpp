#include "protocol/group.h"

namespace vantor::protocol {

namespace {
constexpr size_t kMembersHead = 24;
constexpr uint32_t kMaxMembersReply = 100000;
} // namespace

std::string encodeGroupMembersReply(const Guid& guid, const std::vector<UserRecord>& users) {
    wire::WireWriter head(kMembersHead);
    head.skip(4);
    head.guid(guid);
    head.u32(static_cast<uint32_t>(users.size()));
    std::string s = head.bytes();
    s.reserve(kMembersHead + users.size() * UserRecord::kSize);
    for (const auto& u : users)
        s += wire::encode(u);
    return s;
}

bool decodeGroupMembersReply(std::string_view body, Guid& guid, std::vector<UserRecord>& users) {
    users.clear();
    if (body.size() < kMembersHead) return false;
    wire::WireReader r(body.substr(0, kMembersHead));
    r.skip(4);
    r.guid(guid);
    uint32_t n = 0;
    r.u32(n);
    if (n > kMaxMembersReply || (body.size() - kMembersHead) / UserRecord::kSize < n) return false;
    users.resize(n);
    for (uint32_t i = 0; i < n; ++i)
        wire::decode(body.substr(kMembersHead + size_t(i) * UserRecord::kSize, UserRecord::kSize), users[i]);
    return true;
}

} // namespace vantor::protocol
