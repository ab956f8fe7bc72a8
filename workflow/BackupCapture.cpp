#include "BackupCapture.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

// The captures recording now; at most one per window, and few at any time.
std::mutex &RegistryLock()
{
    static std::mutex lock;
    return lock;
}

std::vector<BackupCapture *> &Registry()
{
    static std::vector<BackupCapture *> captures;
    return captures;
}

} // namespace

BackupCapture::BackupCapture(const OrderWindow &window) : window_(&window)
{
    std::lock_guard guard(RegistryLock());
    Registry().push_back(this);
}

BackupCapture::~BackupCapture()
{
    std::lock_guard guard(RegistryLock());
    std::erase(Registry(), this);
}

BackupCapture *BackupCapture::For(const OrderWindow &window)
{
    std::lock_guard guard(RegistryLock());
    // The newest capture of the window wins, should a deletion ever nest.
    auto &captures = Registry();
    auto found = std::find_if(captures.rbegin(), captures.rend(),
                              [&](const BackupCapture *c) { return c->window_ == &window; });
    return found == captures.rend() ? nullptr : *found;
}

void BackupCapture::RecordHeaderOrders(std::unordered_set<std::string> orderNumbers)
{
    // Should a second backup run while recording, the deletion is checked
    // against the latest one only.
    orders_ = std::move(orderNumbers);
    completed_ = false;
}

bool BackupCapture::Holds(const std::string &orderNumber) const
{
    return completed_ && orders_.count(orderNumber) != 0;
}
