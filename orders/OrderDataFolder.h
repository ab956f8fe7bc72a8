#pragma once
// Where the program keeps its cds/ folder (the backups and the journal of
// deletions and restores). The window, batchdel-restore and batchdel-purge all
// ask here, so they always agree on one place.
#include <string>

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
