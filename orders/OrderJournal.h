#pragma once
// The journal of deleted and restored orders, cds/deletions.log beside the
// backups: plain UTF-8, tab-separated, a header line when the file is new,
// only ever appended to, and only whole lines. The deletion and the restore
// each make their own lines; this is the one place that knows where the file
// is, how a field is quoted and how lines reach the disk.
#include <ctime>
#include <string>

namespace batchdel {

inline constexpr const char *kJournalHeaderLine = "time\tMASTERBILLID\tORDER_SUB lines\tbackup\tdatabase\tuser\n";

// <folder>cds/deletions.log; folder ends in "/".
std::string OrderJournalPath(const std::string &folder);

// A value as a field of a tab-separated line: between double quotes (each
// inside written twice) when it holds a tab, a line break or a double quote.
std::string JournalField(const std::string &value);

// The local time of a commit as the journal's first field.
std::string JournalTime(const std::tm &at);

// One order's line, in the header line's columns: the time (JournalTime),
// the order number, its detail lines (a deletion writes "12", a restore
// "+12"), the backup, the database and the user, each field quoted as
// JournalField quotes it.
std::string JournalLine(const std::string &time, const std::string &orderNumber, const std::string &lines,
                        const std::string &backup, const std::string &database, const std::string &user);

enum class JournalOpening {
    CreateWithHeader,  // a missing journal is made, with its header line
    ExistingOnly,      // a missing journal is an error (errno ENOENT)
};

// Appends whole lines (each ending in "\n", may be empty) and syncs them to
// the disk; a journal that is empty gets the header line first. On failure
// whatever part of them reached the file is cut off again, so the file
// holds whole lines only, and the errno is returned; 0 on success.
int AppendJournalLines(const std::string &path, const std::string &lines, JournalOpening opening);

}  // namespace batchdel
