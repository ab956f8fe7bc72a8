#include "cli/CommandLine.h"

#include <algorithm>

namespace batchdel {

namespace {

const KnownOption *Find(const std::vector<KnownOption> &known, const std::string &name) {
    const auto found = std::find_if(known.begin(), known.end(), [&](const KnownOption &option) {
        return option.name == name || (!option.shortName.empty() && option.shortName == name);
    });
    return found == known.end() ? nullptr : &*found;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string> &args, const std::vector<KnownOption> &given) {
    std::vector<KnownOption> known = given;
    known.push_back({"--help", OptionValue::None, "-h"});
    known.push_back({"--version", OptionValue::None});
    CommandLine line;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (arg == "--") {
            line.operands.insert(line.operands.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            break;
        }
        if (arg.size() < 2 || arg[0] != '-') {
            line.operands.push_back(arg);
            continue;
        }
        std::optional<std::string> inlineValue;
        if (const size_t equals = arg.find('='); arg.rfind("--", 0) == 0 && equals != std::string::npos) {
            inlineValue = arg.substr(equals + 1);
            arg.resize(equals);
        }
        const KnownOption *rule = Find(known, arg);
        if (!rule) throw ECommandRefused("Unknown option " + arg + " (see --help)");
        GivenOption option{rule->name, std::nullopt};
        switch (rule->value) {
            case OptionValue::None:
                if (inlineValue) throw ECommandRefused("Option " + arg + " takes no value");
                break;
            case OptionValue::Required:
                if (inlineValue)
                    option.value = *inlineValue;
                else if (i + 1 < args.size())
                    option.value = args[++i];
                else
                    throw ECommandRefused("Option " + arg + " needs a value");
                if (option.value->empty()) throw ECommandRefused("Option " + arg + " needs a value that is not empty");
                break;
            case OptionValue::Optional:
                // Only after "=": the next argument is never taken as the value.
                option.value = inlineValue;
                if (inlineValue && inlineValue->empty())
                    throw ECommandRefused("Option " + arg + " needs a value that is not empty");
                break;
        }
        if (option.name == "--help")
            line.help = true;
        else if (option.name == "--version")
            line.version = true;
        else
            line.options.push_back(std::move(option));
    }
    return line;
}

ECommandRefused BadOptionValue(const std::string &option, const std::string &text, const std::string &what) {
    return ECommandRefused("Option " + option + ": \"" + text + "\" is " + what);
}

}  // namespace batchdel
