#include "workflow/DeletionJournal.h"

#include <cstring>

#include "data/dataset/Errors.h"
#include "orders/OrderJournal.h"

namespace batchdel {

namespace {

// In the system's own words, as a file that cannot be written is reported
// everywhere; each program says what the failure means in its own words
// from the kind's data.
std::string FileText(const std::string &path, const std::string &reason) {
    return "Cannot write file \"" + path + "\". " + reason;
}

}  // namespace

EJournalFailed::EJournalFailed(std::string path, std::string reason)
    : EFCreateError(FileText(path, reason)), path_(std::move(path)), reason_(std::move(reason)) {}

EJournalFailed::EJournalFailed(const EJournalFailed &failure, Stop stop)
    : EFCreateError(FileText(failure.path_, failure.reason_)),
      path_(failure.path_),
      reason_(failure.reason_),
      stop_(std::move(stop)) {}

DeletionJournal::DeletionJournal(std::string path, std::string backup, std::string database, std::string user)
    : path_(std::move(path)),
      backup_(backup.empty() ? "none" : std::move(backup)),
      database_(std::move(database)),
      user_(std::move(user)) {}

void DeletionJournal::Open() const { Write({}); }

void DeletionJournal::Append(const std::vector<DeletedOrder> &orders, const std::tm &committedAt) const {
    if (orders.empty()) return;
    const std::string time = JournalTime(committedAt);
    std::string lines;
    for (const DeletedOrder &order : orders)
        lines += JournalLine(time, order.orderNumber, std::to_string(order.detailLines), backup_, database_, user_);
    Write(lines);
}

void DeletionJournal::Write(const std::string &lines) const {
    if (const int error = AppendJournalLines(path_, lines, JournalOpening::CreateWithHeader))
        throw EJournalFailed(path_, std::strerror(error));
}

}  // namespace batchdel
