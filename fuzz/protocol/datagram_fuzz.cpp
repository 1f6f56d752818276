// Arbitrary datagrams through the decoder, and the accepted ones through the record decoders of
// their codes: a decoded record never holds more than its datagram carried.
#include "protocol/chat.h"
#include "protocol/frame.h"
#include "protocol/peer_records.h"
#include "protocol/records.h"

#include <cstdlib>

using namespace vantor::protocol;
using vantor::wire::decode;

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

template <class R>
void fixed(std::string_view body) {
    R r;
    if (decode(body, r)) check(body.size() >= R::kSize);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Message m;
    std::string_view in(reinterpret_cast<const char*>(data), size);
    if (!decodeDatagram(in, m)) return 0;
    check(m.body.size() + 1 <= in.size() && codeInfo(m.code) != nullptr);
    switch (m.cmd()) {
    case Cmd::Status: {
        StatusRecord s;
        if (StatusRecord::decodeBody(m.body, s)) check(s.text.size() <= kMaxStatusText);
        break;
    }
    case Cmd::ChatMessage:
    case Cmd::ChatCopy: {
        ChatMessage c;
        if (ChatMessage::decodeBody(m.body, c))
            check(c.text.size() <= ChatMessage::kMaxText &&
                  4 + ChatMessage::kHead + c.text.size() <= m.body.size());
        break;
    }
    case Cmd::ChatAck:
        fixed<ChatAck>(m.body);
        break;
    case Cmd::InputState:
        fixed<InputState>(m.body);
        break;
    case Cmd::Shake:
        fixed<Shake>(m.body);
        break;
    case Cmd::UdpEcho:
        fixed<UdpEcho>(m.body);
        break;
    case Cmd::PunchRequest:
        fixed<PunchRequest>(m.body);
        break;
    case Cmd::PunchReply:
    case Cmd::PunchProbe:
        fixed<PunchShort>(m.body);
        break;
    case Cmd::PunchConfirm:
        fixed<PunchConfirm>(m.body);
        break;
    default:
        break;
    }
    return 0;
}
