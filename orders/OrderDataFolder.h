#pragma once
// Where the program keeps its cds/ folder (the backups and the journal of
// deletions and restores). The window, batchdel-restore and batchdel-purge all
// ask here, so they always agree on one place.
#include <string>

namespace batchdel {

// The folder that holds cds/, ending in "/": the program's own folder when the
// user may write there (a build tree, a copy in the user's own folder), else
// the user's data folder $XDG_DATA_HOME/batchdel/ (~/.local/share/batchdel/
// when XDG_DATA_HOME is unset, empty or not an absolute path). The folder the
// package installs the program into counts as not writable even for root, so
// that removing the package leaves nothing there. The folder is not made
// here: whoever writes into it makes it.
std::string OrderDataFolder();

// The same rule for a given program folder and the folder the programs are
// installed into (both ending in "/").
std::string OrderDataFolder(const std::string &programFolder, const std::string &installedFolder);

// Makes <folder>cds/ for its owner alone (0700, whatever the umask), and any
// folder above it that is missing the same way (the user's data folder on a
// first start). A folder already there is left as it is. created: cds/ was
// made now; error: the errno of a failure, 0 when cds/ is there.
struct CdsFolderMade {
    bool created = false;
    int error = 0;
};
CdsFolderMade MakeCdsFolder(const std::string &folder);

}  // namespace batchdel
