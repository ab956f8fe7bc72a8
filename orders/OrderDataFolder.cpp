#include "orders/OrderDataFolder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "data/sql/ConfigLocation.h"

namespace batchdel {

namespace {

std::string HomeFolder() {
    const char *home = std::getenv("HOME");
    if (home && *home) return home;
    // A session without HOME (started by a service manager) still has a user.
    if (const passwd *user = getpwuid(getuid()); user && user->pw_dir) return user->pw_dir;
    return "/";
}

std::string UserDataFolder() {
    // Relative values are to be ignored: they would depend on the folder the
    // program happens to be started from.
    const char *dataHome = std::getenv("XDG_DATA_HOME");
    std::string base = dataHome && dataHome[0] == '/' ? std::string(dataHome) : HomeFolder() + "/.local/share";
    if (base.size() > 1 && base.back() == '/') base.pop_back();
    return base + "/batchdel/";
}

}  // namespace

std::string OrderDataFolder(const std::string &programFolder, const std::string &installedFolder) {
    // An installed program sits in a folder only root may change; an operator
    // then keeps the backups in their own data folder, and so does root.
    if (programFolder != installedFolder && access(programFolder.c_str(), W_OK | X_OK) == 0) return programFolder;
    return UserDataFolder();
}

std::string OrderDataFolder() {
    // Set by the install rules: <prefix>/lib/batchdel/.
#ifdef BATCHDEL_INSTALLED_PROGRAM_FOLDER
    return OrderDataFolder(ProgramFolder(), BATCHDEL_INSTALLED_PROGRAM_FOLDER);
#else
    return OrderDataFolder(ProgramFolder(), std::string());
#endif
}

namespace {

// Makes one folder 0700; true when it was made now. A folder made by
// another process meanwhile is no failure.
bool MakePrivateFolder(const std::string &path, int *error) {
    if (::mkdir(path.c_str(), 0700) == 0) {
        ::chmod(path.c_str(), 0700);  // a umask that takes the owner's bits away does not
        return true;
    }
    const int failure = errno;
    struct stat st {};
    if (failure == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return false;
    *error = failure == EEXIST ? ENOTDIR : failure;
    return false;
}

}  // namespace

CdsFolderMade MakeCdsFolder(const std::string &folder) {
    const std::string cds = folder + "cds";
    CdsFolderMade made;
    struct stat st {};
    if (::stat(cds.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode)) made.error = ENOTDIR;
        return made;
    }
    // The folders on the way, from the top down; those there stay as they are.
    for (size_t slash = cds.find('/', 1); slash != std::string::npos; slash = cds.find('/', slash + 1)) {
        const std::string above = cds.substr(0, slash);
        if (::stat(above.c_str(), &st) == 0) continue;
        MakePrivateFolder(above, &made.error);
        if (made.error) return made;
    }
    made.created = MakePrivateFolder(cds, &made.error);
    return made;
}

}  // namespace batchdel
