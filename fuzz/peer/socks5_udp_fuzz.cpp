// The proxy's answers, in pieces of any size, through the association exchange; and datagrams of
// any content through the relay header check.
#include "peer/socks5_udp.h"

#include <cstdlib>

using namespace vantor::peer;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    vantor::protocol::Endpoint from;
    std::string_view payload;
    if (parseRelayed(all, from, payload) &&
        (payload.size() + kRelayHeaderSize != size || from.address.size() > 15))
        abort();

    Socks5UdpAssociation a(data[0] & 1 ? "user" : "", "secret", 0, 4242);
    a.begin();
    std::string in;
    const size_t step = size_t(data[1] % 7) + 1;
    for (size_t pos = 2; pos < size; pos += step) {
        in.append(all.substr(pos, step));
        const auto s = a.feed(in);
        if (s.kind == Socks5UdpAssociation::Step::Failed) break;
        if (s.kind == Socks5UdpAssociation::Step::Done && a.relayPort() == 0) abort();
    }
    return 0;
}
