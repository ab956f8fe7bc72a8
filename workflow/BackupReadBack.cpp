#include "workflow/BackupReadBack.h"

#include <memory>

#include "data/dataset/Errors.h"
#include "data/dataset/TableEngine.h"
#include "data/packet/PacketFile.h"
#include "orders/TableColumns.h"
#include "workflow/BackupOrders.h"

namespace batchdel {

namespace {

std::unique_ptr<TableEngine> ReadBack(const std::string &path) {
    try {
        return ReadPacketFile(path);
    } catch (const Exception &failure) {
        throw EFCreateError("Backup file \"" + path + "\" cannot be read back. " + failure.Message());
    }
}

[[noreturn]] void Differs(const std::string &path, const std::string &what) {
    throw EFCreateError("Backup file \"" + path + "\" does not hold what was written: " + what);
}

int OrderNumberColumn(const TableEngine &table, const std::string &path) {
    if (const int column = FindColumn(table, "MASTERBILLID"); column >= 0) return column;
    Differs(path, "no column MASTERBILLID");
}

}  // namespace

void CheckBackupReadsBack(const BackupResult &result) {
    const auto header = ReadBack(result.headerFile);
    if (header->RecordCount() != result.headerRows)
        Differs(result.headerFile,
                std::to_string(header->RecordCount()) + " rows instead of " + std::to_string(result.headerRows));
    const int headerKey = OrderNumberColumn(*header, result.headerFile);
    std::unordered_map<std::string, int> lines;
    lines.reserve(result.detailLines.size());
    for (int row = 0; row < header->RecordCount(); ++row) {
        const std::string number(header->Text(row, headerKey));
        if (!result.Holds(number)) Differs(result.headerFile, "order " + number + " was not backed up");
        lines.emplace(number, 0);
    }
    if (lines.size() != result.detailLines.size())
        Differs(result.headerFile,
                std::to_string(lines.size()) + " orders instead of " + std::to_string(result.detailLines.size()));

    const auto detail = ReadBack(result.detailFile);
    if (detail->RecordCount() != result.detailRows)
        Differs(result.detailFile,
                std::to_string(detail->RecordCount()) + " rows instead of " + std::to_string(result.detailRows));
    const int detailKey = OrderNumberColumn(*detail, result.detailFile);
    for (int row = 0; row < detail->RecordCount(); ++row) {
        const auto found = lines.find(std::string(detail->Text(row, detailKey)));
        if (found == lines.end())
            Differs(result.detailFile, "a line of order " + std::string(detail->Text(row, detailKey)) +
                                           ", which the header file does not hold");
        ++found->second;
    }
    for (const auto &[number, count] : lines)
        if (count != result.detailLines.at(number))
            Differs(result.detailFile, "order " + number + " has " + std::to_string(count) + " lines instead of " +
                                           std::to_string(result.detailLines.at(number)));
}

}  // namespace batchdel
