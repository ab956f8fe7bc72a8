#pragma once
// A restore refused before anything is written: a backup file that does not
// read, a pair that does not belong together, a column a table or the backup
// lacks. The refusal is a kind with its data, so that each program words it
// in its own language; Message() is batchdel-restore's English
// (RestoreRefusalText).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "data/dataset/Errors.h"
#include "data/packet/PacketErrors.h"

namespace batchdel {

enum class RestoreRefusal {
    UnreadableFile,           // file; reason: the reader's words
    NotNamedAsHeaderFile,     // file: not ORDER_MASTER_<time>.CDS
    NotNamedAsDetailFile,     // file: not ORDER_SUB<time>.CDS
    FilesOfTwoBackups,        // headerTime, detailTime
    NoOrderNumberColumn,      // file
    RowWithoutOrderNumber,    // file, row (from 1)
    OrderTwice,               // file, order
    LinesWithoutTheirOrder,   // file (the detail file), count, order (the first such line's)
    ColumnsTheDatabaseLacks,  // columns ("ORDER_MASTER.REMARK")
    ColumnsTheBackupLacks,    // columns
};

struct RestoreRefusalFacts {
    std::string file;
    std::string reason;
    std::string headerTime, detailTime;
    int64_t row = 0;
    int64_t count = 0;
    std::string order;
    std::vector<std::string> columns;
    // UnreadableFile, when the packet reader said why (reason holds its
    // words): the fault, the system's error number, the bytes the file holds
    // and those its packet should have.
    std::optional<PacketFault> fault;
    int systemError = 0;
    uint64_t bytesHeld = 0, bytesExpected = 0;

    // Filled one fact at a time: RestoreRefusalFacts().File(path).Row(3).
    RestoreRefusalFacts &File(std::string text) { return Set(file, std::move(text)); }
    RestoreRefusalFacts &Reason(std::string text) { return Set(reason, std::move(text)); }
    RestoreRefusalFacts &Times(std::string header, std::string detail) {
        detailTime = std::move(detail);
        return Set(headerTime, std::move(header));
    }
    RestoreRefusalFacts &Row(int64_t value) { return Set(row, value); }
    RestoreRefusalFacts &Count(int64_t value) { return Set(count, value); }
    RestoreRefusalFacts &Order(std::string text) { return Set(order, std::move(text)); }
    RestoreRefusalFacts &Columns(std::vector<std::string> names) { return Set(columns, std::move(names)); }
    RestoreRefusalFacts &Unread(const EPacketUnreadable &failure) {
        systemError = failure.SystemError();
        bytesHeld = failure.Held();
        bytesExpected = failure.Expected();
        fault = failure.Fault();
        return Reason(failure.Message());
    }

private:
    template <typename T>
    RestoreRefusalFacts &Set(T &field, T value) {
        field = std::move(value);
        return *this;
    }
};

class ERestoreRefused : public Exception {
public:
    ERestoreRefused(RestoreRefusal kind, RestoreRefusalFacts facts);
    RestoreRefusal Kind() const { return kind_; }
    const RestoreRefusalFacts &Facts() const { return facts_; }

private:
    RestoreRefusal kind_;
    RestoreRefusalFacts facts_;
};

// batchdel-restore's words for a refusal, one line.
std::string RestoreRefusalText(RestoreRefusal kind, const RestoreRefusalFacts &facts);

}  // namespace batchdel
