#pragma once
// What a long command tells the operator while it runs, and how the operator
// stops it. The window shows it (a progress dialog with a Cancel button);
// the commands only report stages and steps and ask whether to stop, so they
// stay free of widgets.
#include <cstdint>
#include <string>

namespace batchdel {

// The stages of the long commands. Each program words them its own way (the
// window's words are in WindowTexts).
enum class WorkStage {
    ReadingOrders,    // the backup reads the orders' headers
    ReadingLines,     // ... and their lines
    WritingBackup,    // ... writes the pair of files
    CheckingBackup,   // ... and reads them back
    DeletingOrders,   // the deletion
    RestoringOrders,  // the restore window puts orders back
};

class WorkProgress {
public:
    virtual ~WorkProgress() = default;
    // A new stage of the work: what is being done and how many steps it has
    // (0 when that is not known).
    virtual void Stage(WorkStage stage, int64_t steps) = 0;
    // Steps of the present stage done so far.
    virtual void Advance(int64_t done) = 0;
    // Whether the operator asked the work to stop.
    virtual bool CancelRequested() = 0;
};

}  // namespace batchdel
