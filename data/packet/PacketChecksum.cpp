#include "data/packet/PacketChecksum.h"

#include <array>
#include <bit>
#include <cstring>

#if defined(__x86_64__)
#include <nmmintrin.h>
#endif

namespace packet {
namespace {

constexpr uint32_t kPoly = 0x82F63B78u;  // reflected Castagnoli polynomial

using Tables = std::array<std::array<uint32_t, 256>, 8>;

constexpr Tables MakeTables() {
    Tables t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (kPoly & (0u - (c & 1u)));
        t[0][i] = c;
    }
    for (uint32_t i = 0; i < 256; ++i)
        for (int s = 1; s < 8; ++s) t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
    return t;
}

constexpr Tables kTables = MakeTables();

uint32_t Software(uint32_t crc, const unsigned char *p, size_t len) {
    while (len && (reinterpret_cast<uintptr_t>(p) & 7)) {
        crc = (crc >> 8) ^ kTables[0][(crc ^ *p++) & 0xFF];
        --len;
    }
    while (len >= 8) {
        uint32_t lo, hi;
        std::memcpy(&lo, p, 4);
        std::memcpy(&hi, p + 4, 4);
        if constexpr (std::endian::native == std::endian::big) {
            lo = __builtin_bswap32(lo);
            hi = __builtin_bswap32(hi);
        }
        lo ^= crc;
        crc = kTables[7][lo & 0xFF] ^ kTables[6][(lo >> 8) & 0xFF] ^ kTables[5][(lo >> 16) & 0xFF] ^
              kTables[4][lo >> 24] ^ kTables[3][hi & 0xFF] ^ kTables[2][(hi >> 8) & 0xFF] ^
              kTables[1][(hi >> 16) & 0xFF] ^ kTables[0][hi >> 24];
        p += 8;
        len -= 8;
    }
    while (len--) crc = (crc >> 8) ^ kTables[0][(crc ^ *p++) & 0xFF];
    return crc;
}

#if defined(__x86_64__)
__attribute__((target("sse4.2"))) uint32_t Hardware(uint32_t crc, const unsigned char *p, size_t len) {
    uint64_t c = crc;
    while (len >= 8) {
        uint64_t v;
        std::memcpy(&v, p, 8);
        c = _mm_crc32_u64(c, v);
        p += 8;
        len -= 8;
    }
    uint32_t c32 = static_cast<uint32_t>(c);
    while (len--) c32 = _mm_crc32_u8(c32, *p++);
    return c32;
}

bool HasCrcInstruction() {
    static const bool has = (__builtin_cpu_init(), __builtin_cpu_supports("sse4.2"));
    return has;
}
#endif

}  // namespace

uint32_t Crc32c(uint32_t crc, const void *data, size_t len) {
    const auto *p = static_cast<const unsigned char *>(data);
    crc = ~crc;
#if defined(__x86_64__)
    if (HasCrcInstruction()) return ~Hardware(crc, p, len);
#endif
    return ~Software(crc, p, len);
}

}  // namespace packet
