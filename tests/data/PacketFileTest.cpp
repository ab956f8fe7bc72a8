#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "data/dataset/Errors.h"
#include "data/packet/PacketFile.h"
#include "data/packet/PacketWriter.h"
#include "data/packet/PacketXml.h"
#include "data/dataset/TableEngine.h"
#include "tests/support/TempDir.h"
#include "tests/data/TableEngineRows.h"

namespace {

std::string Slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void Spit(const std::string &path, const std::string &bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::vector<std::string> Names(const std::string &dir) {
    std::vector<std::string> out;
    for (const auto &e : std::filesystem::directory_iterator(dir)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

std::unique_ptr<TableEngine> Orders(int rows, int nameRepeat = 1) {
    auto e = std::make_unique<TableEngine>(OrderListColumns());
    e->SetProperty("LCID", "1028");
    std::string name;
    for (int k = 0; k < nameRepeat; ++k) name += "客戶";
    for (int i = 0; i < rows; ++i) {
        const std::string id = "B" + std::to_string(i);
        e->BeginRow();
        e->SetBytes(0, id.data(), id.size());
        e->SetDate(1, DbDateFromCivil(2024, 1, 1) + i % 300);
        e->SetBytes(4, name.data(), name.size());
        e->SetBytes(6, "N", 1);
        e->EndRow();
    }
    return e;
}

template <typename E>
std::string MessageOf(const std::function<void()> &f) {
    try {
        f();
    } catch (const E &e) {
        return e.Message();
    }
    return "(no failure)";
}

class PacketFileTest : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(PacketFileTest, AWrittenFileLoadsAgainAndReplacesAnOldOneWhole) {
    const std::string path = dir.file("ORDER_MASTER_20240305140709.CDS");
    Spit(path, std::string(1 << 20, 'x'));  // longer than the new content
    auto t = Orders(100);
    t->WriteRecord(3, {Str("B3"), Null(), Null(), Str("C"), Str("名"), Null(), Str("Y")});
    WritePacketFile(path, *t, false);
    EXPECT_EQ(Slurp(path), packet::WritePacket(*t));
    const auto back = ReadPacketFile(path);
    EXPECT_EQ(back->Record(3), t->Record(3));
    EXPECT_EQ(back->ChangeLog(), t->ChangeLog());
    EXPECT_EQ(back->Property("LCID"), "1028");
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"ORDER_MASTER_20240305140709.CDS"});  // no leftovers
}

TEST_F(PacketFileTest, TheXmlFormIsWrittenWhenAsked) {
    const std::string path = dir.file("orders.xml");
    auto t = Orders(2);
    WritePacketFile(path, *t, true);
    EXPECT_EQ(Slurp(path), packet::WritePacketXml(*t));
}

TEST_F(PacketFileTest, NewFilesAreTheirOwnersAloneWhateverTheUmaskAndReplacedFilesKeepTheirMode) {
    // A packet holds orders: customer names and amounts.
    const mode_t old = ::umask(077);
    WritePacketFile(dir.file("private.CDS"), *Orders(1), false);
    ::umask(022);
    WritePacketFile(dir.file("usual.CDS"), *Orders(1), false);
    ::umask(0277);  // not even the owner's write bit
    WritePacketFile(dir.file("odd.CDS"), *Orders(1), false);
    ::umask(022);
    Spit(dir.file("kept.CDS"), "old");
    ::chmod(dir.file("kept.CDS").c_str(), 0640);
    WritePacketFile(dir.file("kept.CDS"), *Orders(1), false);
    ::umask(old);
    struct stat st {};
    for (const char *name : {"private.CDS", "usual.CDS", "odd.CDS"}) {
        ::stat(dir.file(name).c_str(), &st);
        EXPECT_EQ(st.st_mode & 0777, 0600u) << name;
    }
    ::stat(dir.file("kept.CDS").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(PacketFileTest, AFileThatCannotBeCreatedIsReportedWithItsFullPathAndReason) {
    struct Case {
        std::string path;      // as passed
        std::string fullPath;  // as reported
        const char *reason;
    };
    std::filesystem::create_directory(dir.file("sub"));
    const std::string cwd = std::filesystem::current_path().string();
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    const Case cases[] = {
        {dir.file("cds/ORDER_SUB20240305140709.CDS"), dir.file("cds/ORDER_SUB20240305140709.CDS"),
         "No such file or directory"},
        {"cds/x.CDS", dir.file("cds/x.CDS"), "No such file or directory"},  // relative: made absolute
        {dir.file("sub"), dir.file("sub"), "Is a directory"},
    };
    for (const Case &c : cases) {
        const std::string msg = MessageOf<EFCreateError>([&] { WritePacketFile(c.path, *Orders(1), false); });
        EXPECT_EQ(msg, "Cannot create file \"" + c.fullPath + "\". " + c.reason);
    }
    ASSERT_EQ(::chdir(cwd.c_str()), 0);
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"sub"});
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("sub")));
}

TEST_F(PacketFileTest, AMissingOrDamagedFileIsRefusedOnReading) {
    EXPECT_EQ(MessageOf<EDBClient>([&] { ReadPacketFile(dir.file("none.CDS")); }),
              "Cannot open file \"" + dir.file("none.CDS") + "\". No such file or directory");
    Spit(dir.file("text.CDS"), "hello");
    EXPECT_EQ(MessageOf<EDBClient>([&] { ReadPacketFile(dir.file("text.CDS")); }), "The data is not a data packet");
}

// A write that the disk cannot take whole (here a file size limit, as a
// full disk would) must fail with the system's reason, leave no file under
// the final name and leave a file already there as it was.
TEST_F(PacketFileTest, AShortWriteFailsAndLeavesTheOldFileAsItWas) {
    struct Case {
        const char *name;
        bool oldFile;
    };
    for (const Case c : {Case{"replace.CDS", true}, Case{"new.CDS", false}}) {
        const std::string path = dir.file(c.name);
        if (c.oldFile) Spit(path, "the backup of yesterday");
        const auto table = Orders(20000, 10);  // a packet of some megabytes
        int pipeFd[2];
        ASSERT_EQ(::pipe(pipeFd), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pipeFd[0]);
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{256 * 1024, 256 * 1024};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            std::string msg = MessageOf<EFCreateError>([&] { WritePacketFile(path, *table, false); });
            (void)!::write(pipeFd[1], msg.data(), msg.size());
            ::_exit(0);
        }
        ::close(pipeFd[1]);
        std::string msg;
        char buf[512];
        for (ssize_t n; (n = ::read(pipeFd[0], buf, sizeof buf)) > 0;) msg.append(buf, static_cast<size_t>(n));
        ::close(pipeFd[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status)) << c.name;
        EXPECT_EQ(msg, "Cannot write file \"" + path + "\". File too large") << c.name;
        if (c.oldFile)
            EXPECT_EQ(Slurp(path), "the backup of yesterday");
        else
            EXPECT_FALSE(std::filesystem::exists(path));
    }
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"replace.CDS"});  // no temporary file left
}

}  // namespace
