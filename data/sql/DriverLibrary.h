#pragma once
// Loading the driver library and finding its entry point. A loaded library
// stays loaded until the process ends: driver objects made by it may still be
// in use elsewhere, and loading it again is cheap.
#include <string>

#include "data/sql/SqlDriver.h"

class DriverLibrary {
public:
    DriverLibrary() = default;
    // A name without "/" is looked for beside the program first, then through
    // the system's library search. EDatabaseError "Unable to Load %s" with the
    // name as given when neither finds it.
    static DriverLibrary Load(const std::string &fileName);

    bool IsLoaded() const { return handle_ != nullptr; }
    const std::string &FileName() const { return fileName_; }
    // The entry point, or EDatabaseError "Unable to Find Procedure %s".
    ::GetDriverFunc EntryPoint(const std::string &name) const;
    // The reason the system gave for the last failed load (for logs only).
    static std::string LastLoadError();

private:
    void *handle_ = nullptr;
    std::string fileName_;
};
