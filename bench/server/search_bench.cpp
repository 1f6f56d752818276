// The server's user search over a generated organisation of 100 000 colleagues: one page of
// results per request, as CmdUserSearch asks for it. Baseline in the same run: a plain byte
// search (std::string::find) over the same names, which the character-boundary search replaced.
#include "protocol/group.h"
#include "protocol/text.h"
#include "server/directory.h"
#include "server/org_file.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

using namespace vantor;

namespace {

server::Directory& directory() {
    static server::Directory d = [] {
        server::Organisation org;
        std::string error;
        if (!server::parseOrganisation(server::generateOrganisationJson(100000, 5000), org, &error))
            std::abort();
        server::Directory dir;
        dir.load(org);
        return dir;
    }();
    return d;
}

// A text no name holds: every colleague is looked at.
const std::string kNowhere = protocol::toGbk("栽");

void BM_SearchEverybodyFirstPage(benchmark::State& state) {
    server::Directory& d = directory();
    for (auto _ : state)
        benchmark::DoNotOptimize(d.search("", "", 0, protocol::kSearchPageSize));
}

void BM_SearchEverybodyLastPage(benchmark::State& state) {
    server::Directory& d = directory();
    for (auto _ : state)
        benchmark::DoNotOptimize(d.search("", "", 99990, protocol::kSearchPageSize));
}

void BM_SearchNameFoundNowhere(benchmark::State& state) {
    server::Directory& d = directory();
    for (auto _ : state)
        benchmark::DoNotOptimize(d.search(kNowhere, "", 0, protocol::kSearchPageSize));
}

void BM_BaselineByteFindNowhere(benchmark::State& state) {
    server::Directory& d = directory();
    std::vector<std::string> names;
    for (size_t i = 0; i < d.userCount(); ++i)
        if (const auto* u = d.user(uint32_t(100000 + i))) names.push_back(u->name);
    for (auto _ : state) {
        size_t found = 0;
        for (const auto& n : names)
            found += n.find(kNowhere) != std::string::npos;
        benchmark::DoNotOptimize(found);
    }
}

} // namespace

BENCHMARK(BM_SearchEverybodyFirstPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SearchEverybodyLastPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchNameFoundNowhere)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BaselineByteFindNowhere)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
