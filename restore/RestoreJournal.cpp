#include "restore/RestoreJournal.h"

#include <filesystem>

#include "data/dataset/Errors.h"
#include "data/packet/PacketFile.h"
#include "orders/OrderJournal.h"
#include "restore/BackupPair.h"

namespace batchdel {

ERestoreJournalFailed::ERestoreJournalFailed(std::string path, std::string reason)
    : EFCreateError("Cannot write file \"" + path + "\". " + reason),
      path_(std::move(path)),
      reason_(std::move(reason)) {}

RestoreJournal::RestoreJournal(std::string path, std::string backupPair, std::string database, std::string user)
    : path_(std::move(path)),
      backup_("restored from " + std::move(backupPair)),
      database_(std::move(database)),
      user_(std::move(user)) {
    std::error_code ignored;
    active_ = std::filesystem::is_regular_file(path_, ignored);
}

void RestoreJournal::Append(const std::vector<const BackupOrder *> &orders, const std::tm &committedAt) const {
    if (!active_ || orders.empty()) return;
    const std::string time = JournalTime(committedAt);
    std::string lines;
    for (const BackupOrder *order : orders)
        lines +=
            JournalLine(time, order->number, "+" + std::to_string(order->lineRows.size()), backup_, database_, user_);
    if (const int error = AppendJournalLines(path_, lines, JournalOpening::ExistingOnly))
        throw ERestoreJournalFailed(path_, SystemReason(error));
}

}  // namespace batchdel
