#include "app/JournalRuns.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>

#include "data/dataset/Errors.h"
#include "data/packet/PacketFile.h"

namespace {

// The journal's columns: time, MASTERBILLID, ORDER_SUB lines, backup,
// database, user.
enum Column { kTime, kNumber, kLines, kBackup, kDatabase, kUser, kColumns };

constexpr const char *kRestoredFrom = "restored from ";
constexpr double kNoBackupRunGapSeconds = 60;

// Seconds since the epoch of "YYYY-MM-DD HH:MM:SS" read as local time; -1
// for anything else.
double SecondsOf(const std::string &time) {
    std::tm at{};
    if (::strptime(time.c_str(), "%Y-%m-%d %H:%M:%S", &at) == nullptr) return -1;
    at.tm_isdst = -1;
    return static_cast<double>(std::mktime(&at));
}

bool ParseCount(const std::string &text, long long &count) {
    if (text.empty()) return false;
    count = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        count = count * 10 + (c - '0');
    }
    return true;
}

std::string Word(const std::string &backup, bool second) {
    const size_t space = backup.find(' ');
    if (space == std::string::npos) return second ? std::string() : backup;
    return second ? backup.substr(space + 1) : backup.substr(0, space);
}

}  // namespace

std::string JournalRun::HeaderFile() const { return Word(backup, false); }
std::string JournalRun::DetailFile() const { return Word(backup, true); }

long long JournalRun::Lines() const {
    long long lines = 0;
    for (const JournalOrder &order : orders) lines += order.lines;
    return lines;
}

std::vector<std::vector<std::string>> ReadJournalRecords(const std::string &text) {
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> record;
    std::string field;
    bool quoted = false, fieldStarted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != '"')
                field += c;
            else if (i + 1 < text.size() && text[i + 1] == '"')
                field += text[++i];
            else
                quoted = false;
        } else if (c == '"' && !fieldStarted) {
            quoted = fieldStarted = true;
        } else if (c == '\t') {
            record.push_back(std::move(field));
            field.clear();
            fieldStarted = false;
        } else if (c == '\n') {
            record.push_back(std::move(field));
            records.push_back(std::move(record));
            record.clear();
            field.clear();
            fieldStarted = false;
        } else if (c != '\r') {
            field += c;
            fieldStarted = true;
        }
    }
    // A last line without its line break is one cut short by a crash: the
    // journal only ever holds whole lines, so it is left out.
    return records;
}

std::vector<JournalRun> JournalRunsFor(const std::string &journalText, const std::string &database) {
    std::vector<JournalRun> runs;
    std::map<std::string, size_t> byPair;  // backup pair -> its run
    // The run without a backup still open, and the time of its last line.
    long long openRun = -1;
    double openRunLast = 0;
    struct Restore {
        std::string pair, number;
    };
    std::vector<Restore> restores;

    for (const std::vector<std::string> &record : ReadJournalRecords(journalText)) {
        if (record.size() < kColumns || record[kDatabase] != database) continue;
        const std::string &linesText = record[kLines];
        long long lines = 0;
        if (!linesText.empty() && linesText[0] == '+') {
            // A restored order: its backup column names the pair it came from.
            if (ParseCount(linesText.substr(1), lines) && record[kBackup].rfind(kRestoredFrom, 0) == 0)
                restores.push_back({record[kBackup].substr(std::strlen(kRestoredFrom)), record[kNumber]});
            openRun = -1;
            continue;
        }
        if (!ParseCount(linesText, lines)) continue;  // the header line, or a line of no known form
        const JournalOrder order{record[kNumber], lines};
        const std::string &user = record[kUser];
        if (record[kBackup] != "none") {
            openRun = -1;
            auto [at, isNew] = byPair.try_emplace(record[kBackup], runs.size());
            if (isNew) runs.push_back({record[kTime], user, database, record[kBackup], {}, {}});
            runs[at->second].orders.push_back(order);
            continue;
        }
        const double seconds = SecondsOf(record[kTime]);
        const bool continues = openRun >= 0 && runs[static_cast<size_t>(openRun)].user == user && seconds >= 0 &&
                               seconds - openRunLast <= kNoBackupRunGapSeconds;
        if (!continues) {
            openRun = static_cast<long long>(runs.size());
            runs.push_back({record[kTime], user, database, "", {}, {}});
        }
        openRunLast = seconds;
        runs[static_cast<size_t>(openRun)].orders.push_back(order);
    }
    // An order counts as restored in its own run only: the same number in
    // another deletion (an order restored, then deleted again) is another
    // matter.
    for (const Restore &restore : restores) {
        const auto at = byPair.find(restore.pair);
        if (at == byPair.end()) continue;
        JournalRun &run = runs[at->second];
        for (const JournalOrder &order : run.orders)
            if (order.number == restore.number) {
                run.restored.insert(restore.number);
                break;
            }
    }
    return {runs.rbegin(), runs.rend()};
}

std::vector<JournalRun> ReadJournalRuns(const std::string &journalPath, const std::string &database) {
    std::ifstream file(journalPath, std::ios::binary);
    if (!file) {
        if (errno == ENOENT) return {};
        throw Exception("EJournalUnreadable", "無法讀取刪除紀錄 " + journalPath + "：" + SystemReason(errno));
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) throw Exception("EJournalUnreadable", "無法讀取刪除紀錄 " + journalPath);
    return JournalRunsFor(text.str(), database);
}
