// Feeds arbitrary client bytes, in pieces whose sizes come from the input, to the server's frame
// reader and every request decoder; also takes the input as a datagram to the server's UDP port.
#include "protocol/peer_records.h"
#include "server/client_input.h"

#include <cstdlib>

using namespace vantor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const size_t step = 1 + data[0] % 61;
    const std::string_view in(reinterpret_cast<const char*>(data) + 1, size - 1);
    protocol::ServerFrameReader reader(1 << 20, data[0] & 0x80);
    protocol::Message m;
    for (size_t i = 0; i < in.size(); i += step) {
        reader.feed(in.substr(i, step));
        while (reader.next(m) == protocol::ServerFrameReader::Result::Message) {
            const server::ClientRequest r = server::parseClientMessage(m);
            if (const auto* relay = std::get_if<server::Relay>(&r)) {
                if (!protocol::isRelayed(m.code)) abort();
                if (relay->target.kind == protocol::RelayTarget::User && relay->target.userId == 0) abort();
                if (relay->target.kind == protocol::RelayTarget::None) abort();
            }
            if (const auto* save = std::get_if<server::GroupSave>(&r); save && save->record.count > 200)
                abort();
            if (const auto* up = std::get_if<server::PictureUpload>(&r);
                up && up->bytes.size() != up->head.fileSize)
                abort();
        }
    }

    protocol::Message d;
    if (protocol::decodeDatagram(in, d)) {
        protocol::UdpEcho e;
        protocol::PunchRequest req;
        protocol::PunchShort shortRec;
        protocol::PunchConfirm confirm;
        wire::decode(d.body, e);
        wire::decode(d.body, req);
        wire::decode(d.body, shortRec);
        wire::decode(d.body, confirm);
        if (e.observed.address.size() > 15 || req.sentTo.address.size() > 15) abort();
    }
    return 0;
}
