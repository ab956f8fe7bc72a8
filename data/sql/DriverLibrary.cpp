#include "data/sql/DriverLibrary.h"

#include <dlfcn.h>

#include "data/dataset/Errors.h"
#include "data/sql/ConfigLocation.h"

namespace {
std::string g_lastLoadError;

void *Open(const std::string &path) {
    void *handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char *why = dlerror();
        g_lastLoadError = why ? why : "";
    }
    return handle;
}
}  // namespace

DriverLibrary DriverLibrary::Load(const std::string &fileName) {
    DriverLibrary lib;
    lib.fileName_ = fileName;
    if (!fileName.empty()) {
        if (fileName.find('/') == std::string::npos) {
            lib.handle_ = Open(ProgramFolder() + fileName);
            if (!lib.handle_) lib.handle_ = Open(fileName);
        } else {
            lib.handle_ = Open(fileName);
        }
    }
    if (!lib.handle_) throw EDatabaseError("Unable to Load " + fileName);
    return lib;
}

::GetDriverFunc DriverLibrary::EntryPoint(const std::string &name) const {
    void *symbol = handle_ && !name.empty() ? dlsym(handle_, name.c_str()) : nullptr;
    if (!symbol) throw EDatabaseError("Unable to Find Procedure " + name);
    return reinterpret_cast<::GetDriverFunc>(symbol);
}

std::string DriverLibrary::LastLoadError() { return g_lastLoadError; }
