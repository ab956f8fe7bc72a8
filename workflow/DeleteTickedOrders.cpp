#include "DeleteTickedOrders.h"

#include <algorithm>
#include <cstddef>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "BackupOrders.h"
#include "ClientDataSet.h"
#include "DeletionJournal.h"
#include "Errors.h"
#include "Field.h"
#include "OrderRowFields.h"
#include "OrderWindow.h"
#include "SQLConnection.h"

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
    return DeletionJournal(DeletionJournalPath(window.ExecutableFolder()),
                           backup ? FileName(backup->headerFile) + " " + FileName(backup->detailFile) : "",
                           connection.ParamValue("Database"), connection.ParamValue("User_Name"));
}

// Where the walk stands; the counts make the closing notices.
struct Walk {
    size_t next = 0;  // index of the first ticked order not yet taken
    int deleted = 0;  // committed
    int notInBackup = 0;
    int changed = 0;
    bool cancelled = false;
};

// Deletes the ticked orders batch by batch, journalling each batch once it
// is committed, and leaves the list's cursor where the walk ended.
Walk DeleteInBatches(OrderWindow &window, const std::vector<TickedOrder> &ticked,
                     const std::optional<BackupResult> &backup, const DeletionSettings &settings) {
    TClientDataSet &list = window.OrderList();
    const DeletionJournal journal = JournalFor(window, backup);
    // A journal that cannot be written stops the deletion before anything goes.
    journal.Open();

    Walk walk;
    const auto left = [&] { return static_cast<int>(ticked.size()) - walk.deleted; };
    const auto commitBatch = [&](OrderDeletion &deletion) {
        const std::vector<DeletedOrder> orders = deletion.Commit();
        walk.deleted += static_cast<int>(orders.size());
        try {
            journal.Append(orders, window.LocalNow());
        } catch (const Exception &failure) {
            throw EFCreateError(failure.Message() + "。刪除已停止：已刪除 " + std::to_string(walk.deleted) +
                                " 筆訂單（最後 " + std::to_string(orders.size()) + " 筆未記入紀錄），" +
                                std::to_string(left()) + " 筆勾選的訂單未刪除。");
        }
    };

    std::unique_ptr<WorkProgress> progress = window.StartProgress("刪除訂單");
    if (progress) progress->Stage("正在刪除勾選的訂單...", static_cast<int64_t>(ticked.size()));
    OrderDeletion deletion(window.Connection(), settings.batchTime, settings.ordersPerRoundTrip);
    std::exception_ptr failure;
    // The ticked orders go a block at a time, many in one round trip. An
    // order the block could not delete is run once more on its own: it fails
    // again with the server's own message, which ends the walk, or (another
    // user's lock having gone meanwhile) it goes, and the walk goes on after it.
    // What the backup does not hold is never sent.
    std::vector<OrderToDelete> orders;
    std::vector<size_t> positions;  // of those orders among the ticked ones
    for (size_t at = 0; at < ticked.size(); ++at) {
        std::optional<int64_t> expectedLines;
        if (backup) {
            if (!backup->Holds(ticked[at].number)) {
                ++walk.notInBackup;
                continue;
            }
            expectedLines = backup->DetailLinesOf(ticked[at].number);
        }
        orders.push_back({ticked[at].number, expectedLines});
        positions.push_back(at);
    }
    size_t taken = 0;  // orders sent so far
    walk.next = orders.empty() ? ticked.size() : positions[0];
    while (taken < orders.size()) {
        const size_t size = std::min(orders.size() - taken, static_cast<size_t>(deletion.BlockSize()));
        const std::vector<OrderToDelete> block(orders.begin() + static_cast<std::ptrdiff_t>(taken),
                                               orders.begin() + static_cast<std::ptrdiff_t>(taken + size));
        BlockOutcome outcome;
        bool wholeBlockFailed = false;
        try {
            outcome = deletion.DeleteBlock(block);
        } catch (...) {
            // Nothing of the block happened. With the batch still open its
            // orders go one by one, and the one at fault reports; a batch
            // lost with the connection ends the walk here.
            if (!deletion.BatchOpen()) {
                failure = std::current_exception();
                break;
            }
            wholeBlockFailed = true;
            outcome.stoppedAt = 0;
        }
        walk.changed += outcome.changed;
        size_t done = outcome.stoppedAt;
        for (; done < block.size(); ++done) {
            try {
                if (!deletion.Delete(block[done].number, block[done].expectedLines)) ++walk.changed;
            } catch (...) {
                failure = std::current_exception();
                break;
            }
            // After a failed order went on its own, the rest of the block
            // goes in the next round; after a block that failed whole, one by one.
            if (!wholeBlockFailed) {
                ++done;
                break;
            }
        }
        taken += done;
        // The first ticked order not taken yet.
        walk.next = taken < orders.size() ? positions[taken] : ticked.size();
        if (failure) break;
        if (progress) {
            progress->Advance(static_cast<int64_t>(walk.next));
            if (progress->CancelRequested()) {
                walk.cancelled = true;
                break;
            }
        }
        if (deletion.BatchDue()) commitBatch(deletion);
    }

    if (failure) {
        // The orders before the failing one stay deleted, as they would had
        // each been committed alone; the failure is what the operator is
        // told, unless the journal then fails too.
        list.SetRecNo(ticked[walk.next].row + 1);
        try {
            commitBatch(deletion);
        } catch (const EFCreateError &) {
            throw;
        } catch (...) {}
        std::rethrow_exception(failure);
    }
    commitBatch(deletion);
    if (walk.next < ticked.size())
        list.SetRecNo(ticked[walk.next].row + 1);
    else
        list.Last();
    return walk;
}

}  // namespace

void DeleteTickedOrders(OrderWindow &window, const DeletionSettings &settings) {
    if (window.AppMessageBox("確定刪除所選資料?", "Confirm", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != mrYes)
        return;

    std::optional<BackupResult> backup;
    // A failing backup raises here and nothing is deleted; so does a backup
    // the operator cancelled (silently).
    if (window.RunMessageDialog("刪除前是否將資料備份到單機?", DialogKind::Confirmation, mbYes | mbNo) == mrYes)
        backup = BackupOrders(window, window.StartProgress("資料備份").get());

    TClientDataSet &list = window.OrderList();
    // Moving first also posts a tick still pending in the grid.
    list.First();
    Walk walk;
    int ticked = 0;
    {
        ControlsDisabled quiet(list);
        const std::vector<TickedOrder> orders = TickedOrders(list);
        ticked = static_cast<int>(orders.size());
        if (orders.empty())
            list.Last();
        else
            walk = DeleteInBatches(window, orders, backup, settings);
    }

    if (walk.notInBackup > 0)
        window.ShowNotice(std::to_string(walk.notInBackup) + " 筆勾選的訂單不在本次備份中，未刪除。");
    if (walk.changed > 0) window.ShowNotice(std::to_string(walk.changed) + " 筆訂單在備份後已變更，未刪除。");
    if (walk.cancelled)
        window.ShowNotice("已取消：已刪除 " + std::to_string(walk.deleted) + " 筆訂單，" +
                          std::to_string(ticked - walk.deleted) + " 筆勾選的訂單未刪除。");
}
