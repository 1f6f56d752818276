// Feeds arbitrary bytes to the file server's request parser; a name it accepts must be safe.
#include "server/file_protocol.h"

#include <cstdlib>

using namespace vantor::server;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const size_t step = 1 + data[0] % 31;
    std::string_view in(reinterpret_cast<const char*>(data) + 1, size - 1);
    // Put a valid hello in front half of the time, so that the requests themselves get explored.
    std::string buf;
    if (data[0] & 1) buf = bigEndian32(int32_t(kFileHello));
    buf.append(in);
    FileRequestParser p(4096);
    int64_t received = 0;
    for (size_t i = 0; i < buf.size(); i += step) {
        p.feed(std::string_view(buf).substr(i, step));
        for (;;) {
            const auto e = p.next();
            if (e == FileRequestParser::Event::NeedMore || e == FileRequestParser::Event::Error) break;
            if (!isSafeFileName(p.name())) abort();
            if (p.name().find('/') != std::string::npos || p.name().find("..") == 0) abort();
            if (e == FileRequestParser::Event::UploadData) received += int64_t(p.data().size());
            if (received > p.size()) abort();
        }
        if (p.next() == FileRequestParser::Event::Error) break;
    }
    return 0;
}
