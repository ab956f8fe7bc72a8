#pragma once
// The four commands of the order window's buttons.
#include "BackupOrders.h"        // 資料備份
#include "DeleteTickedOrders.h"  // 刪除確認
#include "QueryOrders.h"         // 查詢
#include "SelectAllOrders.h"     // 全選
