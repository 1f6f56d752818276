// The drop shadow's picture at three window sizes and the colour shift of a skin's seven pictures
// per slider step, each against a plain copy of the same pixels in the same run.
#include "skin/colour_shift.h"
#include "skin/shadow_picture.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

using vantor::skin::ColourShift;
using vantor::skin::ShadowPicture;

void ShadowBuild(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    ShadowPicture picture;
    picture.resize(w, h);
    const auto shape = vantor::skin::roundedWindowShape(w, h);
    for (auto _ : state) {
        picture.build(shape, 0x525252);
        benchmark::DoNotOptimize(picture.pixels().data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(picture.width()) * picture.height());
}

// The baseline: copying a picture of the shadow's size once.
void ShadowCopy(benchmark::State& state) {
    const size_t n = size_t(state.range(0) + 32) * size_t(state.range(1) + 32);
    std::vector<uint32_t> from(n, 0x80525252u), to(n);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), n * sizeof(uint32_t));
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t(n));
}

BENCHMARK(ShadowBuild)->Args({400, 600})->Args({800, 600})->Args({1920, 1080})->Unit(benchmark::kMillisecond);
BENCHMARK(ShadowCopy)->Args({400, 600})->Args({800, 600})->Args({1920, 1080})->Unit(benchmark::kMillisecond);

// The seven pictures of the shipped skins, by size.
struct Pictures {
    std::vector<std::vector<uint32_t>> pixels;
    size_t total = 0;
    explicit Pictures(bool noisy) {
        const int sizes[7][2] = {{140, 80}, {300, 110}, {180, 60}, {600, 70}, {90, 30}, {300, 30}, {600, 40}};
        std::mt19937 rng(7);
        for (const auto& s : sizes) {
            std::vector<uint32_t> p(size_t(s[0] * s[1]));
            for (int y = 0; y < s[1]; ++y)
                for (int x = 0; x < s[0]; ++x) {
                    // Bars: vertical gradients with a motif; noisy: every pixel its own colour.
                    const uint32_t v = noisy ? rng()
                                             : 0xFF000000u | uint32_t(40 + y) << 16 | uint32_t(90 + y) << 8 |
                                                   uint32_t(200 - y / 2 + ((x / 7) % 3));
                    p[size_t(y * s[0] + x)] = v | 0xFF000000u;
                }
            total += p.size();
            pixels.push_back(std::move(p));
        }
    }
};

void ShiftSevenPictures(benchmark::State& state) {
    const Pictures pictures(state.range(0) != 0);
    std::vector<std::vector<uint32_t>> out;
    for (const auto& p : pictures.pixels)
        out.emplace_back(p.size());
    int step = 0;
    for (auto _ : state) {
        // One slider step: the hue moves, saturation and brightness stay.
        const ColourShift shift{(step++ % 360) - 179, 20, -10};
        for (size_t i = 0; i < pictures.pixels.size(); ++i)
            vantor::skin::shiftPixels(pictures.pixels[i].data(), out[i].data(), pictures.pixels[i].size(),
                                      shift);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(pictures.total));
}

void CopySevenPictures(benchmark::State& state) {
    const Pictures pictures(state.range(0) != 0);
    std::vector<std::vector<uint32_t>> out;
    for (const auto& p : pictures.pixels)
        out.emplace_back(p.size());
    for (auto _ : state) {
        for (size_t i = 0; i < pictures.pixels.size(); ++i)
            std::memcpy(out[i].data(), pictures.pixels[i].data(),
                        pictures.pixels[i].size() * sizeof(uint32_t));
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t(pictures.total));
}

// 0: bars (gradients, runs of one colour); 1: noise (no two neighbours alike, the worst case).
BENCHMARK(ShiftSevenPictures)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(CopySevenPictures)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
