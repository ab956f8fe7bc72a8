#include "workflow/DeleteTickedOrders.h"

#include <algorithm>
#include <cstddef>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/dataset/ClientDataSet.h"
#include "data/dataset/Errors.h"
#include "data/dataset/Field.h"
#include "data/sql/SQLConnection.h"
#include "orders/DeleteRight.h"
#include "workflow/BackupOrders.h"
#include "workflow/DeleteOrders.h"
#include "workflow/DeletionJournal.h"
#include "workflow/OrderRowFields.h"
#include "workflow/OrderWindow.h"
#include "workflow/WindowTexts.h"

namespace batchdel {

namespace {

struct TickedOrder {
    int row;  // 0-based position in the list
    std::string number;
};

// The ticked rows, read by position so the cursor does not move. A row the
// operator added in the grid has no order number: nothing in the database
// belongs to it, and its empty text must never reach a statement.
std::vector<TickedOrder> TickedOrders(const TClientDataSet &list) {
    const TField *mark = list.FieldNamed(kSelectionField);
    const TField *number = list.FieldNamed(kOrderNumberField);
    std::vector<TickedOrder> ticked;
    for (int row = 0; row < list.RecordCount(); ++row)
        if (mark->GetStringAt(row) == kTicked && !number->IsNullAt(row))
            ticked.push_back({row, number->GetStringAt(row)});
    return ticked;
}

// The grid follows none of the walk; it is told once when the guard goes.
class ControlsDisabled {
public:
    explicit ControlsDisabled(TClientDataSet &set) : set_(set) { set_.DisableControls(); }
    ~ControlsDisabled() { set_.EnableControls(); }
    ControlsDisabled(const ControlsDisabled &) = delete;
    ControlsDisabled &operator=(const ControlsDisabled &) = delete;

private:
    TClientDataSet &set_;
};

std::string FileName(const std::string &path) { return path.substr(path.find_last_of('/') + 1); }

DeletionJournal JournalFor(OrderWindow &window, const std::optional<BackupResult> &backup) {
    const TSQLConnection &connection = window.Connection();
    return DeletionJournal(OrderJournalPath(window.DataFolder()),
                           backup ? FileName(backup->headerFile) + " " + FileName(backup->detailFile) : "",
                           connection.ParamValue("Database"), connection.ParamValue("User_Name"));
}

// Deletes the ticked orders and leaves the list's cursor where the walk
// ended: on the failing order, the first not taken, or the last row.
DeletionOutcome DeleteInBatches(OrderWindow &window, const std::vector<TickedOrder> &ticked,
                                const std::optional<BackupResult> &backup, DeletionSettings settings) {
    TClientDataSet &list = window.OrderList();
    const DeletionJournal journal = JournalFor(window, backup);
    std::vector<std::string> numbers;
    numbers.reserve(ticked.size());
    for (const TickedOrder &order : ticked) numbers.push_back(order.number);
    if (!settings.localNow) settings.localNow = [&window] { return window.LocalNow(); };
    std::unique_ptr<WorkProgress> progress = window.StartProgress("刪除訂單");
    DeletionOutcome outcome;
    const auto placeCursor = [&] {
        if (outcome.next < ticked.size())
            list.SetRecNo(ticked[outcome.next].row + 1);
        else
            list.Last();
    };
    try {
        DeleteOrders(window.Connection(), numbers, backup ? &*backup : nullptr, journal, progress.get(), settings,
                     outcome);
    } catch (const Exception &failure) {
        placeCursor();
        // The operator is told which orders may or may not be deleted.
        if (outcome.inDoubt.empty()) throw;
        const auto *database = dynamic_cast<const EDatabaseError *>(&failure);
        throw EDatabaseError(WindowCommitInDoubtText(failure.Message(), outcome.deleted, outcome.inDoubt),
                             database ? database->ServerCode() : 0);
    } catch (...) {
        placeCursor();
        throw;
    }
    placeCursor();
    return outcome;
}

}  // namespace

void DeleteTickedOrders(OrderWindow &window, const DeletionSettings &settings) {
    if (window.AppMessageBox("確定刪除所選資料?", "Confirm", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != mrYes)
        return;

    // A user the server would refuse at the first order gets its words now,
    // before a backup pair or a journal line is written.
    CheckDeleteRight(window.Connection());

    std::optional<BackupResult> backup;
    // A failing backup raises here and nothing is deleted; so does a backup
    // the operator cancelled (silently).
    if (window.RunMessageDialog("刪除前是否將資料備份到單機?", DialogKind::Confirmation, mbYes | mbNo) == mrYes)
        backup = BackupOrders(window, window.StartProgress("資料備份").get(), RightToDelete::AlreadyChecked);

    TClientDataSet &list = window.OrderList();
    // Moving first also posts a tick still pending in the grid.
    list.First();
    DeletionOutcome walk;
    int ticked = 0;
    {
        ControlsDisabled quiet(list);
        const std::vector<TickedOrder> orders = TickedOrders(list);
        ticked = static_cast<int>(orders.size());
        if (orders.empty()) {
            list.Last();
        } else {
            try {
                walk = DeleteInBatches(window, orders, backup, settings);
            } catch (const EJournalFailed &failure) {
                // The operator reads what is deleted and journalled in the
                // window's words.
                throw EFCreateError(WindowJournalFailureText(failure));
            }
        }
    }

    if (walk.notInBackup > 0)
        window.ShowNotice(std::to_string(walk.notInBackup) + " 筆勾選的訂單不在本次備份中，未刪除。");
    if (walk.changed > 0) window.ShowNotice(std::to_string(walk.changed) + " 筆訂單在備份後已變更，未刪除。");
    if (walk.cancelled)
        window.ShowNotice("已取消：已刪除 " + std::to_string(walk.deleted) + " 筆訂單，" +
                          std::to_string(ticked - walk.deleted) + " 筆勾選的訂單未刪除。");
}

}  // namespace batchdel
