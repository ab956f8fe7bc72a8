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

}  // namespace

std::string CheckConnectionFile(const std::string &path) {
    // The file itself, through any link (the installed program reads
    // /etc/batchdel/connections.ini through a link beside it).
    const std::string real = RealPath(path);
    struct stat file {};
    if (real.empty() || ::stat(real.c_str(), &file) != 0 || !S_ISREG(file.st_mode)) return {};
    // Messages name the file the administrator changes, not a link to it.
    const std::string &named = real;

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
        if (othersReach && othersEnter && (st.st_mode & S_IWOTH) && !(st.st_mode & S_ISVTX))
            throw EUnsafeConnectionFile("The connection file " + named + " is in the folder " + folder +
                                        ", where every user can replace it (folder mode " + Octal(st.st_mode) +
                                        "): whoever replaces it decides which database the orders are deleted "
                                        "from, so it is not used and nothing was done. To put it right, as root: "
                                        "chmod o-w " +
                                        ShellWord(folder));
        othersReach = othersReach && othersEnter;
        groupReaches = groupReaches && (st.st_mode & (S_IXOTH | S_IXGRP));
    }

    const mode_t mode = file.st_mode & 07777;
    // Left to the connection, this would read as a file that is not there.
    if (::access(real.c_str(), R_OK) != 0) {
        const std::string group = GroupName(file.st_gid);
        const std::string user = OwnerName(getuid());
        // Joining the file's group helps only when the group may read it.
        const std::string ask =
            (mode & S_IRGRP)
                ? "to add you to the group " + group + " (adduser " + user + " " + group + ", then log in again)"
                : "to let the operators' group read it (chgrp GROUP " + ShellWord(named) + "; chmod 640 " +
                      ShellWord(named) + ") and to add you to that group";
        throw EDatabaseError("The connection file " + named + " (owner " + OwnerName(file.st_uid) + ", group " + group +
                             ", mode " + Octal(mode) + ") cannot be read by the user " + user +
                             ". Ask the administrator " + ask + ".");
    }
    const mode_t putRight = mode & 0777 & ~(S_IRWXO | S_IWGRP);
    const std::string owner = OwnerName(file.st_uid);
    const std::string fix = "To put it right, as " + (file.st_uid == 0 ? std::string("root") : owner + " or root") +
                            ": chmod " + Octal(putRight).substr(1) + " " + ShellWord(named);
    if (othersReach && (mode & S_IWOTH))
        throw EUnsafeConnectionFile("The connection file " + named + " can be changed by every user (mode " +
                                    Octal(mode) +
                                    "): whoever changes it decides which database the orders are deleted from, so "
                                    "it is not used and nothing was done. " +
                                    fix);

    std::vector<std::string> concerns;
    if (othersReach && (mode & S_IROTH))
        concerns.push_back("can be read by every user, and it holds the database password");
    if (groupReaches && (mode & S_IWGRP))
        concerns.push_back("can be changed by the members of group " + GroupName(file.st_gid) +
                           ", not only by its owner " + owner +
                           ", and whoever changes it decides which database the orders are deleted from");
    if (concerns.empty()) return {};
    std::string warning = "The connection file " + named + " (mode " + Octal(mode) + ") " + concerns[0];
    for (size_t i = 1; i < concerns.size(); ++i) warning += "; it also " + concerns[i];
    return warning + ". " + fix;
}

}  // namespace batchdel
