#pragma once
// What the commands say about themselves, laid out one way for both: the
// --help text, the --version line, the exit-status table and the prefix of
// every message on standard error.
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/CommandStatus.h"

namespace batchdel {

struct HelpOption {
    std::string option;  // "--limit N"
    std::string text;    // what it does; "\n" starts a further line
};

struct HelpSection {
    std::string title;  // "Filters", or empty for none
    std::vector<HelpOption> options;
};

struct HelpStatus {
    CommandStatus status;
    std::string detail;  // what it means for this command, after the shared meaning; may be empty
};

struct CommandHelp {
    std::string program;                // "batchdel-purge"
    std::vector<std::string> synopses;  // each after the program's name
    std::string description;            // paragraphs, each line ending in "\n"
    std::vector<HelpSection> sections;  // --help and --version are added
    std::string notes;                  // after the options; may be empty
    std::vector<HelpStatus> statuses;   // those the command can end with
};

// The --help text.
std::string UsageText(const CommandHelp &help);
// "batchdel-purge 1.4.0\n"
std::string VersionText(const std::string &program);
// What a status means for every command, the first words of its table line.
std::string StatusMeaning(CommandStatus status);
// "batchdel-purge: ", before every message on standard error.
std::string MessagePrefix(const std::string &program);

// Runs a command's body. --help and --version are answered by the body
// (it alone parses the arguments); a refusal or any failure the body lets
// through becomes one line "<program>: <message>" on err and status 2.
int RunCommand(const std::string &program, std::ostream &err, const std::function<int()> &body);

}  // namespace batchdel
