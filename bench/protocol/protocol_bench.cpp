// Decode and encode throughput of the directory records and of chat frames through the client's
// stream reader, against a plain memcpy of the same bytes in the same run.
#include "protocol/frame.h"
#include "protocol/records.h"
#include "protocol/text.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

using namespace vantor::protocol;

namespace {

UserItem sampleUser(uint32_t id) {
    UserItem u;
    u.position = id;
    u.loadCount = 100000;
    u.user.userId = id;
    u.user.departmentId = id % 5000;
    u.user.name = toGbk("王小明");
    u.user.headPicture = "12";
    u.user.workState = toGbk("在岗");
    u.user.signature = toGbk("今天的工作今天做完");
    return u;
}

// The bytes a directory load of n users puts on the wire after the frame headers.
std::string userLoadStream(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) {
        s += std::string(20, '\0');
        s += char(Cmd::UserItem);
        s += sampleUser(uint32_t(i)).encodeBody();
    }
    return s;
}

std::string chatStream(int n, size_t textLen) {
    std::string body = countedBody(std::string(88, 'h'), std::string(textLen, 't'));
    std::string s;
    for (int i = 0; i < n; ++i)
        s += std::string(20, '\0') + char(Cmd::ChatMessage) + body;
    return s;
}

void BM_Baseline_Memcpy(benchmark::State& state) {
    const std::string src = userLoadStream(1000);
    std::vector<char> dst(src.size());
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), src.size());
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(src.size()));
}
BENCHMARK(BM_Baseline_Memcpy);

void BM_UserLoad_ReadAndDecode(benchmark::State& state) {
    const std::string src = userLoadStream(1000);
    for (auto _ : state) {
        ClientStreamReader r(false);
        r.feed(src);
        Message m;
        UserItem u;
        while (r.next(m) == ClientStreamReader::Result::Message) {
            UserItem::decodeBody(m.body, u);
            benchmark::DoNotOptimize(u.user.userId);
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(src.size()));
    state.SetItemsProcessed(int64_t(state.iterations()) * 1000);
}
BENCHMARK(BM_UserLoad_ReadAndDecode);

void BM_UserItem_Encode(benchmark::State& state) {
    const UserItem u = sampleUser(7);
    size_t bytes = 0;
    for (auto _ : state) {
        std::string b = u.encodeBody();
        bytes += b.size();
        benchmark::DoNotOptimize(b.data());
    }
    state.SetBytesProcessed(int64_t(bytes));
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_UserItem_Encode);

void BM_DepartmentItem_DecodeEncode(benchmark::State& state) {
    DepartmentItem d;
    d.department.departmentId = 12;
    d.department.name = toGbk("研发中心");
    const std::string bytes = vantor::wire::encode(d);
    for (auto _ : state) {
        DepartmentItem back;
        vantor::wire::decode(bytes, back);
        std::string again = vantor::wire::encode(back);
        benchmark::DoNotOptimize(again.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()) * 2);
}
BENCHMARK(BM_DepartmentItem_DecodeEncode);

void BM_ChatFrames_Read(benchmark::State& state) {
    const std::string src = chatStream(1000, size_t(state.range(0)));
    for (auto _ : state) {
        ClientStreamReader r(false);
        r.feed(src);
        Message m;
        while (r.next(m) == ClientStreamReader::Result::Message)
            benchmark::DoNotOptimize(m.body.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(src.size()));
    state.SetItemsProcessed(int64_t(state.iterations()) * 1000);
}
BENCHMARK(BM_ChatFrames_Read)->Arg(16)->Arg(1000);

void BM_ChatFrame_Build(benchmark::State& state) {
    const std::string text(size_t(state.range(0)), 't');
    const std::string head(88, 'h');
    for (auto _ : state) {
        std::string f = frameMessage(std::string(1, char(Cmd::ChatMessage)) + countedBody(head, text));
        benchmark::DoNotOptimize(f.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_ChatFrame_Build)->Arg(16)->Arg(1000);

} // namespace

BENCHMARK_MAIN();
