// Reading the connection and driver files.
#include <gtest/gtest.h>

#include <fstream>

#include "data/sql/IniFile.h"
#include "tests/support/TempDir.h"

namespace {

struct IniCase {
    const char *name;
    std::string text;
    const char *section;
    std::vector<std::string> expected;  // the section's lines
    bool present;
};
void PrintTo(const IniCase &c, std::ostream *os) { *os << c.name; }

class IniSectionTest : public ::testing::TestWithParam<IniCase> {};

TEST_P(IniSectionTest, ReadsTheSectionAsTheFileRulesSay) {
    const IniCase &c = GetParam();
    IniFile ini = IniFile::Parse(c.text);
    EXPECT_EQ(ini.HasSection(c.section), c.present);
    EXPECT_EQ(ini.Section(c.section), c.expected);
}

const IniCase kIniCases[] = {
    {"Plain",
     "[Trelvo]\nDriverName=Interbase\nDatabase=/db.fdb\n",
     "Trelvo",
     {"DriverName=Interbase", "Database=/db.fdb"},
     true},
    {"SectionNameInOtherCase", "[TRELVO]\nA=1\n", "trelvo", {"A=1"}, true},
    {"BlanksAroundKeysValuesAndHeader",
     " \t[ Trelvo ]  \n  Key  =  some value \t\n",
     "Trelvo",
     {"Key=some value"},
     true},
    {"ControlCharsTrimmed", "\x01[Trelvo]\x02\nKey=v\x1f\n", "Trelvo", {"Key=v"}, true},
    {"CommentsAndEmptyLinesSkipped", "[Trelvo]\n; Database=/old.fdb\n\n   \nA=1\n  ;B=2\n", "Trelvo", {"A=1"}, true},
    {"LinesBeforeFirstSectionIgnored", "Database=/stray.fdb\n[Trelvo]\nA=1\n", "Trelvo", {"A=1"}, true},
    {"LaterDuplicateSectionWinsWhole", "[Trelvo]\nA=1\nB=2\n[Other]\nC=3\n[trelvo]\nA=9\n", "Trelvo", {"A=9"}, true},
    {"OnlyFirstEqualsSplits", "[Trelvo]\nPassword=a=b \n", "Trelvo", {"Password=a=b"}, true},
    {"EmptyValueKept", "[Trelvo]\nServerCharSet=\n", "Trelvo", {"ServerCharSet="}, true},
    {"CrLfLineEnds", "[Trelvo]\r\nA=1\r\nB=2\r\n", "Trelvo", {"A=1", "B=2"}, true},
    {"ByteOrderMark", "\xEF\xBB\xBF[Trelvo]\nA=1\n", "Trelvo", {"A=1"}, true},
    {"Utf8ValueUntouched",
     "[Trelvo]\nRoleName=\xE8\xA8\x82\xE5\x96\xAE\n",
     "Trelvo",
     {"RoleName=\xE8\xA8\x82\xE5\x96\xAE"},
     true},
    {"NoLineEndAtEnd", "[Trelvo]\nA=1", "Trelvo", {"A=1"}, true},
    {"MissingSection", "[Other]\nA=1\n", "Trelvo", {}, false},
    {"EmptyText", "", "Trelvo", {}, false},
    {"UnclosedHeaderIsNoSection", "[Trelvo\nA=1\n", "Trelvo", {}, false},
    {"EmptySectionPresent", "[Trelvo]\n[Other]\nA=1\n", "Trelvo", {}, true},
};

INSTANTIATE_TEST_SUITE_P(Cases, IniSectionTest, ::testing::ValuesIn(kIniCases),
                         [](const auto &param) { return std::string(param.param.name); });

TEST(IniFileTest, ValueFindsKeyInAnyCaseAndFirstLineWins) {
    IniFile ini = IniFile::Parse("[Interbase]\nLIBRARYNAME=first.so\nLibraryName=second.so\n");
    EXPECT_EQ(ini.Value("interbase", "LibraryName"), "first.so");
    EXPECT_EQ(ini.Value("Interbase", "VendorLib"), "");
    EXPECT_EQ(ini.Value("Missing", "LibraryName"), "");
}

TEST(IniFileTest, MissingFileHasNoSectionsAndRealFileIsRead) {
    TempDir dir;
    EXPECT_TRUE(IniFile::Load(dir.file("nothing.ini")).SectionNames().empty());
    EXPECT_TRUE(IniFile::Load(dir.path()).SectionNames().empty());  // a folder reads as nothing

    std::ofstream(dir.file("c.ini"), std::ios::binary) << "\xEF\xBB\xBF[Trelvo]\r\nA=1\r\n";
    EXPECT_EQ(IniFile::Load(dir.file("c.ini")).Section("Trelvo"), std::vector<std::string>{"A=1"});
}

}  // namespace
