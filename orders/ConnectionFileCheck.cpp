#include "orders/ConnectionFileCheck.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace batchdel {

namespace {

std::string Octal(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

std::string OwnerName(uid_t uid) {
    if (const passwd *user = getpwuid(uid)) return user->pw_name;
    return std::to_string(uid);
}

std::string GroupName(gid_t gid) {
    if (const group *g = getgrgid(gid)) return g->gr_name;
    return std::to_string(gid);
}

// The path as a shell word, so that the command can be pasted as it is.
std::string ShellWord(const std::string &path) {
    if (path.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789/._-+") ==
        std::string::npos)
        return path;
    std::string word = "'";
    for (char c : path) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return word + "'";
}

std::string RealPath(const std::string &path) {
    std::unique_ptr<char, decltype(&std::free)> real(realpath(path.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : std::string();
}

// The folders that lead to a file, from "/" down to its own folder.
std::vector<std::string> FoldersAbove(const std::string &file) {
    std::vector<std::string> folders{"/"};
    for (size_t slash = file.find('/', 1); slash != std::string::npos; slash = file.find('/', slash + 1))
        folders.push_back(file.substr(0, slash));
    return folders;
}

// "To put it right, as root: chmod ..."
std::string FixText(const ConnectionFileFacts &facts) {
    return "To put it right, as " + (facts.fixedBy == "root" ? std::string("root") : facts.fixedBy + " or root") +
           ": " + facts.fix;
}

}  // namespace

EConnectionFileRefused::EConnectionFileRefused(ConnectionFileProblem kind, ConnectionFileFacts facts)
    : EConnectionFileRefused("EDatabaseError", kind, std::move(facts)) {}

EConnectionFileRefused::EConnectionFileRefused(std::string className, ConnectionFileProblem kind,
                                               ConnectionFileFacts facts)
    : EDatabaseError(std::move(className), ConnectionFileRefusalText(kind, facts)),
      kind_(kind),
      facts_(std::move(facts)) {}

ConnectionFileWarning CheckConnectionFile(const std::string &path) {
    // The file itself, through any link (the installed program reads
    // /etc/batchdel/connections.ini through a link beside it).
    const std::string real = RealPath(path);
    struct stat file {};
    if (real.empty() || ::stat(real.c_str(), &file) != 0 || !S_ISREG(file.st_mode)) return {};
    // Findings name the file the administrator changes, not a link to it.
    ConnectionFileFacts facts;
    facts.file = real;
    facts.owner = OwnerName(file.st_uid);
    facts.group = GroupName(file.st_gid);

    // Who else gets to the file at all: a file in a folder only its owner
    // may enter is private whatever its own mode says.
    bool othersReach = true;
    bool groupReaches = true;
    for (const std::string &folder : FoldersAbove(real)) {
        struct stat st {};
        if (::stat(folder.c_str(), &st) != 0) return {};
        const bool othersEnter = st.st_mode & S_IXOTH;
        // A folder every user can write to (without the sticky bit that keeps
        // others' files theirs) lets every user put a file of their own there.
        if (othersReach && othersEnter && (st.st_mode & S_IWOTH) && !(st.st_mode & S_ISVTX)) {
            facts.folder = folder;
            facts.mode = Octal(st.st_mode);
            facts.fix = "chmod o-w " + ShellWord(folder);
            facts.fixedBy = "root";
            throw EUnsafeConnectionFile(ConnectionFileProblem::FolderEveryUserWrites, std::move(facts));
        }
        othersReach = othersReach && othersEnter;
        groupReaches = groupReaches && (st.st_mode & (S_IXOTH | S_IXGRP));
    }

    const mode_t mode = file.st_mode & 07777;
    facts.mode = Octal(mode);
    // Left to the connection, this would read as a file that is not there.
    if (::access(real.c_str(), R_OK) != 0) {
        facts.user = OwnerName(getuid());
        // Joining the file's group helps only when the group may read it.
        facts.groupMayRead = mode & S_IRGRP;
        facts.fix = facts.groupMayRead ? "adduser " + facts.user + " " + facts.group
                                       : "chgrp GROUP " + ShellWord(real) + "; chmod 640 " + ShellWord(real);
        facts.fixedBy = "root";
        throw EConnectionFileRefused(ConnectionFileProblem::NotReadableByUser, std::move(facts));
    }
    const mode_t putRight = mode & 0777 & ~(S_IRWXO | S_IWGRP);
    facts.fix = "chmod " + Octal(putRight).substr(1) + " " + ShellWord(real);
    facts.fixedBy = file.st_uid == 0 ? std::string("root") : facts.owner;
    if (othersReach && (mode & S_IWOTH))
        throw EUnsafeConnectionFile(ConnectionFileProblem::FileEveryUserChanges, std::move(facts));

    ConnectionFileWarning warning;
    warning.everyUserReads = othersReach && (mode & S_IROTH);
    warning.groupChanges = groupReaches && (mode & S_IWGRP);
    if (warning) warning.facts = std::move(facts);
    return warning;
}

std::string ConnectionFileRefusalText(ConnectionFileProblem kind, const ConnectionFileFacts &facts) {
    const std::string notUsed =
        "whoever replaces it decides which database the orders are deleted from, so it is not used and nothing was "
        "done. ";
    switch (kind) {
        case ConnectionFileProblem::FolderEveryUserWrites:
            return "The connection file " + facts.file + " is in the folder " + facts.folder +
                   ", where every user can replace it (folder mode " + facts.mode + "): " + notUsed + FixText(facts);
        case ConnectionFileProblem::FileEveryUserChanges:
            return "The connection file " + facts.file + " can be changed by every user (mode " + facts.mode +
                   "): whoever changes it decides which database the orders are deleted from, so it is not used and "
                   "nothing was done. " +
                   FixText(facts);
        case ConnectionFileProblem::NotReadableByUser:
            return "The connection file " + facts.file + " (owner " + facts.owner + ", group " + facts.group +
                   ", mode " + facts.mode + ") cannot be read by the user " + facts.user + ". Ask the administrator " +
                   (facts.groupMayRead
                        ? "to add you to the group " + facts.group + " (" + facts.fix + ", then log in again)"
                        : "to let the operators' group read it (" + facts.fix + ") and to add you to that group") +
                   ".";
    }
    return {};
}

std::string ConnectionFileWarningText(const ConnectionFileWarning &warning) {
    if (!warning) return {};
    const ConnectionFileFacts &facts = warning.facts;
    std::string text = "The connection file " + facts.file + " (mode " + facts.mode + ") ";
    if (warning.everyUserReads) text += "can be read by every user, and it holds the database password";
    if (warning.everyUserReads && warning.groupChanges) text += "; it also ";
    if (warning.groupChanges)
        text += "can be changed by the members of group " + facts.group + ", not only by its owner " + facts.owner +
                ", and whoever changes it decides which database the orders are deleted from";
    return text + ". " + FixText(facts);
}

}  // namespace batchdel
