#pragma once
// Fixed numbers of the binary data packet (docs/packet-format.md).
#include <cstdint>

namespace packet {

// 0x89 keeps the packet from passing as text; CR LF and 0x1A reveal a
// transfer that changed line ends.
inline constexpr unsigned char kMagic[8] = {0x89, 'B', 'D', 'P', 'K', '\r', '\n', 0x1A};
inline constexpr uint32_t kVersion = 1;
inline constexpr uint32_t kHeaderSize = 24;  // magic, version, flags, total length
inline constexpr uint32_t kTrailerSize = 4;  // CRC-32C of everything before it

// Column flags.
inline constexpr uint8_t kReadOnly = 1;
inline constexpr uint8_t kRequired = 2;
inline constexpr uint8_t kHidden = 4;

}  // namespace packet
