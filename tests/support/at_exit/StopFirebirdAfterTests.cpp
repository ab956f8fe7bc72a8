// Linked into the test programs that use Firebird: once every test has run,
// the client and the embedded engine are shut down while the process is still
// in the ordinary part of its life.
//
// Left to the library's own clean-up, the engine's threads end and its plugin
// libraries are unloaded during exit, at a moment that varies from run to run
// against the sanitizer build's leak check. Shut down here, the engine is
// always gone before that check, so the check meets the same process every
// time (scripts/test sets it up for a process whose plugins were unloaded).
#include <gtest/gtest.h>

#include <dlfcn.h>

namespace {

class StopFirebirdAfterTests : public ::testing::Environment {
public:
    void TearDown() override {
        // Only a library already loaded is shut down; none is loaded here.
        for (const char *name : {"libfbclient.so.2", "libfbclient.so"}) {
            void *library = dlopen(name, RTLD_NOW | RTLD_NOLOAD);
            if (!library) continue;
            using Shutdown = int (*)(unsigned int timeout, int reason);
            if (auto shutdown = reinterpret_cast<Shutdown>(dlsym(library, "fb_shutdown"))) {
                constexpr int kApplicationStopped = -3;  // fb_shutrsn_app_stopped
                constexpr unsigned int kWaitMs = 10000;
                shutdown(kWaitMs, kApplicationStopped);
            }
            dlclose(library);
            return;
        }
    }
};

[[maybe_unused]] ::testing::Environment *const registered =
    ::testing::AddGlobalTestEnvironment(new StopFirebirdAfterTests);

}  // namespace
