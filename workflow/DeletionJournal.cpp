#include "DeletionJournal.h"

#include <cstring>

#include "Errors.h"
#include "OrderJournal.h"

DeletionJournal::DeletionJournal(std::string path, std::string backup, std::string database, std::string user)
    : path_(std::move(path)),
      backup_(backup.empty() ? "none" : std::move(backup)),
      database_(std::move(database)),
      user_(std::move(user)) {}

void DeletionJournal::Open() const { Write({}); }

void DeletionJournal::Append(const std::vector<DeletedOrder> &orders, const std::tm &committedAt) const {
    if (orders.empty()) return;
    const std::string time = JournalTime(committedAt);
    const std::string tail =
        "\t" + JournalField(backup_) + "\t" + JournalField(database_) + "\t" + JournalField(user_) + "\n";
    std::string lines;
    for (const DeletedOrder &order : orders)
        lines += time + "\t" + JournalField(order.orderNumber) + "\t" + std::to_string(order.detailLines) + tail;
    Write(lines);
}

void DeletionJournal::Write(const std::string &lines) const {
    if (const int error = AppendJournalLines(path_, lines, JournalOpening::CreateWithHeader))
        throw EFCreateError("無法寫入刪除紀錄 " + path_ + "：" + std::strerror(error));
}

std::string DeletionJournalPath(const std::string &programFolder) { return OrderJournalPath(programFolder); }
