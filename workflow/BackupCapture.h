#pragma once
// While the deletion has a backup taken first, the backup command records
// here which orders it wrote to its header file. The deletion then leaves
// alone any ticked order that the backup does not hold: the backup follows
// the filter boxes at that moment, and those may have been changed since the
// list was made, so ticked orders could otherwise be deleted without a copy.
#include <string>
#include <unordered_set>

class OrderWindow;

class BackupCapture {
public:
    // Starts recording the backups of this window until the object goes.
    explicit BackupCapture(const OrderWindow &window);
    ~BackupCapture();
    BackupCapture(const BackupCapture &) = delete;
    BackupCapture &operator=(const BackupCapture &) = delete;

    // The capture that is recording for the window, or null.
    static BackupCapture *For(const OrderWindow &window);

    // Called by the backup command: the order numbers of the header file once
    // it is written, then the completion once the detail file is written too.
    void RecordHeaderOrders(std::unordered_set<std::string> orderNumbers);
    void MarkCompleted() { completed_ = true; }

    // Whether a backup wrote both of its files while this object recorded.
    bool Completed() const { return completed_; }
    // Whether the completed backup holds the order.
    bool Holds(const std::string &orderNumber) const;

private:
    const OrderWindow *window_;
    std::unordered_set<std::string> orders_;
    bool completed_ = false;
};
