#pragma once
// Produces the binary data packet of a table: header, columns, properties,
// rows, change log and checksum, handed to a sink in large pieces.
#include <cstdint>

#include "PacketSink.h"

class TableEngine;

namespace packet {

// The packet's length in bytes, known before it is written.
uint64_t PacketSize(const TableEngine &engine);
void WritePacket(const TableEngine &engine, PacketSink &sink);

}  // namespace packet
