#pragma once
// The window's own words for what the shared deletion and backup report as
// kinds with their data: the commands word the same kinds in English.
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "data/packet/PacketErrors.h"
#include "orders/ConnectionFileCheck.h"
#include "workflow/BackupReadBack.h"
#include "workflow/WorkProgress.h"

namespace batchdel {

class EJournalFailed;

// A stage, as the progress dialog shows it.
std::string WindowStageText(WorkStage stage);

// The journal that could not be written: its path and the system's words,
// and, when it stopped a deletion, what is deleted, what of that the journal
// lacks and what of the ticked orders is not deleted.
std::string WindowJournalFailureText(const EJournalFailed &failure);

// A deletion stopped by a lost connection while its last batch was being
// committed, whether that batch is deleted not known: the failure's own
// words, then how many are deleted for certain and which orders are in doubt.
std::string WindowCommitInDoubtText(const std::string &failure, int deleted, const std::vector<std::string> &inDoubt);

// A backup file that does not read back as written: which file, what differs,
// and that the backup is not kept and no order deleted.
std::string WindowReadBackText(ReadBackFailure kind, const ReadBackFacts &facts);

// Why a packet file did not read, after "備份檔 X 無法讀取：".
std::string WindowPacketFaultText(PacketFault fault, int systemError, uint64_t held, uint64_t expected);

// A connection file the window does not use (or cannot read), with the
// command that puts it right; and the warning about one it does use.
std::string WindowConnectionFileText(ConnectionFileProblem kind, const ConnectionFileFacts &facts);
std::string WindowConnectionWarningText(const ConnectionFileWarning &warning);

// The window's text for a failure raised as a kind with its data (the two
// above); nothing for any other failure, which keeps its own message.
std::optional<std::string> WindowFailureText(const std::exception &failure);

}  // namespace batchdel
