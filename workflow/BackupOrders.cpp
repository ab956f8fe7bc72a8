#include "BackupOrders.h"

#include <unordered_set>

#include "BackupCapture.h"
#include "BackupFileNames.h"
#include "ClientDataSet.h"
#include "DataSetFile.h"
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

// The order numbers of every row of the open header result set, read by row
// so the walk does not move the cursor.
std::unordered_set<std::string> OrderNumbersOf(const TClientDataSet &set)
{
    std::unordered_set<std::string> numbers;
    const int rows = set.RecordCount();
    numbers.reserve(static_cast<size_t>(rows));
    const TField *field = set.FieldNamed(kOrderNumberField);
    for (int row = 0; row < rows; ++row)
        numbers.insert(field->GetStringAt(row));
    return numbers;
}

} // namespace

BackupFiles BackupOrders(OrderWindow &window)
{
    // One timestamp for both files, taken before anything runs.
    const std::string timestamp = BackupTimestamp(window.LocalNow());
    const std::string folder = window.ExecutableFolder();
    const BackupFiles files{HeaderBackupPath(folder, timestamp), DetailBackupPath(folder, timestamp)};

    TClientDataSet &set = window.BackupSet();
    OpenWithText(set, BuildFilteredQuery(kHeaderBackupHead, ReadFilterCriteria(window)));
    WriteToFile(set, files.headerFile, PacketFormat::Binary);

    BackupCapture *capture = BackupCapture::For(window);
    if (capture)
        capture->RecordHeaderOrders(OrderNumbersOf(set));

    // The boxes are read again: the detail query is built on its own.
    const std::string orderNumbers = BuildFilteredQuery(kOrderNumberHead, ReadFilterCriteria(window));
    OpenWithText(set, DetailBackupQuery(orderNumbers));
    WriteToFile(set, files.detailFile, PacketFormat::Binary);

    if (capture)
        capture->MarkCompleted();
    window.ShowNotice("資料備份完成..!");
    return files;
}
