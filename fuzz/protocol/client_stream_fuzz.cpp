// Feeds arbitrary server bytes to the client's stream reader in pieces whose sizes come from the
// input itself; every message it yields must fit its code's rule.
#include "protocol/frame.h"

#include <cstdlib>

using namespace vantor::protocol;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const size_t step = 1 + data[0] % 97;
    std::string_view in(reinterpret_cast<const char*>(data) + 1, size - 1);
    ClientStreamReader r(size % 2 == 0);
    Message m;
    for (size_t i = 0; i < in.size(); i += step) {
        r.feed(in.substr(i, step));
        for (;;) {
            const auto res = r.next(m);
            if (res != ClientStreamReader::Result::Message) break;
            const CodeInfo* info = codeInfo(m.code);
            if (!info) abort();
            const BodyCheck c = checkBody(info->received, m.body, m.code);
            if (!c.ok || c.length != m.body.size()) abort();
        }
    }
    return 0;
}
