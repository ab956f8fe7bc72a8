// The command line both commands share: the forms of a value, the end of the
// options, and one wording for every refusal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/CommandHelp.h"
#include "cli/CommandLine.h"

using namespace batchdel;

namespace {

const std::vector<KnownOption> kKnownOptions = {
    {"--all"}, {"--yes", OptionValue::None, "-y"}, {"--to", OptionValue::Required}, {"--wait", OptionValue::Optional}};

// The options as "name=value" (or "name" without one), then "|" and the operands.
std::string Parsed(const std::vector<std::string> &args) {
    const CommandLine line = ParseCommandLine(args, kKnownOptions);
    std::string text = line.help ? "help " : "";
    if (line.version) text += "version ";
    for (const GivenOption &option : line.options)
        text += option.name + (option.value ? "=" + *option.value : "") + " ";
    text += "|";
    for (const std::string &operand : line.operands) text += " " + operand;
    return text;
}

struct ParseCase {
    const char *name;
    std::vector<std::string> args;
    const char *parsed;  // or the refusal's message
};

void PrintTo(const ParseCase &c, std::ostream *os) { *os << c.name; }

class CommandLineTest : public testing::TestWithParam<ParseCase> {};

TEST_P(CommandLineTest, ParsesOrRefusesAsTheCaseSays) {
    const ParseCase &c = GetParam();
    std::string said;
    try {
        said = Parsed(c.args);
    } catch (const ECommandRefused &refused) {
        said = refused.Message();
    }
    EXPECT_EQ(said, c.parsed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineTest,
    testing::Values(ParseCase{"ValueAfterEqualsOrAsTheNextArgument", {"--to=3y", "--to", "2y"}, "--to=3y --to=2y |"},
                    ParseCase{"NextArgumentTakenWhateverItStartsWith", {"--to", "--all"}, "--to=--all |"},
                    ParseCase{"ShortNameGivesTheLongOne", {"-y", "-h", "--version"}, "help version --yes |"},
                    ParseCase{"OptionalValueOnlyAfterEquals", {"--wait", "60", "--wait=5"}, "--wait --wait=5 | 60"},
                    ParseCase{"DoubleDashEndsTheOptions", {"a", "--", "--all", "-y", "--"}, "| a --all -y --"},
                    ParseCase{"LoneDashIsAnOperand", {"-", "--all"}, "--all | -"},
                    ParseCase{"UnknownOption", {"--al"}, "Unknown option --al (see --help)"},
                    ParseCase{"UnknownShortOption", {"-x"}, "Unknown option -x (see --help)"},
                    ParseCase{"UnknownOptionWithAValue", {"--older=3y"}, "Unknown option --older (see --help)"},
                    ParseCase{"MissingValue", {"--to"}, "Option --to needs a value"},
                    ParseCase{"EmptyValue", {"--to", ""}, "Option --to needs a value that is not empty"},
                    ParseCase{"EmptyValueAfterEquals", {"--to="}, "Option --to needs a value that is not empty"},
                    ParseCase{"EmptyOptionalValue", {"--wait="}, "Option --wait needs a value that is not empty"},
                    ParseCase{"FlagWithAValue", {"--all=yes"}, "Option --all takes no value"},
                    ParseCase{"HelpWithAValue", {"--help=all"}, "Option --help takes no value"}),
    [](const testing::TestParamInfo<ParseCase> &p) { return std::string(p.param.name); });

// The help of either command: its synopses, its sections and the shared
// information options, the option syntax and the statuses it ends with.
TEST(CommandHelpTest, LaysOutEveryPartInOneForm) {
    CommandHelp help;
    help.program = "batchdel-x";
    help.synopses = {"A", "B"};
    help.description = "Does x.\n";
    help.sections = {{"Choosing", {{"--a-very-long-option-name VALUE", "first\nsecond"}, {"--b", "only"}}}};
    help.statuses = {{kCommandDone, ""}, {kCommandBusy, "the lock\nof x"}};
    EXPECT_EQ(UsageText(help),
              "Usage: batchdel-x A\n"
              "       batchdel-x B\n"
              "\nDoes x.\n"
              "\nChoosing:\n"
              "  --a-very-long-option-name VALUE\n"
              "                           first\n"
              "                           second\n"
              "  --b                      only\n"
              "\nInformation:\n"
              "  --help, -h               show this text\n"
              "  --version                show the version of batchdel-x\n"
              "\nAn option's value follows it as --name=VALUE or --name VALUE; \"--\" ends the\noptions.\n"
              "\nExit status:\n"
              "  0  everything asked for was done (or would be, with\n"
              "     --dry-run), or there was nothing to do\n"
              "  3  nothing was done: another run holds the lock;\n"
              "     the lock\n"
              "     of x\n");
}

}  // namespace
