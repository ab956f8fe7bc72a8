#include "data/driver/FbClient.h"

#include <dlfcn.h>

#include <map>
#include <mutex>

namespace {

using GetMasterFunc = Firebird::IMaster *(*)();

// The folder of this driver library, with a trailing "/".
std::string OwnFolder() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void *>(&OwnFolder), &info) || !info.dli_fname) return {};
    const std::string path = info.dli_fname;
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void *OpenLibrary(const std::string &name, std::string *loaded, std::string *error) {
    if (name.find('/') == std::string::npos) {
        const std::string beside = OwnFolder() + name;
        if (void *handle = dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            *loaded = beside;
            return handle;
        }
    }
    void *handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char *reason = dlerror();
        *error = reason ? reason : ("cannot load " + name);
        return nullptr;
    }
    *loaded = name;
    return handle;
}

}  // namespace

std::shared_ptr<const FbClient> LoadFbClient(const std::string &vendorLib, std::string *error) {
    static std::mutex lock;
    static std::map<std::string, std::shared_ptr<const FbClient>> loaded;
    std::lock_guard<std::mutex> guard(lock);

    if (auto it = loaded.find(vendorLib); it != loaded.end()) return it->second;
    if (vendorLib.empty()) {
        *error = "no vendor library named";
        return nullptr;
    }
    auto client = std::make_shared<FbClient>();
    void *handle = OpenLibrary(vendorLib, &client->libraryPath, error);
    if (!handle) return nullptr;
    auto getMaster = reinterpret_cast<GetMasterFunc>(dlsym(handle, "fb_get_master_interface"));
    if (!getMaster) {
        *error = vendorLib + " has no fb_get_master_interface";
        dlclose(handle);
        return nullptr;
    }
    client->master = getMaster();
    client->util = client->master ? client->master->getUtilInterface() : nullptr;
    if (!client->util) {
        *error = vendorLib + " gave no master interface";
        return nullptr;
    }
    loaded[vendorLib] = client;
    return client;
}
