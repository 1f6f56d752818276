#include "protocol/records.h"

namespace vantor::protocol {

using wire::loadU32;
using wire::WireReader;
using wire::WireWriter;

std::string StatusRecord::encodeBody() const {
    const std::string t = text.substr(0, wire::gbkCutLength(text, kMaxStatusText));
    WireWriter w(kFixed);
    w.u32(userId);
    w.u8(status);
    w.boolean(hasAudio);
    w.boolean(hasCamera);
    w.boolean(automatic);
    w.u8(textKind);
    w.u32(static_cast<uint32_t>(t.size()));
    return countedBody(w.bytes(), t);
}

bool StatusRecord::decodeBody(std::string_view body, StatusRecord& out) {
    out = StatusRecord{};
    if (body.size() < 4 + kFixed) return false;
    const uint32_t n = loadU32(body.data());
    if (n > kMaxStatusText || body.size() < 4 + kFixed + n) return false;
    WireReader r(body.substr(4));
    r.u32(out.userId);
    r.u8(out.status);
    r.boolean(out.hasAudio);
    r.boolean(out.hasCamera);
    r.boolean(out.automatic);
    r.u8(out.textKind);
    uint32_t inner = 0;
    r.u32(inner);
    if (inner > kMaxStatusText) return false;
    out.text.assign(body.substr(4 + kFixed, n));
    return true;
}

std::string UserItem::encodeBody() const {
    std::string record = wire::encode(user);
    const auto n = static_cast<uint8_t>(record[145]); // signature length, already cut to 100
    record.resize(146 + n);
    WireWriter w(9);
    w.u8(action);
    w.u32(position);
    w.u32(loadCount);
    return countedBody(w.bytes() + record.substr(0, 146), record.substr(146));
}

bool UserItem::decodeBody(std::string_view body, UserItem& out) {
    out = UserItem{};
    if (body.size() < 4 + kFixed) return false;
    const uint32_t n = loadU32(body.data());
    if (n > kMaxSignature || body.size() < 4 + kFixed + n) return false;
    WireReader r(body.substr(4));
    r.u8(out.action);
    r.u32(out.position);
    r.u32(out.loadCount);
    // The record arrives without the unused tail of its signature: pad it back to full size.
    std::string record(body.substr(4 + 9, 146 + n));
    record.resize(UserRecord::kSize, '\0');
    wire::decode(record, out.user);
    // Only the bytes that arrived count, whatever the length byte says.
    if (out.user.signature.size() > n) out.user.signature.resize(n);
    return true;
}

} // namespace vantor::protocol
