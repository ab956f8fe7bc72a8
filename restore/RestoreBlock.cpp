#include "restore/RestoreBlock.h"

#include "orders/StatementLine.h"
#include "orders/TableColumns.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>

namespace batchdel {

namespace {

// Table references a statement may hold (the server's limit is 255), and the
// bytes of its input message (the server's limit is 64 KB), each with room
// to spare.
constexpr int kMaxInserts = 250;
constexpr int kMaxMessageBytes = 60000;

// Bytes a value of the column takes in the message at most: a text in the
// connection's character set may take four bytes a character; every value
// also has its null flag and its alignment.
int ValueBytes(const InsertColumn &insert) {
    constexpr int kFlagAndAlignment = 10;
    if (!insert.declaredType.empty()) return insert.declaredBytes + 2 + kFlagAndAlignment;
    const ColumnDesc &column = insert.described;
    switch (column.type) {
        case DataType::String:
        case DataType::Unknown:
            return column.size * 4 + 2 + kFlagAndAlignment;
        case DataType::Boolean:
            return 1 + kFlagAndAlignment;
        case DataType::Date:
        case DataType::Time:
            return 4 + kFlagAndAlignment;
        default:  // integers, BCD, floats, timestamps and blob ids
            return 16 + kFlagAndAlignment;
    }
}

// A slot's bytes: its flag and its row.
int SlotBytes(const InsertColumns &table) {
    int bytes = 2 + 10;
    for (const InsertColumn &column : table.columns) bytes += ValueBytes(column);
    return bytes;
}

bool Fits(const RestoreBlockShape &shape, int headerBytes, int lineBytes) {
    return shape.headers + shape.lines <= kMaxInserts &&
           static_cast<int64_t>(shape.headers) * headerBytes + static_cast<int64_t>(shape.lines) * lineBytes <=
               kMaxMessageBytes;
}

// Slot markers: "H<slot>" for a header slot's flag, "H<slot>_<column>" for
// its values; "L..." for a line slot.
std::string Marker(char kind, int slot, int column = 0) {
    std::string name(1, kind);
    name += std::to_string(slot);
    if (column > 0) name += "_" + std::to_string(column);
    return name;
}

// Declares a slot's flag and values; the values take the types of the
// table's columns.
void DeclareSlot(std::string &text, char kind, int slot, const InsertColumns &table, bool last) {
    AppendStatementLine(text, {"\"", Marker(kind, slot), "\" SMALLINT = :", Marker(kind, slot), ","});
    for (size_t c = 0; c < table.columns.size(); ++c) {
        const InsertColumn &column = table.columns[c];
        const std::string marker = Marker(kind, slot, static_cast<int>(c) + 1);
        const bool end = last && c + 1 == table.columns.size();
        const std::string type = column.declaredType.empty()
                                     ? "TYPE OF COLUMN " + table.table + "." + QuotedName(column.name)
                                     : column.declaredType;
        AppendStatementLine(text, {"\"", marker, "\" ", type, " = :", marker, end ? "" : ","});
    }
}

// Inside the block its inputs are read as :"H1_1" ...: quoted, so that only
// the declarations carry the markers the values are bound to.
void InsertSlot(std::string &text, char kind, int slot, const InsertColumns &table) {
    std::string names, values;
    for (size_t c = 0; c < table.columns.size(); ++c) {
        names += (c ? "," : "") + QuotedName(table.columns[c].name);
        values += (c ? "," : "") + std::string(":\"") + Marker(kind, slot, static_cast<int>(c) + 1) + "\"";
    }
    AppendStatementLine(text, {"IF (:\"", Marker(kind, slot), "\" IS NOT NULL) THEN INSERT INTO ", table.table, " (",
                               names, ") VALUES (", values, ");"});
}

// The most detail slots beside `headers` header slots that the limits allow.
int MostLines(int headers, int headerBytes, int lineBytes) {
    int lines = kMaxInserts - headers;
    while (lines > 0 && !Fits({headers, lines}, headerBytes, lineBytes)) --lines;
    return lines;
}

}  // namespace

RestoreBlockShape RestoreBlockShapeFor(const InsertColumns &header, const InsertColumns &line, double linesPerOrder) {
    const double lines = std::max(0.0, linesPerOrder);
    const int headerBytes = SlotBytes(header), lineBytes = SlotBytes(line);
    // Every statement of the block counts against the server's limits
    // whether its slot is used or not: the header slots are as many as
    // orders of the average size fill, and the detail slots take all the
    // room the limits leave, so that a block of orders above the average
    // still holds about as many orders.
    for (int headers = kMaxInserts; headers >= 1; --headers) {
        if (!Fits({headers, 0}, headerBytes, lineBytes)) continue;
        const int most = MostLines(headers, headerBytes, lineBytes);
        if (most >= std::ceil(lines * headers) && most >= std::ceil(lines)) return {headers, lines > 0 ? most : 0};
    }
    return {};
}

RestoreBlockShape LargeOrderShape(const InsertColumns &header, const InsertColumns &line) {
    const int headerBytes = SlotBytes(header), lineBytes = SlotBytes(line);
    for (int lines = kMaxInserts - 1; lines >= 1; --lines)
        if (Fits({1, lines}, headerBytes, lineBytes)) return {1, lines};
    return {};
}

std::string RestoreBlockText(const RestoreBlockShape &shape, const InsertColumns &header, const InsertColumns &line) {
    std::string text;
    AppendStatementLine(text, {"EXECUTE BLOCK ("});
    for (int slot = 1; slot <= shape.headers; ++slot)
        DeclareSlot(text, 'H', slot, header, shape.lines == 0 && slot == shape.headers);
    for (int slot = 1; slot <= shape.lines; ++slot) DeclareSlot(text, 'L', slot, line, slot == shape.lines);
    AppendStatementLine(text, {") AS"});
    AppendStatementLine(text, {"BEGIN"});
    // Headers first: the detail lines may refer to them.
    for (int slot = 1; slot <= shape.headers; ++slot) InsertSlot(text, 'H', slot, header);
    for (int slot = 1; slot <= shape.lines; ++slot) InsertSlot(text, 'L', slot, line);
    AppendStatementLine(text, {"END"});
    return text;
}

int HeaderSlotParam(const InsertColumns &header, int slot) {
    return slot * (1 + static_cast<int>(header.columns.size()));
}

int LineSlotParam(const RestoreBlockShape &shape, const InsertColumns &header, const InsertColumns &line, int slot) {
    return HeaderSlotParam(header, shape.headers) + slot * (1 + static_cast<int>(line.columns.size()));
}

}  // namespace batchdel
