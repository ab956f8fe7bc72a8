#pragma once
// CRC-32C (Castagnoli), the checksum that guards a data packet's content.
// Uses the processor's CRC instruction where there is one, else tables
// eight bytes at a time.
#include <cstddef>
#include <cstdint>

namespace packet {

// Continues a checksum over more bytes; start with crc = 0.
uint32_t Crc32c(uint32_t crc, const void *data, size_t len);

}  // namespace packet
