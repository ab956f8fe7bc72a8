#pragma once
// The demo database: ORDER_MASTER and ORDER_SUB filled with sample orders, for
// trying the program and for the tests and benchmarks.
#include <string>
#include <vector>

#include "tools/FirebirdDirect.h"

namespace batchdel {

// Creates the database file at path (it must not exist) with the demo schema
// and the given number of orders, about ten detail lines each, dated over two
// years. The same seed gives the same data. Forced writes are on at the end.
void CreateDemoDatabase(const std::string &path, int orders, unsigned seed = 1);
void CreateDemoDatabase(const std::string &path, int orders, unsigned seed, const DbLogin &login);

// Runs the statements in one transaction (DDL, triggers, extra rows).
void ExecuteSql(const std::string &dbPath, const std::vector<std::string> &statements);
void ExecuteSql(const std::string &dbPath, const std::vector<std::string> &statements, const DbLogin &login);

// Forced writes make every commit reach the disk before it returns.
void SetForcedWrites(const std::string &path, bool on, const DbLogin &login = {});

// Order number of the n-th demo order (from 1): "SO" and eight digits.
std::string DemoOrderNumber(int n);

}  // namespace batchdel
