#include "cli/CommandHelp.h"

#include "Version.h"
#include "cli/CommandLine.h"

namespace batchdel {

namespace {

// The column at which an option's text starts.
constexpr size_t kTextColumn = 27;

void AppendOption(std::string &text, const HelpOption &option) {
    std::string head = "  " + option.option;
    if (head.size() + 1 > kTextColumn)
        head += "\n" + std::string(kTextColumn, ' ');
    else
        head += std::string(kTextColumn - head.size(), ' ');
    text += head;
    size_t start = 0;
    while (start <= option.text.size()) {
        const size_t end = option.text.find('\n', start);
        const std::string line = option.text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (start > 0) text += std::string(kTextColumn, ' ');
        text += line + "\n";
        if (end == std::string::npos) break;
        start = end + 1;
    }
}

}  // namespace

std::string StatusMeaning(CommandStatus status) {
    switch (status) {
        case kCommandDone:
            return "everything asked for was done (or would be, with\n--dry-run), or there was nothing to do";
        case kCommandPartly:
            return "some of it was not done; what was done stays done,\nand a second run does the rest";
        case kCommandNothingDone:
            return "nothing was done: bad arguments, no connection, a\nfile that could not be read or written";
        case kCommandBusy:
            return "nothing was done: another run holds the lock";
    }
    return {};
}

std::string UsageText(const CommandHelp &help) {
    std::string text;
    for (size_t i = 0; i < help.synopses.size(); ++i)
        text += (i == 0 ? "Usage: " : "       ") + help.program + " " + help.synopses[i] + "\n";
    text += "\n" + help.description;
    std::vector<HelpSection> sections = help.sections;
    sections.push_back(
        {"Information", {{"--help, -h", "show this text"}, {"--version", "show the version of " + help.program}}});
    for (const HelpSection &section : sections) {
        text += "\n";
        if (!section.title.empty()) text += section.title + ":\n";
        for (const HelpOption &option : section.options) AppendOption(text, option);
    }
    text += "\nAn option's value follows it as --name=VALUE or --name VALUE; \"--\" ends the\noptions.\n";
    if (!help.notes.empty()) text += "\n" + help.notes;
    text += "\nExit status:\n";
    for (const HelpStatus &status : help.statuses) {
        const std::string meaning =
            StatusMeaning(status.status) + (status.detail.empty() ? "" : ";\n" + status.detail) + "\n";
        text += "  " + std::to_string(status.status) + "  ";
        for (size_t at = 0; at < meaning.size(); ++at)
            text += meaning[at] == '\n' && at + 1 < meaning.size() ? std::string("\n     ") : meaning.substr(at, 1);
    }
    return text;
}

std::string VersionText(const std::string &program) { return program + " " + BATCHDEL_VERSION + "\n"; }

std::string MessagePrefix(const std::string &program) { return program + ": "; }

int RunCommand(const std::string &program, std::ostream &err, const std::function<int()> &body) {
    try {
        return body();
    } catch (const Exception &failure) {
        err << MessagePrefix(program) << failure.Message() << "\n";
    } catch (const std::exception &failure) {
        err << MessagePrefix(program) << failure.what() << "\n";
    }
    return kCommandNothingDone;
}

}  // namespace batchdel
