// Every record decoder on arbitrary bytes: none may read out of bounds; a decoded record must
// re-encode to a buffer of its own size that decodes again to the same record (encoders and
// decoders agree field by field); the GUID and GBK text helpers keep their promises.
#include "protocol/file_records.h"
#include "protocol/records.h"

#include <cstdlib>

using namespace vantor::protocol;
using vantor::wire::decode;
using vantor::wire::encode;

namespace {

void check(bool ok) {
    if (!ok) abort();
}

template <class R>
void roundTrip(std::string_view in) {
    R r;
    if (!decode(in, r)) return;
    const std::string once = encode(r);
    check(once.size() == R::kSize);
    R again;
    check(decode(once, again));
    check(encode(again) == once);
}

void statusRoundTrip(std::string_view in) {
    StatusRecord s;
    if (!StatusRecord::decodeBody(in, s)) return;
    check(s.text.size() <= kMaxStatusText);
    StatusRecord again;
    const std::string body = s.encodeBody();
    check(StatusRecord::decodeBody(body, again));
    check(again.userId == s.userId && again.status == s.status && again.textKind == s.textKind &&
          again.text == s.text && again.encodeBody() == body);
}

void userItemRoundTrip(std::string_view in) {
    UserItem u;
    if (!UserItem::decodeBody(in, u)) return;
    check(u.user.signature.size() <= kMaxSignature);
    UserItem again;
    const std::string body = u.encodeBody();
    check(UserItem::decodeBody(body, again));
    check(again.encodeBody() == body);
}

void guidAndText(std::string_view in) {
    if (in.size() >= 16) {
        const auto g = vantor::wire::Guid::fromBytes(reinterpret_cast<const uint8_t*>(in.data()));
        const auto bytes = g.toBytes();
        check(std::string_view(reinterpret_cast<const char*>(bytes.data()), 16) == in.substr(0, 16));
        vantor::wire::Guid parsed;
        check(vantor::wire::Guid::fromString(g.toString(), parsed) && parsed == g);
        check(g.toHex().size() == 32);
    }
    vantor::wire::Guid ignored;
    vantor::wire::Guid::fromString(in, ignored);
    if (in.empty()) return;
    // A cut never splits a double-byte character: walking the kept prefix by lead bytes ends exactly
    // at its end, and the cut text keeps at most one trail byte beyond the limit.
    const size_t n = uint8_t(in[0]) % 64;
    const std::string_view text = in.substr(1);
    const size_t keep = vantor::wire::gbkCutLength(text, n);
    check(keep <= n && keep <= text.size());
    check(vantor::wire::gbkCutLength(text.substr(0, keep), keep) == keep);
    const std::string cut = vantor::wire::cutText(text, n, "...");
    check(text.size() <= n ? cut == text
                           : cut.size() <= n + 1 + 3 && cut.compare(cut.size() - 3, 3, "...") == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    roundTrip<LoginReply>(in);
    roundTrip<LoginRequest>(in);
    roundTrip<VersionCheckReply>(in);
    roundTrip<UserRecord>(in);
    roundTrip<DepartmentItem>(in);
    roundTrip<UserRenamed>(in);
    roundTrip<WorkStateRecord>(in);
    roundTrip<FileOffer>(in);
    roundTrip<FileReply>(in);
    roundTrip<FileData>(in);
    roundTrip<FileDataAck>(in);
    roundTrip<FileNotice>(in);
    roundTrip<FileAbort>(in);
    roundTrip<FileComplete>(in);
    roundTrip<FileBlockMap>(in);
    roundTrip<OfflineFile>(in);
    statusRoundTrip(in);
    userItemRoundTrip(in);
    guidAndText(in);
    std::vector<ContactGroup> g;
    decodeList(in, g);
    std::vector<ContactLink> l;
    decodeList(in, l);
    return 0;
}
