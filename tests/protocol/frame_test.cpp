#include "protocol/frame.h"
#include "protocol/wire.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vantor::protocol;
using vantor::wire::storeU32;

namespace {

std::string u32(uint32_t v) {
    std::string s(4, '\0');
    storeU32(s.data(), v);
    return s;
}

// What the server writes for one message: a header the client does not read, then the message.
std::string fromServer(uint8_t code, const std::string& body) {
    return std::string(20, '\x5A') + std::string(1, char(code)) + body;
}

std::vector<Message> readAll(ClientStreamReader& r) {
    std::vector<Message> out;
    Message m;
    while (r.next(m) == ClientStreamReader::Result::Message)
        out.push_back(m);
    return out;
}

TEST(Frame, HeaderGreetingAndOrdinaryLimit) {
    const std::string hb = frameMessage(std::string("\x07"));
    ASSERT_EQ(hb.size(), 21u);
    EXPECT_EQ(hb, u32(1001) + u32(1) + std::string(12, '\0') + "\x07");

    EXPECT_EQ(greeting(), u32(1) + u32(20) + std::string(32, '\0'));
    EXPECT_EQ(frameMessage(std::string(2028, 'x')).size(), 2048u);
    EXPECT_TRUE(frameMessage(std::string(2029, 'x')).empty());
    EXPECT_EQ(frameStream(std::string(5000, 'x')).size(), 5020u);
}

TEST(Frame, CountedBodyWithZeroTextIsCountAndKBytes) {
    const std::string body = countedBody(std::string(13, 'k'), "");
    EXPECT_EQ(body, u32(0) + std::string(13, 'k'));
    EXPECT_EQ(countedRecord(body), std::string(13, 'k'));
}

// A stream of mixed messages must come out the same however the bytes are split.
TEST(ClientStreamReader, SameMessagesWhateverTheSplit) {
    std::string contactGroups = u32(2) + std::string(90, 'g');
    std::string sysHead(70, 's');
    storeU32(sysHead.data() + 66, 3);
    std::string readLog = std::string(16, 'r') + u32(1) + std::string(84, 'l');
    const std::vector<Message> expect = {
        {0x07, ""},
        {0x02, u32(2) + std::string(13, 'a') + "hi"},
        {0x36, contactGroups},
        {0x38, sysHead + "xyz"},
        {0x34, readLog},
        {0x1D, std::string(260, 'i')},
        {0x62, ""},
    };
    std::string wire(40, 'G'); // the server's answer to our greeting
    for (const auto& m : expect)
        wire += fromServer(m.code, m.body);

    for (size_t step : {size_t(1), size_t(3), size_t(7), size_t(64), wire.size()}) {
        ClientStreamReader r;
        std::vector<Message> got;
        for (size_t i = 0; i < wire.size(); i += step) {
            r.feed(std::string_view(wire).substr(i, step));
            for (auto& m : readAll(r))
                got.push_back(m);
        }
        ASSERT_EQ(got.size(), expect.size()) << "step " << step;
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].code, expect[i].code);
            EXPECT_EQ(got[i].body, expect[i].body) << "message " << i << " step " << step;
        }
        EXPECT_EQ(r.buffered(), 0u);
    }
}

TEST(ClientStreamReader, UnknownCodeIsDroppedAndTheNextHeaderFollows) {
    ClientStreamReader r(false);
    r.feed(fromServer(0x53, "") + fromServer(0xFF, "") + fromServer(0x07, ""));
    const auto got = readAll(r);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].code, 0x07);
    EXPECT_EQ(r.dropped(), 2u);
}

// A count over its cap: the frame is skipped whole when its header says where it ends, and the
// messages after it still arrive; without such a header the stream cannot be followed.
TEST(ClientStreamReader, CountsBeyondTheirCapsAreSkippedByTheFrameLengthOrStopTheReader) {
    std::string sysHead(70, 's');
    storeU32(sysHead.data() + 66, 0x7FFFFFFF);
    struct Case {
        const char* what;
        uint8_t code;
        std::string body;   // what follows the code byte
        std::string header; // the 20 bytes in front of the code; empty: a real header for `body`
        bool skipped;       // false: the reader stops
    };
    const std::string junk(20, '\x5A');
    auto header = [](uint32_t marker, uint32_t length) {
        return u32(marker) + u32(length) + std::string(12, '\0');
    };
    const Case cases[] = {
        {"chat text of 1001 bytes", 0x08, u32(1001) + std::string(88 + 1001, 'c'), {}, true},
        {"status text over 99", 0x02, u32(100) + std::string(13 + 100, 's'), {}, true},
        {"signature over 100", 0x06, u32(101) + std::string(155 + 101, 'u'), {}, true},
        {"contact groups, a count the frame does not hold",
         0x36,
         u32(0xFFFFFFFF) + std::string(45, 'g'),
         {},
         true},
        {"system message of 2 GB announced in a short frame", 0x38, sysHead + "tail", {}, true},
        {"header without the marker", 0x08, u32(1001) + std::string(88 + 1001, 'c'), junk, false},
        {"frame shorter than what was read", 0x08, u32(1001) + std::string(88 + 1001, 'c'), header(1001, 3),
         false},
        {"frame length 0", 0x02, u32(100) + std::string(113, 's'), header(1001, 0), false},
    };
    const std::string after = frameMessage(std::string("\x07")) + frameMessage(std::string("\x62"));
    for (const auto& c : cases) {
        const std::string message = std::string(1, char(c.code)) + c.body;
        const std::string frame =
            c.header.empty() ? frameMessage(message).empty() ? frameStream(message) : frameMessage(message)
                             : c.header + message;
        const std::string bytes = frame + after;
        // Whole, and one byte at a time: the skip must not depend on how the bytes arrive.
        for (size_t chunk : {bytes.size(), size_t(1)}) {
            ClientStreamReader r(false);
            std::vector<Message> got;
            Message m;
            bool stopped = false;
            for (size_t i = 0; i < bytes.size() && !stopped; i += chunk) {
                r.feed(std::string_view(bytes).substr(i, chunk));
                for (;;) {
                    const auto res = r.next(m);
                    if (res == ClientStreamReader::Result::Message) {
                        got.push_back(m);
                        continue;
                    }
                    stopped = res == ClientStreamReader::Result::Error;
                    break;
                }
            }
            if (c.skipped) {
                EXPECT_FALSE(stopped) << c.what;
                ASSERT_EQ(got.size(), 2u) << c.what;
                EXPECT_EQ(got[0].code, 0x07) << c.what;
                EXPECT_EQ(got[1].code, 0x62) << c.what;
                EXPECT_EQ(r.skipped(), 1u) << c.what;
                EXPECT_NE(r.lastSkip().find("over its limit"), std::string::npos) << c.what;
                EXPECT_EQ(r.buffered(), 0u) << c.what;
            } else {
                EXPECT_TRUE(stopped) << c.what;
                EXPECT_TRUE(got.empty()) << c.what;
                EXPECT_FALSE(r.error().empty()) << c.what;
                // The reader stays stopped: nothing after the error is ever delivered.
                r.feed(frameMessage(std::string("\x07")));
                EXPECT_EQ(r.next(m), ClientStreamReader::Result::Error) << c.what;
            }
        }
    }
}

TEST(ClientStreamReader, CountAtTheCapIsAccepted) {
    ClientStreamReader r(false);
    r.feed(fromServer(0x08, u32(1000) + std::string(88 + 1000, 'c')));
    Message m;
    ASSERT_EQ(r.next(m), ClientStreamReader::Result::Message);
    EXPECT_EQ(m.body.size(), 4u + 88 + 1000);
}

TEST(ServerFrameReader, CutsByHeaderLengthAndChecksCounts) {
    ServerFrameReader r;
    const std::string login(149, 'l');
    r.feed(greeting() + frameMessage("\xFF" + login) + frameStream("\x4A" + std::string(3000, 'n')));
    Message m;
    ASSERT_EQ(r.next(m), ServerFrameReader::Result::Message);
    EXPECT_EQ(m.code, 0xFF);
    EXPECT_EQ(m.body, login);
    ASSERT_EQ(r.next(m), ServerFrameReader::Result::Message);
    EXPECT_EQ(m.body.size(), 3000u);
    EXPECT_EQ(r.next(m), ServerFrameReader::Result::NeedMore);

    EXPECT_TRUE(r.greeted());

    // Through an HTTP proxy the client sends no greeting: the first frame comes at once.
    ServerFrameReader direct;
    direct.feed(frameMessage("\x07"));
    ASSERT_EQ(direct.next(m), ServerFrameReader::Result::Message);
    EXPECT_EQ(m.code, 0x07);
    EXPECT_TRUE(direct.greetingDone());
    EXPECT_FALSE(direct.greeted());

    struct Bad {
        const char* what;
        std::string bytes;
    };
    const Bad bad[] = {
        {"garbage greeting", std::string(40, 'x')},
        {"zero length", greeting() + u32(1001) + u32(0) + std::string(12, '\0')},
        {"huge length", greeting() + u32(1001) + u32(0xFFFFFFF0) + std::string(12, '\0')},
        {"count disagrees with frame", greeting() + frameMessage("\x08" + u32(5) + std::string(88, 'c'))},
        {"count over cap", greeting() + frameMessage("\x08" + u32(1001) + std::string(1089, 'c'))},
    };
    for (const auto& b : bad) {
        ServerFrameReader br;
        br.feed(b.bytes);
        EXPECT_EQ(br.next(m), ServerFrameReader::Result::Error) << b.what;
    }
}

TEST(Datagram, DecodesOnlyWholeBodies) {
    Message m;
    std::string err;
    EXPECT_TRUE(decodeDatagram("\x20" + std::string(44, 'e') + "trailing", m, &err));
    EXPECT_EQ(m.body.size(), 44u);
    EXPECT_FALSE(decodeDatagram("\x20" + std::string(43, 'e'), m, &err));
    EXPECT_FALSE(decodeDatagram(std::string("\x08") + u32(10) + std::string(95, 'c'), m, &err));
    EXPECT_TRUE(decodeDatagram(std::string("\x08") + u32(10) + std::string(98, 'c'), m, &err));
    EXPECT_FALSE(decodeDatagram(std::string("\x08") + u32(0xFFFFFFFF), m, &err));
    EXPECT_FALSE(decodeDatagram("", m, &err));
    EXPECT_FALSE(decodeDatagram("\x53", m, &err));
    EXPECT_FALSE(decodeDatagram("\xFF" + std::string(149, 'l'), m, &err)); // never received
}

} // namespace
