#pragma once
// One option parser for the commands. Long options take their value as
// "--name=VALUE" or "--name VALUE" (the next argument, whatever it starts
// with); a value of an option that takes one may not be empty. An option
// whose value is optional takes one only after "=". "--" ends the options:
// what follows is an operand even when it starts with "-". A lone "-" is an
// operand too. Every refusal is an ECommandRefused worded the same way in
// both commands.
#include <optional>
#include <string>
#include <vector>

#include "data/dataset/Errors.h"

namespace batchdel {

// Bad arguments: nothing was done (status 2).
class ECommandRefused : public Exception {
public:
    explicit ECommandRefused(std::string message) : Exception("ECommandRefused", std::move(message)) {}
};

enum class OptionValue { None, Required, Optional };

struct KnownOption {
    std::string name;  // "--limit"
    OptionValue value = OptionValue::None;
    std::string shortName = {};  // "-h", or empty
};

struct GivenOption {
    std::string name;                  // the long name, also when the short one was given
    std::optional<std::string> value;  // none for a flag or an optional value left out
};

struct CommandLine {
    bool help = false;                 // --help or -h, which every command takes
    bool version = false;              // --version
    std::vector<GivenOption> options;  // in the order given, --help and --version left out
    std::vector<std::string> operands;
};

CommandLine ParseCommandLine(const std::vector<std::string> &args, const std::vector<KnownOption> &known);

// The refusal of a value that does not parse, worded alike everywhere:
// Option --to: "3 years" is not <what>.
ECommandRefused BadOptionValue(const std::string &option, const std::string &text, const std::string &what);

}  // namespace batchdel
