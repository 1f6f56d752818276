// Feeds the client's stream reader a sequence of framed messages, in pieces whose sizes come from
// the input. The input is a step byte, a flags byte (bit 0: the server's greeting first), then
// items: code, mode, 16-bit little-endian length, payload. An item of a code the client receives
// becomes a well-formed message (its count fixed up to what the payload holds, up to the cap, and
// the payload cut or padded to the body's length), so mutations of the payload reach the states
// after the first message; mode bit 0 writes the item's bytes raw instead (unknown codes, broken
// counts). Every message read must fit its code's rule, and without raw items the reader must
// give back exactly the messages written, in order. Long bodies (notice content, attachments) get
// their 64-bit length from the payload's size; an attachment that comes in parts is put together
// again before it is compared.
#include "protocol/frame.h"
#include "protocol/wire.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

using namespace vantor::protocol;

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

// The body `payload` becomes under `rule`, or nothing when the rule gives no body.
bool wellFormed(uint8_t code, const BodyRule& rule, std::string_view payload, std::string& body) {
    if (const LongBody* lb = receivedLongBody(code)) {
        body.assign(payload);
        if (body.size() < lb->head) body.resize(lb->head, '\0');
        vantor::wire::storeU64(body.data() + lb->lengthAt, body.size() - lb->head);
        return true;
    }
    uint32_t count = 0;
    switch (rule.kind) {
    case BodyRule::Fixed:
        break;
    case BodyRule::Counted:
        // The payload is the record after the count.
        count = uint32_t(std::min<size_t>(
            payload.size() > rule.head - 4 ? payload.size() - (rule.head - 4) : 0, rule.maxCount));
        body.assign(4, '\0');
        vantor::wire::storeU32(body.data(), count);
        body.append(payload.substr(0, rule.total(count) - 4));
        body.resize(size_t(rule.total(count)), '\0');
        return true;
    case BodyRule::Layout:
        if (rule.hasCount() && payload.size() > rule.head && rule.item > 0)
            count = uint32_t(std::min<size_t>((payload.size() - rule.head) / rule.item, rule.maxCount));
        break;
    default:
        return false;
    }
    body.assign(payload.substr(0, size_t(rule.total(count))));
    body.resize(size_t(rule.total(count)), '\0');
    if (rule.hasCount()) vantor::wire::storeU32(body.data() + rule.countOffset, count);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const size_t step = 1 + data[0] % 97;
    const bool greeted = data[1] & 1;

    std::string wire = greeted ? greeting() : std::string();
    std::vector<Message> expected;
    bool raw = false;
    for (size_t pos = 2; pos + 4 <= size;) {
        const uint8_t code = data[pos];
        const uint8_t mode = data[pos + 1];
        const size_t len =
            std::min<size_t>(size_t(data[pos + 2]) | size_t(data[pos + 3]) << 8, size - pos - 4);
        const std::string_view payload(reinterpret_cast<const char*>(data) + pos + 4, len);
        pos += 4 + len;
        const CodeInfo* info = codeInfo(code);
        Message m{code, {}};
        if (!(mode & 1) && info && wellFormed(code, info->received, payload, m.body)) {
            wire += frameStream(m.bytes());
            expected.push_back(std::move(m));
        } else {
            wire += frameStream(std::string(1, char(code)) + std::string(payload));
            raw = true;
        }
    }

    ClientStreamReader r(greeted);
    Message m, parts;
    std::vector<Message> got;
    for (size_t i = 0; i < wire.size(); i += step) {
        r.feed(std::string_view(wire).substr(i, step));
        while (r.next(m) == ClientStreamReader::Result::Message) {
            const CodeInfo* info = codeInfo(m.code);
            check(info != nullptr);
            if (m.part != Message::Part::Whole) {
                check(receivedLongBody(m.code) != nullptr);
                if (m.part == Message::Part::Head) {
                    check(m.body.size() == receivedLongBody(m.code)->head);
                    parts = m;
                    parts.part = Message::Part::Whole;
                } else {
                    check(m.code == parts.code);
                    parts.body += m.body;
                    if (m.part == Message::Part::End) got.push_back(parts);
                }
                continue;
            }
            if (const LongBody* lb = receivedLongBody(m.code)) {
                check(m.body.size() >= lb->head &&
                      vantor::wire::loadU64(m.body.data() + lb->lengthAt) == m.body.size() - lb->head);
                got.push_back(m);
                continue;
            }
            const BodyCheck c = checkBody(info->received, m.body, m.code);
            check(c.ok && c.length == m.body.size());
            got.push_back(m);
        }
    }
    if (!raw) {
        check(got.size() == expected.size());
        for (size_t i = 0; i < got.size(); ++i)
            check(got[i].code == expected[i].code && got[i].body == expected[i].body);
        check(r.buffered() == 0 && r.error().empty());
    }
    return 0;
}
