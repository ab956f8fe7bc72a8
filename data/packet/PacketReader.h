#pragma once
// Reads a binary data packet back into a table. Refuses (EPacketUnreadable,
// an EDBClient with its PacketFault) bytes that are not a packet, a packet of
// another version, a truncated or damaged one; never trusts a count or
// length before checking it against the bytes that are there.
#include <memory>
#include <string_view>

class TableEngine;

namespace packet {

std::unique_ptr<TableEngine> ReadPacket(std::string_view bytes);

}  // namespace packet
