// The notice records at the offsets of their tables, and how both readers take the long bodies:
// attachments and posted notices come in parts by their 64-bit length (never whole, never cut at
// 4 GiB), large notice content is skipped whole without ending the connection.
#include "protocol/codes.h"
#include "protocol/frame.h"
#include "protocol/notice.h"

#include "offset_bytes.h"

#include <gtest/gtest.h>

using namespace vantor::protocol;
using vantor::protocol::handbytes::Bytes;
using vantor::wire::decode;
using vantor::wire::encode;
using vantor::wire::Guid;

namespace {

Guid guid(uint8_t seed) {
    Guid g;
    g.data1 = 0x01020300u + seed;
    g.data2 = 0x0405;
    g.data3 = 0x0607;
    for (uint8_t i = 0; i < 8; ++i)
        g.data4[i] = uint8_t(seed + i);
    return g;
}

std::string guidBytes(const Guid& g) {
    const auto b = g.toBytes();
    return std::string(b.begin(), b.end());
}

template <class R>
void roundTrip(const R& r, const std::string& bytes) {
    ASSERT_EQ(bytes.size(), R::kSize);
    EXPECT_EQ(encode(r), bytes);
    R back;
    ASSERT_TRUE(decode(bytes, back));
    EXPECT_EQ(encode(back), bytes);
}

TEST(NoticeRecords, AtTheirOffsets) {
    NoticeHead h;
    h.restLength = 0x1'0000'0005ull;
    h.noticeGuid = guid(1);
    h.senderId = 1001;
    h.senderName = "zw";
    h.noticeKind = kNoticeSpreadsheet;
    h.screenNames = "a,b";
    h.title = "title";
    h.smsUnread = 1;
    h.smsDelayMinutes = 200;
    h.recipientCount = 3;
    h.textLength = 77;
    h.attachmentCount = 2;
    roundTrip(h, Bytes(367)
                     .u64(0, 0x1'0000'0005ull)
                     .raw(8, guidBytes(h.noticeGuid))
                     .u32(24, 1001)
                     .text(28, "zw")
                     .u8(119, 1)
                     .text(136, "a,b")
                     .text(287, "title")
                     .u8(349, 1)
                     .u8(350, 200)
                     .u32(351, 3)
                     .u32(355, 77)
                     .u32(359, 2)
                     .b);

    NoticeListItem li;
    li.noticeGuid = guid(2);
    li.senderId = 1004;
    li.senderName = "ly";
    li.noticeNumber = 42;
    li.title = "t";
    li.isRead = 1;
    roundTrip(li, Bytes(135)
                      .raw(0, guidBytes(li.noticeGuid))
                      .u32(16, 1004)
                      .text(20, "ly")
                      .u32(69, 42)
                      .text(73, "t")
                      .u8(134, 1)
                      .b);

    NoticeRead rd{1004, 42, 1006};
    roundTrip(rd, Bytes(36).u32(0, 1004).u32(20, 42).u32(24, 1006).b);
    NoticeReceipt rc;
    rc.noticeGuid = guid(3);
    rc.readerId = 1006;
    EXPECT_EQ(encode(rc), Bytes(36).raw(4, guidBytes(rc.noticeGuid)).u32(24, 1006).b);

    ReadLogItem it;
    it.userId = -1;
    it.name = "outsider";
    it.hasRead = 1;
    roundTrip(it, Bytes(84).u32(0, 0xFFFFFFFF).text(4, "outsider").u8(83, 1).b);

    AttachmentRequest ar;
    ar.attachmentGuid = guid(4);
    ar.fileName = "a.pdf";
    ar.fileSize = 5ull << 30;
    roundTrip(ar, Bytes(280).raw(0, guidBytes(ar.attachmentGuid)).text(16, "a.pdf").u64(272, 5ull << 30).b);

    RowRecord row;
    row.account = "lina";
    row.name = "ln";
    row.textLength = 9;
    roundTrip(row, Bytes(104).text(4, "lina").text(25, "ln").u64(96, 9).b);

    NoticeOpen op{1006, 42, guid(5)};
    roundTrip(op, Bytes(24).u32(0, 1006).u32(4, 42).raw(8, guidBytes(op.noticeGuid)).b);
    NoticeSearch se{"kw", 1006, 3};
    roundTrip(se, Bytes(59).text(0, "kw").u32(51, 1006).u32(55, 3).b);
    AttachmentEntry e{"f.txt", guid(6)};
    roundTrip(e, Bytes(271).text(0, "f.txt").raw(255, guidBytes(e.attachmentGuid)).b);
}

TEST(NoticeRecords, ContentChecksEveryCountAgainstTheBytes) {
    NoticeContent c;
    c.head.noticeGuid = guid(7);
    c.head.title = "t";
    c.recipients = {1001, 1006};
    c.text = "{\\rtf1 x}";
    c.attachments = {{"a.txt", guid(8)}, {"b.bin", guid(9)}};
    const std::string body = encodeNoticeContent(c);
    const auto back = decodeNoticeContent(body);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->recipients, c.recipients);
    EXPECT_EQ(back->text, c.text);
    ASSERT_EQ(back->attachments.size(), 2u);
    EXPECT_EQ(back->attachments[1].attachmentGuid, guid(9));

    // Counts larger than the bytes there are, a rest length that disagrees, a cut body.
    auto patched = [&](size_t off, uint32_t v) {
        std::string b = body;
        vantor::wire::storeU32(b.data() + off, v);
        return b;
    };
    EXPECT_FALSE(decodeNoticeContent(patched(351, 0x40000000)));
    EXPECT_FALSE(decodeNoticeContent(patched(355, 0xFFFFFFFF)));
    EXPECT_FALSE(decodeNoticeContent(patched(359, 3)));
    EXPECT_FALSE(decodeNoticeContent(patched(0, uint32_t(body.size()))));
    EXPECT_FALSE(decodeNoticeContent(body.substr(0, body.size() - 1)));

    const auto sheet = decodeSpreadsheetContent(encodeSpreadsheetContent(c));
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->text, c.text);
    EXPECT_EQ(sheet->attachments.size(), 2u);
}

TEST(NoticeRecords, RestLengthAndCacheNames) {
    EXPECT_EQ(postRestLength(2, 10, {100, 5ull << 32}), 8 + 10 + 550 + 100 + 550 + (5ull << 32));
    EXPECT_FALSE(postRestLength(1, 0, {UINT64_MAX - 10}));
    const Guid g = guid(1);
    const std::string braced = g.toString();
    struct Case {
        const char* name;
        std::string expected;
    } cases[] = {
        {"Report.PDF", braced + ".pdf"},
        {"a.tar.gz", braced + ".gz"},
        {"noext", braced},
        {"evil.../x", braced},
        {"a.abcdefghijk", braced},
        {"a.", braced},
        {"x.ex e", braced},
        {"../../etc/passwd.d1", braced + ".d1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(attachmentCacheName(g, c.name), c.expected) << c.name;
}

std::string attachmentReply(uint64_t size, std::string_view data) {
    AttachmentRequest r;
    r.attachmentGuid = guid(1);
    r.fileName = "big.bin";
    r.fileSize = size;
    std::string body = encode(r);
    body += data;
    std::string frame = frameHeader(1 + AttachmentRequest::kSize + size);
    frame.push_back(char(Cmd::NoticeAttachment));
    return frame + body;
}

TEST(NoticeStreams, AnAttachmentReachesItsReaderInPartsAndTheNextMessageFollows) {
    const std::string data(3 << 20, 'x');
    ClientStreamReader r(false);
    r.feed(attachmentReply(data.size(), data));
    r.feed(frameMessage(std::string(1, char(Cmd::Heartbeat))));
    Message m;
    ASSERT_EQ(r.next(m), ClientStreamReader::Result::Message);
    EXPECT_EQ(m.part, Message::Part::Head);
    EXPECT_EQ(m.rest, data.size());
    EXPECT_EQ(m.body.size(), AttachmentRequest::kSize);
    std::string got;
    for (;;) {
        ASSERT_EQ(r.next(m), ClientStreamReader::Result::Message);
        ASSERT_EQ(m.code, uint8_t(Cmd::NoticeAttachment));
        if (m.part == Message::Part::End) break;
        ASSERT_EQ(m.part, Message::Part::Piece);
        EXPECT_LE(m.body.size(), 1u << 20);
        got += m.body;
    }
    EXPECT_EQ(got, data);
    ASSERT_EQ(r.next(m), ClientStreamReader::Result::Message);
    EXPECT_EQ(m.cmd(), Cmd::Heartbeat);
    EXPECT_EQ(m.part, Message::Part::Whole);
}

TEST(NoticeStreams, SizesAbove4GiBAreNotCutToTheirLow32Bits) {
    // 4 GiB + 3 bytes announced: the low 32 bits (3) must not be taken for the size.
    const uint64_t size = (1ull << 32) + 3;
    ClientStreamReader r(false);
    r.feed(attachmentReply(size, "abcdef"));
    Message m;
    ASSERT_EQ(r.next(m), ClientStreamReader::Result::Message);
    EXPECT_EQ(m.rest, size);
    ASSERT_EQ(r.next(m), ClientStreamReader::Result::Message);
    EXPECT_EQ(m.part, Message::Part::Piece);
    EXPECT_EQ(m.body, "abcdef");
    EXPECT_EQ(m.rest, size - 6);
    EXPECT_EQ(r.next(m), ClientStreamReader::Result::NeedMore);
}

TEST(NoticeStreams, LargeContentIsSkippedWholeAndTheConnectionGoesOn) {
    NoticeHead h;
    h.restLength = 40u << 20; // over what is handed on whole
    std::string frame = frameHeader(1 + NoticeHead::kSize + h.restLength);
    frame.push_back(char(Cmd::NoticeContent));
    frame += encode(h);
    frame += std::string(h.restLength, 'r');
    frame += frameMessage(std::string(1, char(Cmd::Heartbeat)));
    ClientStreamReader r(false);
    Message m;
    size_t messages = 0;
    for (size_t i = 0; i < frame.size(); i += 1 << 20) {
        r.feed(std::string_view(frame).substr(i, 1 << 20));
        while (r.next(m) == ClientStreamReader::Result::Message) {
            ++messages;
            EXPECT_EQ(m.cmd(), Cmd::Heartbeat);
        }
        EXPECT_LT(r.buffered(), 2u << 20);
    }
    EXPECT_EQ(messages, 1u);
    EXPECT_EQ(r.skipped(), 1u);
    EXPECT_TRUE(r.error().empty());
}

TEST(NoticeStreams, TheServerTakesAPostInPartsAndChecksItsFrameLength) {
    NoticeHead h;
    h.restLength = 10;
    std::string post = std::string(1, char(Cmd::NoticePost)) + encode(h) + "0123456789";
    const std::string good = frameStream(post) + frameMessage(std::string(1, char(Cmd::Heartbeat)));
    ServerFrameReader r(1 << 20, false);
    r.feed(good);
    Message m;
    ASSERT_EQ(r.next(m), ServerFrameReader::Result::Message);
    EXPECT_EQ(m.part, Message::Part::Head);
    EXPECT_EQ(m.rest, 10u);
    ASSERT_EQ(r.next(m), ServerFrameReader::Result::Message);
    EXPECT_EQ(m.body, "0123456789");
    ASSERT_EQ(r.next(m), ServerFrameReader::Result::Message);
    EXPECT_EQ(m.part, Message::Part::End);
    ASSERT_EQ(r.next(m), ServerFrameReader::Result::Message);
    EXPECT_EQ(m.cmd(), Cmd::Heartbeat);

    // A frame whose length disagrees with the head, and a post over the server's limit.
    std::string bad = frameStream(post);
    vantor::wire::storeU32(bad.data() + 4, 99);
    ServerFrameReader r2(1 << 20, false);
    r2.feed(bad);
    EXPECT_EQ(r2.next(m), ServerFrameReader::Result::Error);
    ServerFrameReader r3(1 << 20, false);
    r3.setMaxLongBody(9);
    r3.feed(good);
    EXPECT_EQ(r3.next(m), ServerFrameReader::Result::Error);
}

} // namespace
