#include "platform/machine_identity.h"

#include <QNetworkInterface>

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

namespace vantor::platform {

std::string formatMachineId(std::span<const uint8_t> hw) {
    if (hw.empty()) return {};
    std::array<uint8_t, 8> b{};
    std::copy_n(hw.begin(), std::min<size_t>(hw.size(), 6), b.begin());
    auto word = [&](size_t i) {
        return uint32_t(b[i]) | uint32_t(b[i + 1]) << 8 | uint32_t(b[i + 2]) << 16 | uint32_t(b[i + 3]) << 24;
    };
    char text[24];
    std::snprintf(text, sizeof text, "%x%x", word(0), word(4));
    return text;
}

namespace {
// "AA:BB:CC:DD:EE:FF" → 6 bytes; anything else → empty.
std::vector<uint8_t> parseHardwareAddress(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 6) return {};
    std::vector<uint8_t> out;
    for (const QString& p : parts) {
        bool ok = false;
        const uint v = p.toUInt(&ok, 16);
        if (!ok || v > 255) return {};
        out.push_back(uint8_t(v));
    }
    if (std::all_of(out.begin(), out.end(), [](uint8_t v) { return v == 0; })) return {};
    return out;
}
} // namespace

std::string machineId() {
    for (const QNetworkInterface& ni : QNetworkInterface::allInterfaces()) {
        if (ni.flags().testFlag(QNetworkInterface::IsLoopBack)) continue;
        const auto hw = parseHardwareAddress(ni.hardwareAddress());
        if (!hw.empty()) return formatMachineId(hw);
    }
    return {};
}

std::string localIPv4Address() {
    for (const QNetworkInterface& ni : QNetworkInterface::allInterfaces()) {
        const auto f = ni.flags();
        if (f.testFlag(QNetworkInterface::IsLoopBack) || !f.testFlag(QNetworkInterface::IsUp)) continue;
        for (const QNetworkAddressEntry& e : ni.addressEntries())
            if (e.ip().protocol() == QAbstractSocket::IPv4Protocol) return e.ip().toString().toStdString();
    }
    return {};
}

} // namespace vantor::platform
