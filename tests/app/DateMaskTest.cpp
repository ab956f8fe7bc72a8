// The date box's editing rules, typed key by key: display, caret and the
// text the program reads.
#include <gtest/gtest.h>

#include "app/DateBox.h"
#include "app/DateMask.h"

using namespace batchdel;

namespace {
// Keys of a typing sequence: '\b' is Backspace, '\x7f' Delete, '<' moves the
// caret one place left, '0'+ digits and anything else are typed; "{s,n}"
// selects n characters from s.
void Play(DateMask &mask, const std::string &keys) {
    for (size_t i = 0; i < keys.size(); ++i) {
        const char k = keys[i];
        if (k == '\b') {
            mask.Backspace();
        } else if (k == '\x7f') {
            mask.Delete();
        } else if (k == '<') {
            mask.SetCaret(mask.Caret() - 1);
        } else if (k == '{') {
            const size_t end = keys.find('}', i);
            int start = 0, length = 0;
            std::sscanf(keys.substr(i + 1, end - i - 1).c_str(), "%d,%d", &start, &length);
            mask.Select(start, length);
            i = end;
        } else {
            mask.Type(QLatin1Char(k));
        }
    }
}
}  // namespace

struct TypingCase {
    const char *name;
    const char *start;  // read text loaded first (caret then at 0)
    const char *keys;
    const char *shown;
    int caret;
    const char *read;
};
void PrintTo(const TypingCase &c, std::ostream *os) { *os << c.name; }

class DateMaskTypingTest : public ::testing::TestWithParam<TypingCase> {};

TEST_P(DateMaskTypingTest, GivesDisplayCaretAndReadText) {
    const TypingCase &c = GetParam();
    DateMask mask(QLatin1Char('/'));
    mask.SetText(QString::fromLatin1(c.start));
    Play(mask, c.keys);
    EXPECT_EQ(mask.DisplayText().toStdString(), c.shown);
    EXPECT_EQ(mask.Caret(), c.caret);
    EXPECT_EQ(mask.ReadText().toStdString(), c.read);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, DateMaskTypingTest,
    ::testing::Values(
        TypingCase{"Empty", "", "", "____/__/__", 0, "    /  /  "},
        TypingCase{"WholeDateSkipsSeparators", "", "20240131", "2024/01/31", 10, "2024/01/31"},
        TypingCase{"DigitAfterTheEndGoesNowhere", "", "202401319", "2024/01/31", 10, "2024/01/31"},
        TypingCase{"LetterIsRefused", "", "2a", "2___/__/__", 1, "2   /  /  "},
        // After the year the caret stands on the month: the separator jumps to
        // the second separator, the 0 stands for it, the 1 is the first day digit.
        TypingCase{"SeparatorJumpsToNextSeparator", "", "2024/01", "2024/__/1_", 9, "2024/  /1 "},
        TypingCase{"SeparatorInTheYearJumpsToFirstSeparator", "", "20/", "20__/__/__", 4, "20  /  /  "},
        TypingCase{"SeparatorInTheDayIsRefused", "", "20240131<</", "2024/01/31", 8, "2024/01/31"},
        TypingCase{"AnyCharacterOnASeparatorStandsForIt", "", "2024<x", "2024/__/__", 5, "2024/  /  "},
        TypingCase{"YearOnly", "", "2024", "2024/__/__", 5, "2024/  /  "},
        TypingCase{"BackspaceBlanksThePreviousDigitOverSeparators", "2024/01/31", "{5,0}\b", "202_/01/31", 3,
                   "202 /01/31"},
        TypingCase{"DeleteBlanksWithoutMovingTheOthers", "2024/01/31", "\x7f", "_024/01/31", 0, " 024/01/31"},
        TypingCase{"DeleteOnASeparatorDoesNothing", "2024/01/31", "{4,0}\x7f", "2024/01/31", 4, "2024/01/31"},
        TypingCase{"BackspaceAtTheStartDoesNothing", "2024/01/31", "\b", "2024/01/31", 0, "2024/01/31"},
        TypingCase{"TypingOverASelectionBlanksItFirst", "2024/01/31", "{2,6}9", "209_/__/31", 3, "209 /  /31"},
        TypingCase{"RefusedCharacterStillBlanksTheSelection", "2024/01/31", "{5,5}x", "2024/__/__", 5, "2024/  /  "},
        TypingCase{"OneSelectedCharacterIsTypedOver", "2024/01/31", "{1,1}1", "2124/01/31", 2, "2124/01/31"},
        TypingCase{"BackspaceOnASelectionBlanksIt", "2024/01/31", "{0,10}\b", "____/__/__", 0, "    /  /  "}),
    [](const auto &tc) { return std::string(tc.param.name); });

TEST(DateMask, TypingReportsRefusals) {
    DateMask mask;
    EXPECT_TRUE(mask.Type(QLatin1Char('2')));
    EXPECT_FALSE(mask.Type(QLatin1Char('a')));
    EXPECT_TRUE(mask.Type(QLatin1Char('/')));  // jump to the separator
    EXPECT_TRUE(mask.Type(QLatin1Char('a')));  // taken as that separator
    mask.SetCaret(8);
    EXPECT_FALSE(mask.Type(QLatin1Char('/')));  // no separator to the right
    mask.SetCaret(10);
    EXPECT_FALSE(mask.Type(QLatin1Char('1')));
}

TEST(DateMask, YearIsRequiredMonthAndDayAreNot) {
    const struct {
        const char *text;
        int missing;
    } cases[] = {{"2024/  /  ", -1}, {"2024/01/31", -1}, {"20  /  /  ", 2}, {"    /01/31", 0}, {"202 /  /  ", 3}};
    for (const auto &c : cases) {
        DateMask mask;
        mask.SetText(QString::fromLatin1(c.text));
        EXPECT_EQ(mask.FirstMissingRequired(), c.missing) << c.text;
    }
}

TEST(DateMask, ShowsAndReadsTheRegionalSeparator) {
    DateMask mask(QLatin1Char('-'));
    Play(mask, "2024-01");
    EXPECT_EQ(mask.DisplayText().toStdString(), "2024-__-1_");
    EXPECT_EQ(mask.ReadText().toStdString(), "2024-  -1 ");
}

TEST(DateSeparator, IsFirstCharacterThatIsNoLetterOrSpace) {
    EXPECT_EQ(DateSeparatorOf(QStringLiteral("d MMM yyyy")), QLatin1Char('/'));
    EXPECT_EQ(DateSeparatorOf(QStringLiteral("yyyy-MM-dd")), QLatin1Char('-'));
    EXPECT_EQ(DateSeparatorOf(QStringLiteral("dd.MM.yy")), QLatin1Char('.'));
    EXPECT_EQ(DateSeparatorOf(QStringLiteral("yyyy/M/d")), QLatin1Char('/'));
    EXPECT_EQ(DateSeparatorOf(QString()), QLatin1Char('/'));
}

struct PasteCase {
    const char *name;
    const char *start;  // read text loaded first
    int caret;
    const char *pasted;
    bool accepted;
    const char *read;  // refused: the start text unchanged
    int caretAfter;
};
void PrintTo(const PasteCase &c, std::ostream *os) { *os << c.name; }

class DateMaskPasteTest : public ::testing::TestWithParam<PasteCase> {};

TEST_P(DateMaskPasteTest, TakesDigitsAsTypedAndWrittenDatesWhole) {
    const PasteCase &c = GetParam();
    DateMask mask(QLatin1Char('/'));
    mask.SetText(QString::fromLatin1(c.start));
    mask.SetCaret(c.caret);
    EXPECT_EQ(mask.Paste(QString::fromLatin1(c.pasted)), c.accepted);
    EXPECT_EQ(mask.ReadText().toStdString(), c.read);
    EXPECT_EQ(mask.Caret(), c.caretAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Clipboard, DateMaskPasteTest,
    ::testing::Values(PasteCase{"SlashedDate", "", 0, "2024/01/05", true, "2024/01/05", 10},
                      PasteCase{"DigitsOnly", "", 0, "20240105", true, "2024/01/05", 10},
                      PasteCase{"DashesAndSingleDigits", "", 0, "2024-1-5", true, "2024/01/05", 10},
                      PasteCase{"DotsWithBlanksAround", "", 0, " 2024.12.31\n", true, "2024/12/31", 10},
                      PasteCase{"YearAndMonthLeaveTheDayBlank", "", 0, "2024/3", true, "2024/03/  ", 8},
                      PasteCase{"WrittenDateReplacesTheWholeBox", "1999/12/31", 8, "2024/1/5", true, "2024/01/05", 10},
                      PasteCase{"DigitsGoInFromTheCaret", "2024/01/31", 8, "05", true, "2024/01/05", 10},
                      PasteCase{"DigitsPastTheEndAreRefusedWhole", "2024/01/31", 8, "123", false, "2024/01/31", 8},
                      PasteCase{"Words", "2024/01/31", 0, "abc", false, "2024/01/31", 0},
                      PasteCase{"DateWithTime", "", 0, "2024/01/05 10:30", false, "    /  /  ", 0},
                      PasteCase{"TwoDigitYear", "", 0, "24/1/5", false, "    /  /  ", 0},
                      PasteCase{"ThreeDigitMonth", "", 0, "2024/001/05", false, "    /  /  ", 0},
                      PasteCase{"FourParts", "", 0, "2024/01/05/1", false, "    /  /  ", 0},
                      PasteCase{"DoubledSeparator", "", 0, "2024//05", false, "    /  /  ", 0},
                      PasteCase{"TrailingSeparator", "", 0, "2024/01/", false, "    /  /  ", 0},
                      PasteCase{"Nothing", "", 0, "  ", false, "    /  /  ", 0}),
    [](const auto &info) { return std::string(info.param.name); });
