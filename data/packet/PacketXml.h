#pragma once
// The readable XML form of a data packet: the same columns, properties, rows
// and change log as the binary form, for people and other tools to read.
#include <string>

#include "data/packet/PacketSink.h"

class TableEngine;

namespace packet {

void WritePacketXml(const TableEngine &engine, PacketSink &sink);
std::string WritePacketXml(const TableEngine &engine);

}  // namespace packet
