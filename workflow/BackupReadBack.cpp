#include "workflow/BackupReadBack.h"

#include <cerrno>
#include <memory>

#include "data/dataset/TableEngine.h"
#include "data/packet/PacketErrors.h"
#include "data/packet/PacketFile.h"
#include "orders/TableColumns.h"
#include "workflow/BackupOrders.h"

namespace batchdel {

namespace {

[[noreturn]] void Fail(ReadBackFailure kind, ReadBackFacts facts) { throw EBackupNotReadBack(kind, std::move(facts)); }

ReadBackFacts Facts(std::string file, int64_t count = 0, int64_t expected = 0) {
    ReadBackFacts facts;
    facts.file = std::move(file);
    facts.count = count;
    facts.expected = expected;
    return facts;
}

ReadBackFacts OrderFacts(std::string file, std::string order, int64_t count = 0, int64_t expected = 0) {
    ReadBackFacts facts = Facts(std::move(file), count, expected);
    facts.order = std::move(order);
    return facts;
}

std::unique_ptr<TableEngine> ReadBack(const std::string &path) {
    try {
        return ReadPacketFile(path);
    } catch (const EPacketUnreadable &failure) {
        ReadBackFacts facts = Facts(path);
        switch (failure.Fault()) {
            case PacketFault::CannotOpen:
                if (failure.SystemError() == ENOENT) Fail(ReadBackFailure::FileMissing, facts);
                facts.reason = SystemReason(failure.SystemError());
                Fail(ReadBackFailure::FileUnreadable, facts);
            case PacketFault::CannotRead:
                facts.reason = SystemReason(failure.SystemError());
                Fail(ReadBackFailure::FileUnreadable, facts);
            case PacketFault::NotARegularFile:
                facts.reason = "Not a regular file";
                Fail(ReadBackFailure::FileUnreadable, facts);
            case PacketFault::Truncated:
                facts.count = static_cast<int64_t>(failure.Held());
                facts.expected = static_cast<int64_t>(failure.Expected());
                Fail(ReadBackFailure::FileTruncated, facts);
            case PacketFault::NotAPacket:
            case PacketFault::OtherVersion:
            case PacketFault::Damaged:
                break;
        }
        facts.reason = failure.Message();
        Fail(ReadBackFailure::FileChanged, facts);
    } catch (const Exception &failure) {
        // The engine refusing what the packet holds: its bytes are not the
        // ones written.
        ReadBackFacts facts = Facts(path);
        facts.reason = failure.Message();
        Fail(ReadBackFailure::FileChanged, facts);
    }
}

int OrderNumberColumn(const TableEngine &table, const std::string &path) {
    if (const int column = FindColumn(table, "MASTERBILLID"); column >= 0) return column;
    Fail(ReadBackFailure::NoOrderNumberColumn, Facts(path));
}

}  // namespace

EBackupNotReadBack::EBackupNotReadBack(ReadBackFailure kind, ReadBackFacts facts)
    : EFCreateError(BackupReadBackText(kind, facts)), kind_(kind), facts_(std::move(facts)) {}

void CheckBackupReadsBack(const BackupResult &result) {
    const auto header = ReadBack(result.headerFile);
    if (header->RecordCount() != result.headerRows)
        Fail(ReadBackFailure::RowCount, Facts(result.headerFile, header->RecordCount(), result.headerRows));
    const int headerKey = OrderNumberColumn(*header, result.headerFile);
    std::unordered_map<std::string, int> lines;
    lines.reserve(result.detailLines.size());
    for (int row = 0; row < header->RecordCount(); ++row) {
        const std::string number(header->Text(row, headerKey));
        if (!result.Holds(number)) Fail(ReadBackFailure::OrderNotBackedUp, OrderFacts(result.headerFile, number));
        lines.emplace(number, 0);
    }
    if (lines.size() != result.detailLines.size())
        Fail(ReadBackFailure::OrderCount, Facts(result.headerFile, static_cast<int64_t>(lines.size()),
                                                static_cast<int64_t>(result.detailLines.size())));

    const auto detail = ReadBack(result.detailFile);
    if (detail->RecordCount() != result.detailRows)
        Fail(ReadBackFailure::RowCount, Facts(result.detailFile, detail->RecordCount(), result.detailRows));
    const int detailKey = OrderNumberColumn(*detail, result.detailFile);
    for (int row = 0; row < detail->RecordCount(); ++row) {
        const auto found = lines.find(std::string(detail->Text(row, detailKey)));
        if (found == lines.end())
            Fail(ReadBackFailure::LineOfOtherOrder,
                 OrderFacts(result.detailFile, std::string(detail->Text(row, detailKey))));
        ++found->second;
    }
    for (const auto &[number, count] : lines)
        if (count != result.detailLines.at(number))
            Fail(ReadBackFailure::LineCount,
                 OrderFacts(result.detailFile, number, count, result.detailLines.at(number)));
}

std::string BackupReadBackText(ReadBackFailure kind, const ReadBackFacts &facts) {
    const std::string unread = "Backup file \"" + facts.file + "\" cannot be read back. ";
    const std::string differs = "Backup file \"" + facts.file + "\" does not hold what was written: ";
    const std::string notKept = "; the backup is not kept";
    const auto number = [](int64_t value) { return std::to_string(value); };
    switch (kind) {
        case ReadBackFailure::FileMissing:
            return unread + "It is no longer there" + notKept;
        case ReadBackFailure::FileUnreadable:
            return unread + facts.reason + notKept;
        case ReadBackFailure::FileTruncated:
            return unread + "It holds only " + number(facts.count) +
                   (facts.expected > 0 ? " of the " + number(facts.expected) + " bytes written" : " bytes") + notKept;
        case ReadBackFailure::FileChanged:
            return unread + "Its bytes are not the ones written (" + facts.reason + ")" + notKept;
        case ReadBackFailure::RowCount:
            return differs + number(facts.count) + " rows instead of " + number(facts.expected) + notKept;
        case ReadBackFailure::NoOrderNumberColumn:
            return differs + "no column MASTERBILLID" + notKept;
        case ReadBackFailure::OrderNotBackedUp:
            return differs + "order " + facts.order + " was not backed up" + notKept;
        case ReadBackFailure::OrderCount:
            return differs + number(facts.count) + " orders instead of " + number(facts.expected) + notKept;
        case ReadBackFailure::LineOfOtherOrder:
            return differs + "a line of order " + facts.order + ", which the header file does not hold" + notKept;
        case ReadBackFailure::LineCount:
            return differs + "order " + facts.order + " has " + number(facts.count) + " lines instead of " +
                   number(facts.expected) + notKept;
    }
    return {};
}

}  // namespace batchdel
