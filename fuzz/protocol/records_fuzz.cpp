// Every record decoder on arbitrary bytes: none may read out of bounds, and a decoded record must
// re-encode to a buffer of its own size.
#include "protocol/file_records.h"
#include "protocol/records.h"

#include <cstdlib>

using namespace vantor::protocol;
using vantor::wire::decode;
using vantor::wire::encode;

namespace {
template <class R>
void roundTrip(std::string_view in) {
    R r;
    if (decode(in, r) && encode(r).size() != R::kSize) abort();
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
    UserItem u;
    if (UserItem::decodeBody(in, u) && u.user.signature.size() > kMaxSignature) abort();
    StatusRecord s;
    if (StatusRecord::decodeBody(in, s) && s.text.size() > kMaxStatusText) abort();
    std::vector<ContactGroup> g;
    decodeList(in, g);
    std::vector<ContactLink> l;
    decodeList(in, l);
    return 0;
}
