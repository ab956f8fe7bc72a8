#pragma once
// Produces the binary data packet of a table: header, columns, properties,
// rows, change log and checksum, handed to a sink in large pieces.
#include <cstdint>
#include <string>

#include "data/packet/PacketSink.h"

class TableEngine;

namespace packet {

// The packet's length in bytes, known before it is written.
uint64_t PacketSize(const TableEngine &engine);
void WritePacket(const TableEngine &engine, PacketSink &sink);
// The packet in memory: out is replaced by it (its room kept for the next).
void WritePacket(const TableEngine &engine, std::string &out);
std::string WritePacket(const TableEngine &engine);

}  // namespace packet
