#pragma once
// The deletions of one database as the journal (cds/deletions.log) tells
// them, for the restore window: one run per deletion, with its orders, its
// backup pair and which of its orders were restored from that pair since.
//
// A deletion with a backup is every deletion line naming its pair (the
// pair's names carry its second, so no two deletions share one). A deletion
// without a backup ("none") is the unbroken stretch of such lines of one
// user, cut where more than a minute passes between two lines: its batches
// are committed well within that of each other.
#include <string>
#include <unordered_set>
#include <vector>

struct JournalOrder {
    std::string number;
    long long lines = 0;  // ORDER_SUB lines deleted
};

struct JournalRun {
    std::string time;  // of its first line, "YYYY-MM-DD HH:MM:SS"
    std::string user;
    std::string database;
    std::string backup;  // "<header file> <detail file>", or empty for none
    std::vector<JournalOrder> orders;
    std::unordered_set<std::string> restored;  // numbers restored from this run's pair

    bool HasBackup() const { return !backup.empty(); }
    std::string HeaderFile() const;  // the pair's file names, empty without one
    std::string DetailFile() const;
    long long Lines() const;
};

// The journal's records, each a list of fields: tab-separated, a field in
// double quotes may hold tabs, line breaks and doubled quotes. The header
// line is a record like the others.
std::vector<std::vector<std::string>> ReadJournalRecords(const std::string &text);

// The runs of the journal's text for this database, newest first.
std::vector<JournalRun> JournalRunsFor(const std::string &journalText, const std::string &database);

// The same, read from the journal file; no file, no runs. A file that is
// there but cannot be read raises Exception with the path and the system's
// reason, in the window's words.
std::vector<JournalRun> ReadJournalRuns(const std::string &journalPath, const std::string &database);
