// Feeds a notice body to the rich-text reader and a notice stream to the content decoders. Byte 0
// picks: even — the rest is RTF (read with a small depth limit too); odd — the rest is a
// CmdNoticeContent body and a CmdExcelNotice body. What must hold: the reader ends without
// recursion, builds at most a bounded multiple of the input, and what it read writes back to RTF
// that reads back to the same text; a decoded notice agrees with its head's counts and the bytes.
#include "protocol/notice.h"
#include "protocol/rtf.h"

#include <cstdlib>

using namespace vantor::protocol;

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

size_t textBytes(const RtfDocument& d) {
    size_t n = 0;
    for (const auto& p : d.paragraphs)
        for (const auto& r : p.runs)
            n += r.text.size();
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const std::string_view in(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] % 2 == 0) {
        const RtfDocument d = readRtf(in);
        // A GBK byte pair becomes at most 3 UTF-8 bytes, U+FFFD for a bad byte 3, "\~" 2 for 2.
        check(textBytes(d) <= 3 * in.size() + 4);
        check(d.paragraphs.size() <= in.size() + 1);
        const RtfDocument again = readRtf(writeRtf(d));
        check(again.plainText() == d.plainText());
        RtfLimits shallow;
        shallow.maxDepth = 3;
        readRtf(in, shallow);
        return 0;
    }
    if (const auto c = decodeNoticeContent(in)) {
        check(c->recipients.size() == c->head.recipientCount);
        check(c->text.size() == c->head.textLength);
        check(c->attachments.size() == c->head.attachmentCount);
        const auto again = decodeNoticeContent(encodeNoticeContent(*c));
        check(again && again->recipients == c->recipients && again->text == c->text);
    }
    if (const auto c = decodeSpreadsheetContent(in)) {
        check(c->text.size() == c->head.textLength);
        check(c->attachments.size() == c->head.attachmentCount);
        const auto again = decodeSpreadsheetContent(encodeSpreadsheetContent(*c));
        check(again && again->text == c->text && again->attachments.size() == c->attachments.size());
    }
    return 0;
}
