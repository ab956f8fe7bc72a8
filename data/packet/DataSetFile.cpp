#include "data/packet/DataSetFile.h"

#include <memory>

#include "data/dataset/ClientDataSet.h"
#include "data/dataset/TableEngine.h"
#include "data/packet/PacketFile.h"

void WriteToFile(TClientDataSet &set, const std::string &path, PacketFormat format) {
    if (!set.Active()) return;
    std::string lower = path;
    for (char &ch : lower)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    const bool xml =
        format == PacketFormat::Xml || (lower.size() >= 4 && lower.compare(lower.size() - 4, 4, ".xml") == 0);
    // The file holds the present content, a pending edit included.
    set.CheckBrowseMode();
    WritePacketFile(path, *set.Engine(), xml);
}

void LoadFromFile(TClientDataSet &set, const std::string &path) {
    // Read first: a file that cannot be read leaves the present rows alone.
    std::unique_ptr<TableEngine> table = ReadPacketFile(path);
    set.OpenOnTable(std::move(table));
}
