#include "sound_art.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace artgen {

namespace {
void put16(QByteArray& b, uint16_t v) {
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}
void put32(QByteArray& b, uint32_t v) {
    put16(b, uint16_t(v & 0xFFFF));
    put16(b, uint16_t(v >> 16));
}
} // namespace

QByteArray messageChime() {
    constexpr int rate = 22050;
    // Two bell-like notes (E6 then B5), each with a quick attack and an exponential fade.
    struct Note {
        double start, length, frequency;
    };
    constexpr Note notes[] = {{0.0, 0.22, 1318.5}, {0.12, 0.30, 987.8}};
    const int total = int(rate * 0.42);
    std::vector<double> mix(size_t(total), 0.0);
    for (const Note& n : notes) {
        const int from = int(n.start * rate), count = int(n.length * rate);
        for (int i = 0; i < count && from + i < total; ++i) {
            const double t = double(i) / rate;
            const double envelope = std::min(1.0, t / 0.004) * std::exp(-t * 9.0);
            const double tone =
                std::sin(2 * M_PI * n.frequency * t) + 0.3 * std::sin(2 * M_PI * 2 * n.frequency * t);
            mix[size_t(from + i)] += 0.28 * envelope * tone;
        }
    }
    QByteArray pcm;
    for (double s : mix)
        put16(pcm, uint16_t(int16_t(std::lround(std::clamp(s, -1.0, 1.0) * 32000))));

    QByteArray wav("RIFF");
    put32(wav, uint32_t(36 + pcm.size()));
    wav.append("WAVEfmt ");
    put32(wav, 16);
    put16(wav, 1); // PCM
    put16(wav, 1); // mono
    put32(wav, rate);
    put32(wav, rate * 2);
    put16(wav, 2);
    put16(wav, 16);
    wav.append("data");
    put32(wav, uint32_t(pcm.size()));
    wav.append(pcm);
    return wav;
}

} // namespace artgen
