#pragma once
// The window's own words for what the shared deletion and backup report as
// kinds with their data: the commands word the same kinds in English.
#include <string>

#include "workflow/WorkProgress.h"

namespace batchdel {

class EJournalFailed;

// A stage, as the progress dialog shows it.
std::string WindowStageText(WorkStage stage);

// The journal that could not be written: its path and the system's words,
// and, when it stopped a deletion, what is deleted, what of that the journal
// lacks and what of the ticked orders is not deleted.
std::string WindowJournalFailureText(const EJournalFailed &failure);

}  // namespace batchdel
