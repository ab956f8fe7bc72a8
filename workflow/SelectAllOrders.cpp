#include "workflow/SelectAllOrders.h"

#include "data/dataset/ClientDataSet.h"
#include "workflow/OrderWindow.h"
#include "workflow/OrderRowFields.h"

namespace batchdel {

void SelectAllOrders(OrderWindow &window) {
    TClientDataSet &list = window.OrderList();
    // Moving first also posts a tick still pending in the grid.
    list.First();
    TField *mark = nullptr;
    while (!list.AtEnd()) {
        list.Edit();
        if (!mark) mark = list.FieldNamed(kSelectionField);
        mark->SetString(kTicked);
        list.Post();
        list.Next();
    }
    list.First();
}

}  // namespace batchdel
