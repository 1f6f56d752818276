// Arbitrary datagrams through the decoder, and the accepted ones through the record decoders.
#include "protocol/frame.h"
#include "protocol/records.h"

#include <cstdlib>

using namespace vantor::protocol;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Message m;
    std::string_view in(reinterpret_cast<const char*>(data), size);
    if (!decodeDatagram(in, m)) return 0;
    if (m.body.size() + 1 > in.size()) abort();
    StatusRecord s;
    StatusRecord::decodeBody(m.body, s);
    return 0;
}
