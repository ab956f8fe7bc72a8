#include "OrderDataFolder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "ConfigLocation.h"

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
