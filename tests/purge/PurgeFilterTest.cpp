// The purge's filters on their own: the filter it gives the window's query,
// the words a dry run shows for it, and the ages counted back from a day.
#include <gtest/gtest.h>

#include "data/dataset/DataType.h"
#include "purge/PurgeDates.h"
#include "purge/PurgeOptions.h"
#include "workflow/QueryText.h"

using namespace batchdel;

namespace {

int32_t Day(int year, int month, int day) { return DbDateFromCivil(year, month, day); }

const int32_t kToday = Day(2024, 3, 31);

FilterCriteria FilterOf(const std::vector<std::string> &args) { return PurgeFilter(ParsePurgeOptions(args, kToday)); }

TEST(PurgeFilter, GivesTheDaysInOneFormWhateverTheLocaleAndTheCodesAsTyped) {
    EXPECT_EQ(FilterOf({"--dry-run", "--from", "2024/01/01", "--to", "2024-01-31", "--customer-from", "C001",
                        "--customer-to", "C999", "--department-from", "D01", "--department-to", "D02"}),
              (FilterCriteria{"2024/01/01", "2024/01/31", "C001", "C999", "D01", "D02"}));
    // No dates: no date line.
    const FilterCriteria none = FilterOf({"--dry-run", "--all"});
    EXPECT_EQ(none, (FilterCriteria{"", "", "", "", "", ""}));
    EXPECT_EQ(FilterLines(none).size(), 0u);
    // Only --to: every order up to it, through a date line the database reads.
    EXPECT_EQ(FilterLines(FilterOf({"--dry-run", "--to", "90d"})),
              std::vector<std::string>{" AND BILL_DATE BETWEEN '0001/01/01' AND '2024/01/01'"});
}

TEST(PurgeFilter, AQuoteInACodeStaysInsideItsLiteral) {
    EXPECT_EQ(FilterLines(FilterOf({"--dry-run", "--customer-from", "O'B", "--customer-to", "O'B"})),
              std::vector<std::string>{" AND CUST_ID BETWEEN 'O''B' AND 'O''B'"});
}

TEST(PurgeFilter, SaysWhatItTakes) {
    EXPECT_EQ(SelectionText(ParsePurgeOptions(
                  {"--dry-run", "--to", "90d", "--customer-from", "C001", "--customer-to", "C999"}, kToday)),
              "bill dates 0001/01/01 to 2024/01/01, customers \"C001\" to \"C999\", every department");
    EXPECT_EQ(SelectionText(ParsePurgeOptions({"--dry-run", "--all"}, kToday)),
              "every bill date (and none), every customer, every department");
}

struct AgeCase {
    const char *text;
    int32_t from;
    std::optional<int32_t> day;
};
void PrintTo(const AgeCase &c, std::ostream *os) { *os << c.text; }

class AgeTest : public testing::TestWithParam<AgeCase> {};

TEST_P(AgeTest, CountsBackFromTheDay) { EXPECT_EQ(DayBeforeAge(GetParam().text, GetParam().from), GetParam().day); }

INSTANTIATE_TEST_SUITE_P(
    Ages, AgeTest,
    testing::Values(AgeCase{"90d", Day(2024, 3, 31), Day(2024, 1, 1)},
                    AgeCase{"0d", Day(2024, 3, 31), Day(2024, 3, 31)},
                    AgeCase{"18m", Day(2024, 3, 31), Day(2022, 9, 30)},
                    AgeCase{"1m", Day(2024, 3, 31), Day(2024, 2, 29)},  // the month's last day
                    AgeCase{"13m", Day(2024, 1, 15), Day(2022, 12, 15)},
                    AgeCase{"3y", Day(2024, 2, 29), Day(2021, 2, 28)},
                    AgeCase{"3y", Day(2024, 3, 31), Day(2021, 3, 31)}, AgeCase{"3", Day(2024, 3, 31), std::nullopt},
                    AgeCase{"y", Day(2024, 3, 31), std::nullopt}, AgeCase{"-3y", Day(2024, 3, 31), std::nullopt},
                    AgeCase{"+3y", Day(2024, 3, 31), std::nullopt}, AgeCase{"3Y", Day(2024, 3, 31), std::nullopt},
                    AgeCase{"3 y", Day(2024, 3, 31), std::nullopt}, AgeCase{"3w", Day(2024, 3, 31), std::nullopt},
                    AgeCase{"2024y", Day(2024, 3, 31), std::nullopt},  // before the first year
                    AgeCase{"99999999d", Day(2024, 3, 31), std::nullopt}));

}  // namespace
