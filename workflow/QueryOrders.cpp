#include "QueryOrders.h"

#include "ClientDataSet.h"
#include "OrderWindow.h"
#include "QueryText.h"

void QueryOrders(OrderWindow &window) {
    const std::string text = BuildFilteredQuery(kListQueryHead, ReadFilterCriteria(window));
    TClientDataSet &list = window.OrderList();
    // Closing drops the old rows with their ticks and any change pending in the grid.
    list.Close();
    list.SetCommandText(text);
    list.Open();
    window.SetStatusText("RecordCount: " + std::to_string(list.RecordCount()));
}
