#pragma once
// The four commands of the order window's buttons.
#include "workflow/BackupOrders.h"        // 資料備份
#include "workflow/DeleteTickedOrders.h"  // 刪除確認
#include "workflow/QueryOrders.h"         // 查詢
#include "workflow/SelectAllOrders.h"     // 全選
namespace batchdel {


}  // namespace batchdel
