#include "data/driver/AttachAdvice.h"

#include <grp.h>
#include <ibase.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace {

std::string Lower(const std::string &text) {
    std::string lower;
    for (char c : text) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

bool OnAServer(const std::string &name) {
    const auto colon = name.find(':');
    if (colon == std::string::npos || colon == 0 || name[0] == '/') return false;
    return !(colon == 1 && std::isalpha(static_cast<unsigned char>(name[0])));
}

// The embedded engine's lock folder: FIREBIRD_LOCK, else /tmp/firebird.
std::string LockFolder() {
    const char *lock = std::getenv("FIREBIRD_LOCK");
    std::string folder = lock && *lock ? lock : "/tmp/firebird";
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

std::string UserName() {
    if (const passwd *user = getpwuid(getuid())) return user->pw_name;
    return "USER";
}

std::string LockFolderAdvice(const std::string &folder) {
    struct stat st {};
    std::string group = "firebird";
    char mode[8] = "";
    if (::stat(folder.c_str(), &st) == 0) {
        if (const struct group *g = getgrgid(st.st_gid)) group = g->gr_name;
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    }
    return "A database given as a file path is opened by the embedded engine, which keeps its locks in " + folder +
           (*mode ? std::string(" (group ") + group + ", mode " + mode + ")" : std::string()) +
           ", and this user may not use that folder. Either ask the administrator to add you to the group " + group +
           " (adduser " + UserName() + " " + group +
           ", then log in again), or reach the database through a Firebird server: "
           "Database=localhost:/path/to/the/database.fdb in the connection file.";
}

}  // namespace

std::string AttachAdvice(int32_t code, const std::string &text, const std::string &name,
                         const ConnectionOptions &options) {
    const std::string wireCrypt = Lower(options.wireCrypt);
    if (wireCrypt == "required" && (code == isc_wirecrypt_incompatible || code == isc_miss_wirecrypt ||
                                    code == isc_wirecrypt_key || code == isc_wirecrypt_plugin))
        return "The connection file requires an encrypted link (WireCrypt=" + options.wireCrypt +
               ") and the server does not encrypt it: its firebird.conf says WireCrypt = Disabled, or the login "
               "(Legacy_Auth) gave no key. Nothing was sent to the database. Ask the server's administrator for "
               "WireCrypt = Enabled (or Required) and AuthServer = Srp256, Srp.";
    const std::string authClient = Lower(options.authClient);
    if (!authClient.empty() && authClient.find("legacy_auth") == std::string::npos && code == isc_login_error)
        return "The connection file lets the client log in only with AuthClient=" + options.authClient +
               "; a server that offers nothing else (Legacy_Auth alone, which sends the password's old hash and "
               "cannot encrypt the link) is refused. Ask the server's administrator for AuthServer = Srp256, Srp "
               "and a user made with Srp.";
    const std::string folder = LockFolder();
    if (!OnAServer(name) && text.find(folder) != std::string::npos &&
        text.find("Permission denied") != std::string::npos)
        return LockFolderAdvice(folder);
    return {};
}
