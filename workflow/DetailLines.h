#pragma once
// The detail lines of a set of orders, read by the index on
// ORDER_SUB.MASTERBILLID: the order numbers go to the database
// kOrdersPerLookup at a time (OrderLookup), so the server looks each order's
// lines up instead of scanning every line of the table for a subquery.
#include <memory>
#include <string>
#include <vector>

#include "orders/OrderLookup.h"

class TSQLConnection;
class TableEngine;

namespace batchdel {

class WorkProgress;

// Whether ORDER_SUB has an index whose first column is MASTERBILLID, as the
// database's metadata lists the indexes.
bool DetailTableHasOrderIndex(TSQLConnection &connection);

// Every line of ORDER_SUB whose MASTERBILLID is one of orderNumbers (each
// number once), with the columns and packet properties that
// "SELECT * FROM ORDER_SUB ..." gives. Reports the orders done to progress
// (which may be null) and stops with EAbort when it asks to.
std::unique_ptr<TableEngine> FetchDetailLines(TSQLConnection &connection, const std::vector<std::string> &orderNumbers,
                                              WorkProgress *progress);

}  // namespace batchdel
