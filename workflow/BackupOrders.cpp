#include "workflow/BackupOrders.h"

#include <memory>
#include <vector>

#include "orders/SnapshotReading.h"
#include "orders/BackupPairFiles.h"
#include "workflow/BackupReadBack.h"
#include "orders/ConnectionWatch.h"
#include "data/dataset/ClientDataSet.h"
#include "orders/DeleteRight.h"
#include "workflow/DetailLines.h"
#include "data/dataset/Errors.h"
#include "orders/FetchedRows.h"
#include "data/dataset/Field.h"
#include "workflow/OrderRowFields.h"
#include "workflow/OrderWindow.h"
#include "data/packet/PacketFile.h"
#include "workflow/QueryText.h"
#include "data/sql/SQLConnection.h"
#include "data/sql/SQLDataSet.h"
#include "orders/TableColumns.h"
#include "data/dataset/TableEngine.h"
#include "workflow/WorkProgress.h"

namespace batchdel {

namespace {

void OpenWithText(TClientDataSet &set, const std::string &text) {
    set.Close();
    set.SetCommandText(text);
    set.Open();
}

void StopIfCancelled(WorkProgress *progress) {
    if (progress && progress->CancelRequested()) throw EAbort();
}

void Stage(WorkProgress *progress, WorkStage stage, int64_t steps) {
    if (progress) progress->Stage(stage, steps);
}

std::vector<std::string> OrderNumbersOf(const TClientDataSet &set) {
    std::vector<std::string> numbers;
    const int rows = set.RecordCount();
    numbers.reserve(static_cast<size_t>(rows));
    const TField *field = set.FieldNamed(kOrderNumberField);
    for (int row = 0; row < rows; ++row) numbers.push_back(field->GetStringAt(row));
    return numbers;
}

// The lines of the orders the subquery text selects, as that text reads them.
std::unique_ptr<TableEngine> FetchDetailBySubquery(TSQLConnection &connection, const std::string &text) {
    TSQLDataSet lines("DetailLines");
    lines.SetSQLConnection(&connection);
    lines.SetCommandText(text);
    std::unique_ptr<TableEngine> table;
    AppendPacketRows(lines, table);
    return table;
}

int ColumnNamed(const TableEngine &table, const std::string &name) {
    if (const int column = FindColumn(table, name); column >= 0) return column;
    throw EDatabaseError("Field '" + name + "' not found");
}

}  // namespace

int BackupResult::DetailLinesOf(const std::string &orderNumber) const {
    const auto order = detailLines.find(orderNumber);
    return order == detailLines.end() ? -1 : order->second;
}

BackupResult BackupOrders(TSQLConnection &connection, TClientDataSet &set, const FilterCriteria &filter,
                          const std::string &folder, const std::tm &now, WorkProgress *progress) {
    BackupResult result;

    // Everything is read before either file is written, so reading can
    // start over on a new connection when the link dies under it: no file
    // is there yet to remove.
    std::unique_ptr<TableEngine> detail = ReadWithReconnect(connection, [&] {
        std::unique_ptr<TableEngine> lines;
        SnapshotReading snapshot(connection);
        Stage(progress, WorkStage::ReadingOrders, 0);
        OpenWithText(set, BuildFilteredQuery(kHeaderBackupHead, filter));
        const std::vector<std::string> orders = OrderNumbersOf(set);
        StopIfCancelled(progress);
        if (DetailTableHasOrderIndex(connection)) {
            Stage(progress, WorkStage::ReadingLines, static_cast<int64_t>(orders.size()));
            lines = FetchDetailLines(connection, orders, progress);
        } else {
            // Without the index the database could only scan the lines once
            // per batch; the subquery scans them once in all.
            Stage(progress, WorkStage::ReadingLines, 0);
            const std::string orderNumbers = BuildFilteredQuery(kOrderNumberHead, filter);
            lines = FetchDetailBySubquery(connection, DetailBackupQuery(orderNumbers));
        }
        snapshot.End();
        return lines;
    });
    StopIfCancelled(progress);

    const TableEngine &header = *set.Engine();
    result.headerRows = header.RecordCount();
    result.detailRows = detail->RecordCount();
    const int headerKey = ColumnNamed(header, kOrderNumberField);
    result.detailLines.reserve(static_cast<size_t>(header.RecordCount()));
    for (int row = 0; row < header.RecordCount(); ++row)
        result.detailLines.emplace(std::string(header.Text(row, headerKey)), 0);
    const int detailKey = ColumnNamed(*detail, kOrderNumberField);
    for (int row = 0; row < detail->RecordCount(); ++row) {
        const auto found = result.detailLines.find(std::string(detail->Text(row, detailKey)));
        if (found != result.detailLines.end()) ++found->second;
    }

    Stage(progress, WorkStage::WritingBackup, 0);
    // The header file holds the list's present content, a pending edit included.
    set.CheckBrowseMode();
    // Both names are the pair's own from here: a failure, or a Cancel this
    // late (no backup the operator asked for), removes the two files this
    // backup made and nothing else.
    BackupPairFiles files(folder, now);
    result.headerFile = files.HeaderFile();
    result.detailFile = files.DetailFile();
    WritePacketInto(files.HeaderDescriptor(), result.headerFile, header, false);
    WritePacketInto(files.DetailDescriptor(), result.detailFile, *detail, false);
    files.Close();
    StopIfCancelled(progress);
    Stage(progress, WorkStage::CheckingBackup, 0);
    CheckBackupReadsBack(result);
    StopIfCancelled(progress);
    files.Keep();
    return result;
}

BackupResult BackupOrders(OrderWindow &window, WorkProgress *progress, RightToDelete right) {
    if (right == RightToDelete::CheckFirst) CheckDeleteRight(window.Connection());
    BackupResult result = BackupOrders(window.Connection(), window.BackupSet(), ReadFilterCriteria(window),
                                       window.DataFolder(), window.LocalNow(), progress);
    window.ShowNotice("資料備份完成..!");
    return result;
}

}  // namespace batchdel
