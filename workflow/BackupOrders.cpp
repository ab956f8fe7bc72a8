#include "BackupOrders.h"

#include "BackupFileNames.h"
#include "ClientDataSet.h"
#include "Field.h"
#include "OrderRowFields.h"
#include "OrderWindow.h"
#include "QueryText.h"

namespace {

void OpenWithText(TClientDataSet &set, const std::string &text)
{
    set.Close();
    set.SetCommandText(text);
    set.Open();
}

// Every order number of the open header result set, with no lines yet. Read
// by row so the walk does not move the cursor.
std::unordered_map<std::string, int> OrdersOf(const TClientDataSet &set)
{
    std::unordered_map<std::string, int> orders;
    const int rows = set.RecordCount();
    orders.reserve(static_cast<size_t>(rows));
    const TField *field = set.FieldNamed(kOrderNumberField);
    for (int row = 0; row < rows; ++row)
        orders.emplace(field->GetStringAt(row), 0);
    return orders;
}

// Adds the lines of the open detail result set to their orders. A line whose
// order is not in the header file (added between the two queries) counts for
// no order: the deletion goes by the header file.
void CountLines(const TClientDataSet &set, std::unordered_map<std::string, int> &orders)
{
    const int rows = set.RecordCount();
    const TField *field = set.FieldNamed(kOrderNumberField);
    for (int row = 0; row < rows; ++row) {
        auto order = orders.find(field->GetStringAt(row));
        if (order != orders.end())
            ++order->second;
    }
}

} // namespace

int BackupResult::DetailLinesOf(const std::string &orderNumber) const
{
    const auto order = detailLines.find(orderNumber);
    return order == detailLines.end() ? -1 : order->second;
}

BackupResult BackupOrders(OrderWindow &window)
{
    // One timestamp for both files, taken before anything runs.
    const std::string timestamp = BackupTimestamp(window.LocalNow());
    const std::string folder = window.ExecutableFolder();
    BackupResult result{HeaderBackupPath(folder, timestamp), DetailBackupPath(folder, timestamp), {}};

    TClientDataSet &set = window.BackupSet();
    OpenWithText(set, BuildFilteredQuery(kHeaderBackupHead, ReadFilterCriteria(window)));
    set.WriteToFile(result.headerFile, PacketFormat::Binary);
    std::unordered_map<std::string, int> orders = OrdersOf(set);

    // The boxes are read again: the detail query is built on its own.
    const std::string orderNumbers = BuildFilteredQuery(kOrderNumberHead, ReadFilterCriteria(window));
    OpenWithText(set, DetailBackupQuery(orderNumbers));
    set.WriteToFile(result.detailFile, PacketFormat::Binary);
    CountLines(set, orders);

    result.detailLines = std::move(orders);
    window.ShowNotice("資料備份完成..!");
    return result;
}
