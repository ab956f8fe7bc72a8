#pragma once
// The connection file holds the database password in plain text, and whoever
// can change it decides which database the orders are deleted from. Before
// the window, batchdel-restore or batchdel-purge connect, its mode is looked
// at here:
//   - a file that every user can change (or replace, in a folder every user
//     can write to) is refused: EUnsafeConnectionFile, nothing is connected;
//   - a file that every user can read, or that others than its owner and root
//     can change (the members of its group), gives a warning to show once.
// Each message names the file, its mode and the command that puts it right.
// A file this user may not read raises EDatabaseError naming the group to
// join. A missing file is no concern here: connecting says it is not found.
#include <string>

#include "data/dataset/Errors.h"

namespace batchdel {

class EUnsafeConnectionFile : public EDatabaseError {
public:
    explicit EUnsafeConnectionFile(std::string message) : EDatabaseError("EUnsafeConnectionFile", std::move(message)) {}
};

// The warning for the file at path ("" when there is nothing to say); raises
// EUnsafeConnectionFile for a file that must not be used.
std::string CheckConnectionFile(const std::string &path);

}  // namespace batchdel
