// What identifies this machine to the server: the machine identifier made from the first network
// adapter's hardware address, and the IPv4 address the sign-in request reports.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace vantor::platform {

// The hardware address (up to 6 bytes, zero-filled to 8) read as two 32-bit little-endian words and
// printed "%x%x": lower-case hexadecimal without padding. Empty for an empty address.
std::string formatMachineId(std::span<const uint8_t> hardwareAddress);

// formatMachineId of the first interface that is not a loopback and has a 6-byte hardware address
// that is not all zeros; empty when there is none.
std::string machineId();

// The first IPv4 address of an interface that is up and not a loopback, dotted; empty when none.
std::string localIPv4Address();

} // namespace vantor::platform
