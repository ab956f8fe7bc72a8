#include "workflow/FilterCriteria.h"

#include "workflow/OrderWindow.h"

namespace batchdel {

FilterCriteria ReadFilterCriteria(const OrderWindow &window) {
    FilterCriteria criteria;
    criteria.dateFrom = window.BoxText(FilterBox::DateFrom);
    criteria.dateTo = window.BoxText(FilterBox::DateTo);
    criteria.customerFrom = window.BoxText(FilterBox::CustomerFrom);
    criteria.customerTo = window.BoxText(FilterBox::CustomerTo);
    criteria.departmentFrom = window.BoxText(FilterBox::DepartmentFrom);
    criteria.departmentTo = window.BoxText(FilterBox::DepartmentTo);
    return criteria;
}

}  // namespace batchdel
