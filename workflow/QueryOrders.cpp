#include "workflow/QueryOrders.h"

#include "data/dataset/ClientDataSet.h"
#include "orders/ConnectionWatch.h"
#include "workflow/OrderWindow.h"
#include "workflow/QueryText.h"

namespace batchdel {

void QueryOrders(OrderWindow &window) {
    const std::string text = BuildFilteredQuery(kListQueryHead, ReadFilterCriteria(window));
    TClientDataSet &list = window.OrderList();
    // The list only reads: a connection lost before it or under it is made
    // again and the list read once more from the start.
    ReadWithReconnect(window.Connection(), [&] {
        // Closing drops the old rows with their ticks and any change pending in the grid.
        list.Close();
        list.SetCommandText(text);
        list.Open();
    });
    window.SetStatusText("RecordCount: " + std::to_string(list.RecordCount()));
}

}  // namespace batchdel
