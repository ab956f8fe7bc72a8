#pragma once
// The command line of batchdel-restore.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/CommandHelp.h"

namespace batchdel {

// The command's name, in its help, its version line and before its messages.
inline constexpr const char *kRestoreProgram = "batchdel-restore";

struct RestoreOptions {
    bool help = false;
    bool version = false;
    bool list = false;
    bool dryRun = false;
    bool forcePair = false;
    bool defaultMissingColumns = false;  // --default-missing-columns
    std::vector<std::string> orders;     // --order, in the order given
    std::optional<int32_t> fromDay;      // --from, database day count
    std::optional<int32_t> toDay;        // --to
    std::string connectionFile;          // --database; empty: as the program finds it
    std::string headerFile;
    std::string detailFile;
};

// Raises ECommandRefused for an unknown option, a missing or empty value, a
// date that is not YYYY/MM/DD, or not exactly two files.
RestoreOptions ParseRestoreOptions(const std::vector<std::string> &args);

// The --help text's parts.
CommandHelp RestoreHelp();

}  // namespace batchdel
