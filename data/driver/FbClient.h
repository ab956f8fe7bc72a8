#pragma once
// The Firebird client library, loaded at run time by the name the driver file
// gives (VendorLib). The driver never links it: everything goes through the
// master interface that fb_get_master_interface hands out.
#include <firebird/Interface.h>

#include <memory>
#include <string>

struct FbClient {
    Firebird::IMaster *master = nullptr;
    Firebird::IUtil *util = nullptr;
    std::string libraryPath;  // the file actually loaded
};

// Loads the library once per name and process (it is never unloaded: the
// client keeps threads and exit handlers of its own). A name without "/" is
// looked for beside this driver library first, then through the system's
// library search. On failure returns null and puts the reason in *error.
std::shared_ptr<const FbClient> LoadFbClient(const std::string &vendorLib, std::string *error);
