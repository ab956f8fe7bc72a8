#include "DeleteTickedOrders.h"

#include <optional>
#include <string>

#include "BackupOrders.h"
#include "ClientDataSet.h"
#include "Field.h"
#include "OrderRowFields.h"
#include "OrderWindow.h"
#include "QueryText.h"
#include "SQLConnection.h"
#include "SQLQuery.h"

namespace {

void ExecuteStatement(TSQLQuery &statement, std::string_view head, const TField &orderNumber)
{
    statement.Close();
    statement.ClearSQL();
    statement.AddSQL(std::string(head));
    statement.AddSQL(OrderNumberCondition(orderNumber.GetString()));
    statement.Execute();
}

// The lines, then the header of the current row's order, in one transaction.
void DeleteOrder(OrderWindow &window, const TField &orderNumber)
{
    TSQLConnection &connection = window.Connection();
    connection.StartTransaction();
    try {
        ExecuteStatement(window.Statement(), kDeleteDetailHead, orderNumber);
        ExecuteStatement(window.Statement(), kDeleteHeaderHead, orderNumber);
        connection.Commit();
    } catch (...) {
        // The failure to report is the one that stopped the order. Should
        // the rollback fail too (a lost connection), the server drops the
        // uncommitted work by itself.
        try {
            if (connection.InTransaction())
                connection.Rollback();
        } catch (...) {
        }
        throw;
    }
}

} // namespace

void DeleteTickedOrders(OrderWindow &window)
{
    if (window.AppMessageBox("確定刪除所選資料?", "Confirm", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != mrYes)
        return;

    std::optional<BackupResult> backup;
    // A failing backup raises here and nothing is deleted.
    if (window.RunMessageDialog("刪除前是否將資料備份到單機?", DialogKind::Confirmation, mbYes | mbNo) == mrYes)
        backup = BackupOrders(window);

    TClientDataSet &list = window.OrderList();
    // Moving first also posts a tick still pending in the grid.
    list.First();
    const TField *mark = nullptr;
    const TField *orderNumber = nullptr;
    int notInBackup = 0;
    while (!list.AtEnd()) {
        if (!mark) {
            mark = list.FieldNamed(kSelectionField);
            orderNumber = list.FieldNamed(kOrderNumberField);
        }
        if (mark->GetString() == kTicked) {
            if (backup && !backup->Holds(orderNumber->GetString()))
                ++notInBackup;
            else
                DeleteOrder(window, *orderNumber);
        }
        list.Next();
    }

    if (notInBackup > 0)
        window.ShowNotice(std::to_string(notInBackup) + " 筆勾選的訂單不在本次備份中，未刪除。");
}
