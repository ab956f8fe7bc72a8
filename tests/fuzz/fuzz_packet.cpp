// Fuzz target for the packet reader: any bytes must be refused with
// EDBClient or load a sound table. The input is tried as it is (which mostly
// tests the frame and checksum) and once more with its length and checksum
// made right, so the fuzzer reaches the columns, rows and change log.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "data/dataset/Errors.h"
#include "data/dataset/TableEngine.h"
#include "data/packet/PacketChecksum.h"
#include "data/packet/PacketReader.h"
#include "data/packet/PacketWriter.h"
#include "data/packet/PacketXml.h"

namespace {

void TryRead(const std::string &bytes) {
    std::unique_ptr<TableEngine> table;
    try {
        table = packet::ReadPacket(bytes);
    } catch (const EDBClient &e) {
        if (e.Message().empty()) std::abort();
        return;
    }
    // A table that loads can be read whole and gives back the same packet.
    for (int r = 0; r < table->RecordCount(); ++r) table->Record(r);
    if (packet::WritePacket(*table) != bytes) std::abort();
    packet::WritePacketXml(*table);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string bytes(reinterpret_cast<const char *>(data), size);
    TryRead(bytes);
    if (size >= 28) {
        const uint64_t total = size;
        std::memcpy(bytes.data() + 16, &total, 8);
        const uint32_t crc = packet::Crc32c(0, bytes.data(), size - 4);
        std::memcpy(bytes.data() + size - 4, &crc, 4);
        TryRead(bytes);
    }
    return 0;
}
