#pragma once
// The statement that restores many orders in one round trip to the server.
//
// One EXECUTE BLOCK inserts up to `headers` header rows and then up to
// `lines` detail rows, all values bound. A slot whose flag is NULL inserts
// nothing, so one text (compiled once per run) serves every block, a short
// one included. The block has no error handler: should any row fail, the
// statement as a whole is undone by the server and the caller restores that
// block's orders once more one at a time, each in a savepoint of its own,
// which gives every order the server's own message and leaves the others
// restored. The end state is the one of a transaction per order.
//
// The server limits a statement to 255 table references (each INSERT is
// one) and its input message to 64 KB; RestoreBlockShapeFor keeps within both.
#include <string>
#include <vector>

#include "data/dataset/TableEngine.h"

namespace batchdel {

struct RestoreBlockShape {
    int headers = 0;  // header slots
    int lines = 0;    // detail line slots
    bool operator==(const RestoreBlockShape &) const = default;
};

// A column an INSERT names, and the type its value is sent as.
struct InsertColumn {
    std::string name;      // the table's name of it
    ColumnDesc described;  // the table's description of it
    // A text column's values may go as a shorter text than the column's
    // own, as long as the longest value to be sent: "VARCHAR(n) CHARACTER
    // SET <the column's>", taking declaredBytes in the message. Empty: the
    // column's own type.
    std::string declaredType;
    int declaredBytes = 0;
};

// The columns an INSERT of one table names.
struct InsertColumns {
    std::string table;
    std::vector<InsertColumn> columns;
};

// The block with the most header slots for orders of about `linesPerOrder`
// lines: its detail slots leave room for orders somewhat above the average;
// {0, 0} when not even one order of that size fits.
RestoreBlockShape RestoreBlockShapeFor(const InsertColumns &header, const InsertColumns &line, double linesPerOrder);
// The block for one order of as many lines as the limits allow, for the
// orders too large for the shape above; {0, 0} when no line fits.
RestoreBlockShape LargeOrderShape(const InsertColumns &header, const InsertColumns &line);

// The statement's text for that shape. Its parameters, in order: per header
// slot its flag and then one per header column, then per line slot its flag
// and one per line column.
std::string RestoreBlockText(const RestoreBlockShape &shape, const InsertColumns &header, const InsertColumns &line);

// Where the parameters of a slot (counted from 0) start among the
// statement's parameters.
int HeaderSlotParam(const InsertColumns &header, int slot);
int LineSlotParam(const RestoreBlockShape &shape, const InsertColumns &header, const InsertColumns &line, int slot);

}  // namespace batchdel
