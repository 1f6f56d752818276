// Feeds a posted notice (ordinary or spreadsheet) to the server's intake in pieces, as the frame reader hands
// them over. Input: a flags byte (bits 0-5: the piece size, 1 + 97 × value; bit 6: the head's RestLength is
// set to the length of the stream that follows; bit 7: the attachment sink fails at its second
// write), the 367-byte head, then the stream. What must hold: a refusal says why; an accepted
// stream is exactly as long as its head says, its counts agree with the head, every attachment's
// bytes reached the sink in order and in full (unless the sink failed, which is then reported),
// and nothing beyond the head's counts was kept.
#include "server/notice_intake.h"

#include <cstdlib>
#include <string_view>
#include <vector>

using namespace vantor;

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 + protocol::NoticeHead::kSize) return 0;
    const uint8_t flags = data[0];
    const std::string_view all(reinterpret_cast<const char*>(data) + 1, size - 1);
    protocol::NoticeHead head;
    if (!wire::decode(all.substr(0, protocol::NoticeHead::kSize), head)) return 0;
    const std::string_view stream = all.substr(protocol::NoticeHead::kSize);
    if (flags & 0x40) head.restLength = stream.size();

    struct Seen {
        std::vector<uint64_t> bytes; // per attachment
        std::vector<bool> ended;
        int writes = 0;
        bool failAtSecond = false;
    } seen;
    seen.failAtSecond = (flags & 0x80) != 0;
    server::NoticeIntake::Sink sink;
    sink.begin = [&](size_t index, const protocol::AttachmentBlockHead&) {
        check(index == seen.bytes.size()); // in order, each once
        check(seen.ended.empty() || seen.ended.back());
        seen.bytes.push_back(0);
        seen.ended.push_back(false);
        return true;
    };
    sink.data = [&](size_t index, std::string_view bytes) {
        check(index + 1 == seen.bytes.size() && !seen.ended.back());
        check(!bytes.empty());
        seen.bytes.back() += bytes.size();
        return !(seen.failAtSecond && ++seen.writes == 2);
    };
    sink.end = [&](size_t index) {
        check(index + 1 == seen.ended.size() && !seen.ended.back());
        seen.ended.back() = true;
        return true;
    };
    server::NoticeIntake in(head, sink);
    const size_t piece = 1 + size_t(flags & 0x3F) * 97;
    bool ok = in.error().empty();
    uint64_t fed = 0;
    for (size_t at = 0; ok && at < stream.size(); at += piece) {
        const std::string_view p = stream.substr(at, piece);
        ok = in.feed(p);
        if (ok) fed += p.size();
    }
    ok = ok && in.finish();
    if (!ok) {
        check(!in.error().empty());
        return 0;
    }
    check(fed == head.restLength && fed == stream.size());
    const bool sheet = head.noticeKind == protocol::kNoticeSpreadsheet;
    check(in.recipients().size() == (sheet ? 0 : head.recipientCount));
    check(in.rows().size() == (sheet ? head.recipientCount : 0));
    check(in.text().size() == head.textLength);
    check(in.entries().size() == head.attachmentCount && in.sizes().size() == head.attachmentCount);
    uint64_t total = sheet ? 0 : 4ull * head.recipientCount + head.textLength;
    for (const auto& row : in.rows()) {
        check(row.text.size() == row.record.textLength);
        total += protocol::RowRecord::kSize + row.text.size();
    }
    for (uint64_t s : in.sizes())
        total += protocol::AttachmentEntry::kSize + protocol::AttachmentBlockHead::kSize + s;
    check(total == head.restLength);
    if (!in.sinkFailed()) {
        check(seen.bytes.size() == in.sizes().size());
        for (size_t i = 0; i < seen.bytes.size(); ++i)
            check(seen.bytes[i] == in.sizes()[i] && seen.ended[i]);
    } else {
        check(seen.failAtSecond);
    }
    return 0;
}
