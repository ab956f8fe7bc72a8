#pragma once

namespace batchdel {

class OrderWindow;

// "全選": ticks every listed order (SELECT_YN = "Y") in memory only, and ends
// on the first row. A closed list raises the closed-data-set failure; a
// failure in the middle keeps the ticks made before it.
void SelectAllOrders(OrderWindow &window);

}  // namespace batchdel
