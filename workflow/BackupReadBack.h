#pragma once
// The check of a backup pair on disk: both files are read back (which checks
// each packet's checksum, length and format version) and must hold what the
// backup says it wrote: the same number of rows, the same order numbers and,
// per order, the same number of detail lines. A file that does not read
// back, or holds something else, raises EBackupNotReadBack: a kind with its
// data, which the window words in its own language (WindowTexts) and the
// commands in theirs (BackupReadBackText, the failure's Message()). The
// backup that raises it keeps neither file, and nothing has been deleted.
#include <cstdint>
#include <string>

#include "data/dataset/Errors.h"

namespace batchdel {

struct BackupResult;

enum class ReadBackFailure {
    FileMissing,          // file: no longer there when read back
    FileUnreadable,       // file, reason: the system's words
    FileTruncated,        // file, count: bytes it holds, expected: bytes written (0: fewer than a packet's header)
    FileChanged,          // file, reason: the packet reader's words (not a packet, damaged, another version)
    RowCount,             // file, count: rows read back, expected: rows written
    NoOrderNumberColumn,  // file
    OrderNotBackedUp,     // file (the header file), order
    OrderCount,           // file (the header file), count: distinct orders, expected
    LineOfOtherOrder,     // file (the detail file), order: a line's order the header file lacks
    LineCount,            // file (the detail file), order, count: its lines read back, expected
};

struct ReadBackFacts {
    std::string file;
    std::string reason;
    std::string order;
    int64_t count = 0;
    int64_t expected = 0;
};

// Keeps the class name of every failure to write a backup file.
class EBackupNotReadBack : public EFCreateError {
public:
    EBackupNotReadBack(ReadBackFailure kind, ReadBackFacts facts);
    ReadBackFailure Kind() const { return kind_; }
    const ReadBackFacts &Facts() const { return facts_; }

private:
    ReadBackFailure kind_;
    ReadBackFacts facts_;
};

void CheckBackupReadsBack(const BackupResult &result);

// The commands' words for a backup that does not read back, one line.
std::string BackupReadBackText(ReadBackFailure kind, const ReadBackFacts &facts);

}  // namespace batchdel
