#pragma once
// Tables shared by the engine and packet tests: one column of every type,
// and the order list's seven columns.
#include <string>
#include <vector>

#include "data/dataset/DataType.h"
#include "data/dataset/TableEngine.h"

inline ColumnDesc Col(std::string name, DataType type, int size = 0) {
    ColumnDesc c;
    c.name = std::move(name);
    c.type = type;
    c.size = size;
    return c;
}

inline std::vector<ColumnDesc> EveryTypeColumns() {
    std::vector<ColumnDesc> cols = {
        Col("S", DataType::String, 10), Col("SI", DataType::SmallInt), Col("I", DataType::Integer),
        Col("BI", DataType::BigInt),    Col("F", DataType::Float),     Col("N", DataType::Bcd),
        Col("D", DataType::Date),       Col("T", DataType::Time),      Col("TS", DataType::TimeStamp),
        Col("B", DataType::Boolean),    Col("M", DataType::Memo),      Col("BL", DataType::Blob),
    };
    cols[5].precision = 18;
    cols[5].scale = 4;
    cols[1].subType = 7;
    cols[0].required = true;
    cols[2].readOnly = true;
    cols[3].hidden = true;
    return cols;
}

inline FieldValue Null() { return FieldValue{}; }
inline FieldValue Int(int64_t v) {
    FieldValue f;
    f.isNull = false;
    f.i = v;
    return f;
}
inline FieldValue Dbl(double v) {
    FieldValue f;
    f.isNull = false;
    f.f = v;
    return f;
}
inline FieldValue Day(int32_t d) {
    FieldValue f;
    f.isNull = false;
    f.date = d;
    return f;
}
inline FieldValue Tm(uint32_t t) {
    FieldValue f;
    f.isNull = false;
    f.time = t;
    return f;
}
inline FieldValue Stamp(int32_t d, uint32_t t) {
    FieldValue f;
    f.isNull = false;
    f.date = d;
    f.time = t;
    return f;
}
inline FieldValue Str(std::string s) {
    FieldValue f;
    f.isNull = false;
    f.s = std::move(s);
    return f;
}

// A record of EveryTypeColumns with every value set; n varies it.
inline std::vector<FieldValue> EveryTypeRecord(int n) {
    return {Str("字" + std::to_string(n)),
            Int(-32768 + n),
            Int(2147483647 - n),
            Int(-9000000000000000000LL + n),
            Dbl(n + 0.1),
            Int(123456789012LL * (n + 1)),
            Day(DbDateFromCivil(2024, 2, 29) + n),
            Tm(86399u * 10000 + 9999 - n),
            Stamp(DbDateFromCivil(1, 1, 1) + n, n),
            Int(n % 2),
            Str(std::string(3000 + n, 'm')),
            Str(std::string("\0\xff\x01"
                            "bin",
                            6) +
                std::to_string(n))};
}

inline void AppendRecord(TableEngine &e, const std::vector<FieldValue> &rec) { e.InsertRecord(e.RecordCount(), rec); }

inline std::vector<ColumnDesc> OrderListColumns() {
    return {Col("MASTERBILLID", DataType::String, 20),
            Col("BILL_DATE", DataType::Date),
            Col("FR_DATE", DataType::Date),
            Col("CUST_ID", DataType::String, 10),
            Col("CUST_NAME", DataType::String, 50),
            Col("PD_DEPID", DataType::String, 10),
            Col("SELECT_YN", DataType::String, 1)};
}
