#pragma once
// The connection file holds the database password in plain text, and whoever
// can change it decides which database the orders are deleted from. Before
// the window, batchdel-restore or batchdel-purge connect, its mode is looked
// at here:
//   - a file that every user can change (or replace, in a folder every user
//     can write to) is refused: EUnsafeConnectionFile, nothing is connected;
//   - a file that every user can read, or that others than its owner and root
//     can change (the members of its group), gives a warning to show once.
// A file this user may not read is refused too (EConnectionFileRefused, of
// class EDatabaseError), with the group to join. A missing file is no concern
// here: connecting says it is not found.
//
// Each finding is a kind with its data (the file, its mode, the command that
// puts it right): the window words it in its own language (WindowTexts), the
// commands in theirs (ConnectionFileRefusalText, the refusal's Message(), and
// ConnectionFileWarningText).
#include <string>

#include "data/dataset/Errors.h"

namespace batchdel {

enum class ConnectionFileProblem {
    FolderEveryUserWrites,  // file, folder, mode (the folder's), fix, fixedBy
    FileEveryUserChanges,   // file, mode, fix, fixedBy
    NotReadableByUser,      // file, owner, group, mode, user, groupMayRead, fix
};

struct ConnectionFileFacts {
    std::string file;    // the file itself, not a link to it
    std::string folder;  // FolderEveryUserWrites: the folder every user writes to
    std::string mode;    // "0666": the file's, or the folder's for FolderEveryUserWrites
    std::string owner;   // the file's owner and group, by name
    std::string group;
    std::string user;           // NotReadableByUser: the user running the program
    bool groupMayRead = false;  // NotReadableByUser: joining the file's group is enough
    // The shell command that puts it right (paths quoted to paste as they
    // are), and who may run it: "root", or the owner's name (then the owner
    // or root). For NotReadableByUser the administrator runs it.
    std::string fix;
    std::string fixedBy;
};

class EConnectionFileRefused : public EDatabaseError {
public:
    EConnectionFileRefused(ConnectionFileProblem kind, ConnectionFileFacts facts);
    ConnectionFileProblem Kind() const { return kind_; }
    const ConnectionFileFacts &Facts() const { return facts_; }

protected:
    EConnectionFileRefused(std::string className, ConnectionFileProblem kind, ConnectionFileFacts facts);

private:
    ConnectionFileProblem kind_;
    ConnectionFileFacts facts_;
};

// A file every user can change or replace.
class EUnsafeConnectionFile : public EConnectionFileRefused {
public:
    EUnsafeConnectionFile(ConnectionFileProblem kind, ConnectionFileFacts facts)
        : EConnectionFileRefused("EUnsafeConnectionFile", kind, std::move(facts)) {}
};

// What to warn about once; nothing when both are false.
struct ConnectionFileWarning {
    bool everyUserReads = false;  // and it holds the database password
    bool groupChanges = false;    // the members of its group can change it
    ConnectionFileFacts facts;    // file, mode, owner, group, fix, fixedBy

    explicit operator bool() const { return everyUserReads || groupChanges; }
};

// The warning for the file at path (empty when there is nothing to say);
// raises EConnectionFileRefused for a file that must not or cannot be used.
ConnectionFileWarning CheckConnectionFile(const std::string &path);

// The commands' words, one line each.
std::string ConnectionFileRefusalText(ConnectionFileProblem kind, const ConnectionFileFacts &facts);
std::string ConnectionFileWarningText(const ConnectionFileWarning &warning);

}  // namespace batchdel
