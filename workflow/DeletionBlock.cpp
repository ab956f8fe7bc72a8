#include "workflow/DeletionBlock.h"

#include "orders/StatementLine.h"

namespace batchdel {

std::string BlockOrderMarker(int i) { return "O" + std::to_string(i); }
std::string BlockLinesMarker(int i) { return "E" + std::to_string(i); }

std::string DeletionBlockText(int orders) {
    // Inside the block its inputs are read as :"O1" ...: quoted, so that only
    // the declarations carry the markers the values are bound to.
    std::string text;
    AppendStatementLine(text, {"EXECUTE BLOCK ("});
    for (int i = 1; i <= orders; ++i) {
        const std::string n = std::to_string(i);
        AppendStatementLine(text, {"\"O", n, "\" TYPE OF COLUMN ORDER_MASTER.MASTERBILLID = :", BlockOrderMarker(i),
                                   ", \"E", n, "\" BIGINT = :", BlockLinesMarker(i), i < orders ? "," : ""});
    }
    std::string returns = ") RETURNS (\"FAILED\" INTEGER";
    for (int i = 1; i <= orders; ++i) returns += ", \"R" + std::to_string(i) + "\" BIGINT";
    AppendStatementLine(text, {returns, ")"});
    AppendStatementLine(text, {"AS"});
    AppendStatementLine(text, {"DECLARE \"L\" BIGINT;"});
    AppendStatementLine(text, {"DECLARE \"H\" BIGINT;"});
    AppendStatementLine(text, {"DECLARE \"CHANGED\" SMALLINT;"});
    AppendStatementLine(text, {"DECLARE \"S\" TYPE OF COLUMN ORDER_SUB.MASTERBILLID;"});
    AppendStatementLine(text, {"BEGIN"});
    AppendStatementLine(text, {"\"FAILED\" = 0;"});
    for (int i = 1; i <= orders; ++i) {
        const std::string n = std::to_string(i);
        const std::string number = ":\"O" + n + "\"";
        const std::string lines = "\"E" + n + "\"";
        const std::string result = "\"R" + n + "\"";
        AppendStatementLine(text, {"IF (", number, " IS NOT NULL AND \"FAILED\" = 0) THEN BEGIN"});
        AppendStatementLine(text, {"  \"CHANGED\" = 0; \"L\" = 0; \"H\" = 0;"});
        // The work sits in an inner block: leaving it by an exception undoes
        // what it did, and the handler outside decides what that meant.
        AppendStatementLine(text, {"  BEGIN"});
        // A number the detail table's column cannot hold fails here, as it
        // does in the one-order statement, instead of silently matching nothing.
        AppendStatementLine(text, {"    \"S\" = ", number, ";"});
        AppendStatementLine(text, {"    DELETE FROM ORDER_SUB WHERE MASTERBILLID = :\"S\";"});
        AppendStatementLine(text, {"    \"L\" = ROW_COUNT;"});
        AppendStatementLine(text, {"    IF (", lines, " IS NOT NULL AND \"L\" <> ", lines, ") THEN \"CHANGED\" = 1;"});
        AppendStatementLine(text, {"    ELSE BEGIN"});
        AppendStatementLine(text, {"      DELETE FROM ORDER_MASTER WHERE MASTERBILLID = ", number, ";"});
        AppendStatementLine(text, {"      \"H\" = ROW_COUNT;"});
        AppendStatementLine(text, {"      IF (", lines, " IS NOT NULL AND \"H\" <> 1) THEN \"CHANGED\" = 1;"});
        AppendStatementLine(text, {"    END"});
        // A changed order leaves the inner block by a division by zero: the
        // database may hold no named exception of the program's to raise.
        AppendStatementLine(text, {"    IF (\"CHANGED\" = 1) THEN \"L\" = 1 / 0;"});
        AppendStatementLine(text,
                            {"    ", result, " = IIF(\"L\" + \"H\" = 0, ", std::to_string(kOrderGone), ", \"L\");"});
        AppendStatementLine(text, {"  END"});
        AppendStatementLine(text, {"  WHEN ANY DO"});
        AppendStatementLine(text,
                            {"    IF (\"CHANGED\" = 1) THEN ", result, " = ", std::to_string(kOrderChanged), ";"});
        AppendStatementLine(text, {"    ELSE \"FAILED\" = ", n, ";"});
        AppendStatementLine(text, {"END"});
    }
    AppendStatementLine(text, {"SUSPEND;"});
    AppendStatementLine(text, {"END"});
    return text;
}

std::string SetDeletionBlockText(int orders) {
    std::string list, index, expected;
    for (int i = 1; i <= orders; ++i) {
        const std::string n = std::to_string(i);
        list += (i > 1 ? ", " : "") + std::string(":\"O") + n + "\"";
        index += ", :\"O" + n + "\", " + n;
        expected += ", :\"O" + n + "\", :\"E" + n + "\"";
    }
    std::string text;
    AppendStatementLine(text, {"EXECUTE BLOCK ("});
    for (int i = 1; i <= orders; ++i) {
        const std::string n = std::to_string(i);
        AppendStatementLine(text, {"\"O", n, "\" TYPE OF COLUMN ORDER_MASTER.MASTERBILLID = :", BlockOrderMarker(i),
                                   ", \"E", n, "\" BIGINT = :", BlockLinesMarker(i), i < orders ? "," : ""});
    }
    AppendStatementLine(text,
                        {") RETURNS (\"REFUSED\" INTEGER, \"LINES\" VARCHAR(8000) CHARACTER SET ASCII, \"HEADERS\" "
                         "VARCHAR(4000) CHARACTER SET ASCII)"});
    AppendStatementLine(text, {"AS"});
    AppendStatementLine(text, {"DECLARE \"N\" TYPE OF COLUMN ORDER_SUB.MASTERBILLID;"});
    AppendStatementLine(text, {"DECLARE \"C\" BIGINT;"});
    AppendStatementLine(text, {"DECLARE \"E\" BIGINT;"});
    AppendStatementLine(text, {"DECLARE \"I\" INTEGER;"});
    AppendStatementLine(text, {"DECLARE \"COUNTED\" BIGINT = 0;"});
    AppendStatementLine(text, {"DECLARE \"FOUND\" BIGINT = 0;"});
    AppendStatementLine(text, {"DECLARE \"BACKED\" BIGINT = 0;"});
    AppendStatementLine(text, {"DECLARE \"BACKEDFOUND\" BIGINT = 0;"});
    AppendStatementLine(text, {"DECLARE \"BACKEDLINES\" BIGINT = 0;"});
    AppendStatementLine(text, {"BEGIN"});
    AppendStatementLine(text, {"\"REFUSED\" = 0; \"LINES\" = ''; \"HEADERS\" = '';"});
    // The orders the backup holds, and their lines.
    for (int i = 1; i <= orders; ++i) {
        const std::string e = ":\"E" + std::to_string(i) + "\"";
        AppendStatementLine(
            text,
            {"IF (", e, " IS NOT NULL) THEN BEGIN \"BACKED\" = \"BACKED\" + 1; \"BACKEDLINES\" = \"BACKEDLINES\" + ", e,
             "; END"});
    }
    // The work sits in an inner block: leaving it by an exception undoes all
    // of it, and the handler outside tells the caller.
    AppendStatementLine(text, {"BEGIN"});
    AppendStatementLine(text, {"  BEGIN"});
    AppendStatementLine(text, {"    FOR SELECT MASTERBILLID, COUNT(*) FROM ORDER_SUB WHERE MASTERBILLID IN (", list,
                               ") GROUP BY MASTERBILLID INTO :\"N\", :\"C\" DO BEGIN"});
    AppendStatementLine(text, {"      \"E\" = DECODE(\"N\"", expected, ");"});
    // A changed order leaves the block by a division by zero: the database
    // may hold no named exception of the program's to raise.
    AppendStatementLine(text, {"      IF (\"E\" IS NOT NULL AND \"E\" <> \"C\") THEN \"C\" = 1 / 0;"});
    // Every row found names an order of the block; one that named none
    // would be lost to the answer, so it refuses the block instead.
    AppendStatementLine(text, {"      \"I\" = DECODE(\"N\"", index, ");"});
    AppendStatementLine(text, {"      IF (\"I\" IS NULL) THEN \"C\" = 1 / 0;"});
    AppendStatementLine(text, {"      \"LINES\" = \"LINES\" || \"I\" || ':' || \"C\" || ';';"});
    AppendStatementLine(text, {"      \"COUNTED\" = \"COUNTED\" + \"C\";"});
    AppendStatementLine(text, {"      IF (\"E\" IS NOT NULL) THEN \"BACKEDLINES\" = \"BACKEDLINES\" - \"C\";"});
    AppendStatementLine(text, {"    END"});
    AppendStatementLine(text, {"    FOR SELECT MASTERBILLID FROM ORDER_MASTER WHERE MASTERBILLID IN (", list,
                               ") INTO :\"N\" DO BEGIN"});
    AppendStatementLine(text, {"      \"I\" = DECODE(\"N\"", index, ");"});
    AppendStatementLine(text, {"      IF (\"I\" IS NULL) THEN \"C\" = 1 / 0;"});
    AppendStatementLine(text, {"      \"HEADERS\" = \"HEADERS\" || \"I\" || ';';"});
    AppendStatementLine(text, {"      \"FOUND\" = \"FOUND\" + 1;"});
    AppendStatementLine(
        text, {"      IF (DECODE(\"N\"", expected, ") IS NOT NULL) THEN \"BACKEDFOUND\" = \"BACKEDFOUND\" + 1;"});
    AppendStatementLine(text, {"    END"});
    // With a backup, every order it holds has its header and all its lines
    // are the backup's (an order whose lines are all gone counts here).
    AppendStatementLine(text, {"    IF (\"BACKEDFOUND\" <> \"BACKED\" OR \"BACKEDLINES\" <> 0) THEN \"C\" = 1 / 0;"});
    AppendStatementLine(text, {"    DELETE FROM ORDER_SUB WHERE MASTERBILLID IN (", list, ");"});
    AppendStatementLine(text, {"    IF (ROW_COUNT <> \"COUNTED\") THEN \"C\" = 1 / 0;"});
    AppendStatementLine(text, {"    DELETE FROM ORDER_MASTER WHERE MASTERBILLID IN (", list, ");"});
    AppendStatementLine(text, {"    IF (ROW_COUNT <> \"FOUND\") THEN \"C\" = 1 / 0;"});
    AppendStatementLine(text, {"  END"});
    AppendStatementLine(text, {"  WHEN ANY DO BEGIN \"REFUSED\" = 1; \"LINES\" = ''; \"HEADERS\" = ''; END"});
    AppendStatementLine(text, {"END"});
    AppendStatementLine(text, {"SUSPEND;"});
    AppendStatementLine(text, {"END"});
    return text;
}

}  // namespace batchdel
