// The journal writer shared by the deletion and the restore: whole lines only,
// the header line on a new journal, a missing journal made or refused.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "orders/OrderJournal.h"
#include "tests/support/TempDir.h"

using namespace batchdel;

namespace {

std::string Slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(OrderJournalTest, AMissingJournalIsMadeWithItsHeaderOrRefused) {
    TempDir dir;
    const std::string made = dir.file("made.log");
    EXPECT_EQ(AppendJournalLines(made, "a\t1\n", JournalOpening::CreateWithHeader), 0);
    EXPECT_EQ(AppendJournalLines(made, "b\t2\n", JournalOpening::ExistingOnly), 0);
    EXPECT_EQ(Slurp(made), std::string(kJournalHeaderLine) + "a\t1\nb\t2\n");

    const std::string refused = dir.file("refused.log");
    EXPECT_EQ(AppendJournalLines(refused, "a\t1\n", JournalOpening::ExistingOnly), ENOENT);
    EXPECT_FALSE(std::filesystem::exists(refused));

    // An empty journal someone made by hand gets its header first.
    std::ofstream(dir.file("empty.log")).close();
    EXPECT_EQ(AppendJournalLines(dir.file("empty.log"), "c\t3\n", JournalOpening::ExistingOnly), 0);
    EXPECT_EQ(Slurp(dir.file("empty.log")), std::string(kJournalHeaderLine) + "c\t3\n");
}

TEST(OrderJournalTest, AWriteCutShortLeavesTheLinesBeforeItAndNoPartOfIt) {
    for (const JournalOpening opening : {JournalOpening::CreateWithHeader, JournalOpening::ExistingOnly}) {
        TempDir dir;
        const std::string path = dir.file("deletions.log");
        const std::string before = std::string(kJournalHeaderLine) + "2026-01-02 03:04:05\tA1\t+2\n";
        std::ofstream(path, std::ios::binary) << before;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // The file may grow by a few bytes only: the write stops mid-line.
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{before.size() + 10, before.size() + 10};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            const int error = AppendJournalLines(path, std::string(200, 'x') + "\n", opening);
            ::_exit(error == EFBIG ? 0 : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the short write was not reported as EFBIG";
        EXPECT_EQ(Slurp(path), before);
    }
}

TEST(OrderJournalTest, FieldsWithTabsBreaksOrQuotesAreQuoted) {
    struct Case {
        const char *value, *field;
    };
    for (const Case c : {Case{"A 1 ", "A 1 "}, Case{"訂單", "訂單"}, Case{"a\tb", "\"a\tb\""}, Case{"a\nb", "\"a\nb\""},
                         Case{"say \"hi\"", "\"say \"\"hi\"\"\""}})
        EXPECT_EQ(JournalField(c.value), c.field) << c.value;
}

}  // namespace
