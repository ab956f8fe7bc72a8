// Which DELETE texts have their literals lifted into parameters, and which
// are left to be prepared as they stand.
#include <gtest/gtest.h>

#include "LiteralLifting.h"

namespace {

struct LiftCase {
    const char *name;
    const char *sql;
    const char *lifted; // null: left as it stands
    std::vector<std::string> values;
};

const LiftCase kCases[] = {
    {"ProgramsDetailDeletion", "DELETE FROM ORDER_SUB  \r\n WHERE MASTERBILLID = 'SO00000001'\r\n",
     "DELETE FROM ORDER_SUB  \r\n WHERE MASTERBILLID = ?\r\n", {"SO00000001"}},
    {"NoBlanksAroundEquals", "delete from T where A='x'", "delete from T where A=?", {"x"}},
    {"DoubledQuotes", "DELETE FROM T WHERE A = 'X'' OR ''A''=''A'",
     "DELETE FROM T WHERE A = ?", {"X' OR 'A'='A"}},
    {"TwoLiterals", "DELETE FROM T WHERE A = 'a' AND B = 'b'", "DELETE FROM T WHERE A = ? AND B = ?",
     {"a", "b"}},
    {"EmptyLiteral", "DELETE FROM T WHERE A = ''", "DELETE FROM T WHERE A = ?", {""}},
    {"LeadingComment", "/* batch */ -- note\n DELETE FROM T WHERE A = 'x'",
     "/* batch */ -- note\n DELETE FROM T WHERE A = ?", {"x"}},
    {"QuotesInsideCommentsAndIdentifiers",
     "DELETE FROM \"T'1\" WHERE \"A\"\"'\" = 'x' -- it's\n/* 'y' */",
     "DELETE FROM \"T'1\" WHERE \"A\"\"'\" = ? -- it's\n/* 'y' */", {"x"}},
    {"NotADelete", "UPDATE T SET A = 'x' WHERE B = 'y'", nullptr, {}},
    {"SelectWithDeleteInside", "SELECT 'DELETE' FROM T WHERE A = 'x'", nullptr, {}},
    {"WordStartingWithDelete", "DELETED FROM T WHERE A = 'x'", nullptr, {}},
    {"NoLiteral", "DELETE FROM T WHERE A = 1", nullptr, {}},
    {"LessOrEqual", "DELETE FROM T WHERE A <= 'x'", nullptr, {}},
    {"GreaterOrEqual", "DELETE FROM T WHERE A >= 'x'", nullptr, {}},
    {"NotEqual", "DELETE FROM T WHERE A != 'x'", nullptr, {}},
    {"NotEqualCaret", "DELETE FROM T WHERE A ^= 'x'", nullptr, {}},
    {"Like", "DELETE FROM T WHERE A LIKE 'x%'", nullptr, {}},
    {"InList", "DELETE FROM T WHERE A IN ('x', 'y')", nullptr, {}},
    {"OneLiftableOneNot", "DELETE FROM T WHERE A = 'x' AND B > 'y'", nullptr, {}},
    {"CharacterSetIntroducer", "DELETE FROM T WHERE A = _UTF8'x'", nullptr, {}},
    {"IntroducerWithBlank", "DELETE FROM T WHERE A = _UTF8 'x'", nullptr, {}},
    {"HexLiteral", "DELETE FROM T WHERE A = x'41'", nullptr, {}},
    {"QuotedLiteralSyntax", "DELETE FROM T WHERE A = q'{it's}'", nullptr, {}},
    {"CommentBetweenEqualsAndLiteral", "DELETE FROM T WHERE A = /* c */ 'x'", nullptr, {}},
    {"OwnParameterMarker", "DELETE FROM T WHERE A = 'x' AND B = ?", nullptr, {}},
    {"NamedParameter", "DELETE FROM T WHERE A = 'x' AND B = :B", nullptr, {}},
    {"UnterminatedLiteral", "DELETE FROM T WHERE A = 'x", nullptr, {}},
    {"UnterminatedIdentifier", "DELETE FROM \"T WHERE A = 'x'", nullptr, {}},
    {"UnterminatedComment", "DELETE FROM T WHERE A = 'x' /* end", nullptr, {}},
    {"OnlyDelete", "DELETE", nullptr, {}},
    {"Empty", "", nullptr, {}},
};

class LiteralLiftingTest : public testing::TestWithParam<LiftCase> {};

TEST_P(LiteralLiftingTest, LiftsOnlyLiteralsComparedWithEquals)
{
    const LiftCase &c = GetParam();
    const std::optional<LiftedText> lifted = LiftDeleteLiterals(c.sql);
    if (!c.lifted) {
        EXPECT_FALSE(lifted.has_value()) << lifted->text;
        return;
    }
    ASSERT_TRUE(lifted.has_value());
    EXPECT_EQ(lifted->text, c.lifted);
    EXPECT_EQ(lifted->values, c.values);
}

INSTANTIATE_TEST_SUITE_P(Texts, LiteralLiftingTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<LiftCase> &param) {
                             return std::string(param.param.name);
                         });

} // namespace
