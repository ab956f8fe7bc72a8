#pragma once

namespace batchdel {

class OrderWindow;

// "查詢": lists the orders that match the filter boxes and shows their count.
// A failing query leaves the list closed and the status line as it was; the
// failure goes on to the caller.
void QueryOrders(OrderWindow &window);

}  // namespace batchdel
