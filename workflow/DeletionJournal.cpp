#include "DeletionJournal.h"

#include <cstring>

#include "Errors.h"
#include "OrderJournal.h"

namespace {

std::string WindowText(const std::string &path, const std::string &reason) {
    return "無法寫入刪除紀錄 " + path + "：" + reason;
}

std::string WindowText(const std::string &path, const std::string &reason, const EJournalFailed::Stop &stop) {
    return WindowText(path, reason) + "。刪除已停止：已刪除 " + std::to_string(stop.deleted) + " 筆訂單（最後 " +
           std::to_string(stop.unjournalled.size()) + " 筆未記入紀錄），" + std::to_string(stop.notDeleted) +
           " 筆勾選的訂單未刪除。";
}

}  // namespace

EJournalFailed::EJournalFailed(std::string path, std::string reason)
    : EFCreateError(WindowText(path, reason)), path_(std::move(path)), reason_(std::move(reason)) {}

EJournalFailed::EJournalFailed(const EJournalFailed &failure, Stop stop)
    : EFCreateError(WindowText(failure.path_, failure.reason_, stop)),
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
