#pragma once
// A client result set written to a packet file and read back: the files of
// the backups.
#include <string>

class TClientDataSet;

enum class PacketFormat { Binary, Xml };

// Writes the present content (a pending edit finished first) as one data
// packet; a closed set writes nothing. Binary unless the format says XML or
// the name ends in ".xml" (any case).
void WriteToFile(TClientDataSet &set, const std::string &path, PacketFormat format = PacketFormat::Binary);
// Loads a packet file written by WriteToFile; the set opens on it. A file
// that cannot be read leaves the set as it was.
void LoadFromFile(TClientDataSet &set, const std::string &path);
