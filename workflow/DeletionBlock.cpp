#include "DeletionBlock.h"

#include <initializer_list>

namespace {

// Appends the pieces as one line, ended by CR LF as every text of the program.
void Line(std::string &text, std::initializer_list<std::string> pieces) {
    for (const std::string &piece : pieces) text += piece;
    text += "\r\n";
}

}  // namespace

std::string BlockOrderMarker(int i) { return "O" + std::to_string(i); }
std::string BlockLinesMarker(int i) { return "E" + std::to_string(i); }

std::string DeletionBlockText(int orders) {
    // Inside the block its inputs are read as :"O1" ...: quoted, so that only
    // the declarations carry the markers the values are bound to.
    std::string text;
    Line(text, {"EXECUTE BLOCK ("});
    for (int i = 1; i <= orders; ++i) {
        const std::string n = std::to_string(i);
        Line(text, {"\"O", n, "\" TYPE OF COLUMN ORDER_MASTER.MASTERBILLID = :", BlockOrderMarker(i), ", \"E", n,
                    "\" BIGINT = :", BlockLinesMarker(i), i < orders ? "," : ""});
    }
    std::string returns = ") RETURNS (\"FAILED\" INTEGER";
    for (int i = 1; i <= orders; ++i) returns += ", \"R" + std::to_string(i) + "\" BIGINT";
    Line(text, {returns, ")"});
    Line(text, {"AS"});
    Line(text, {"DECLARE \"L\" BIGINT;"});
    Line(text, {"DECLARE \"H\" BIGINT;"});
    Line(text, {"DECLARE \"CHANGED\" SMALLINT;"});
    Line(text, {"DECLARE \"S\" TYPE OF COLUMN ORDER_SUB.MASTERBILLID;"});
    Line(text, {"BEGIN"});
    Line(text, {"\"FAILED\" = 0;"});
    for (int i = 1; i <= orders; ++i) {
        const std::string n = std::to_string(i);
        const std::string number = ":\"O" + n + "\"";
        const std::string lines = "\"E" + n + "\"";
        const std::string result = "\"R" + n + "\"";
        Line(text, {"IF (", number, " IS NOT NULL AND \"FAILED\" = 0) THEN BEGIN"});
        Line(text, {"  \"CHANGED\" = 0; \"L\" = 0; \"H\" = 0;"});
        // The work sits in an inner block: leaving it by an exception undoes
        // what it did, and the handler outside decides what that meant.
        Line(text, {"  BEGIN"});
        // A number the detail table's column cannot hold fails here, as it
        // does in the one-order statement, instead of silently matching nothing.
        Line(text, {"    \"S\" = ", number, ";"});
        Line(text, {"    DELETE FROM ORDER_SUB WHERE MASTERBILLID = :\"S\";"});
        Line(text, {"    \"L\" = ROW_COUNT;"});
        Line(text, {"    IF (", lines, " IS NOT NULL AND \"L\" <> ", lines, ") THEN \"CHANGED\" = 1;"});
        Line(text, {"    ELSE BEGIN"});
        Line(text, {"      DELETE FROM ORDER_MASTER WHERE MASTERBILLID = ", number, ";"});
        Line(text, {"      \"H\" = ROW_COUNT;"});
        Line(text, {"      IF (", lines, " IS NOT NULL AND \"H\" <> 1) THEN \"CHANGED\" = 1;"});
        Line(text, {"    END"});
        // A changed order leaves the inner block by a division by zero: the
        // database may hold no named exception of the program's to raise.
        Line(text, {"    IF (\"CHANGED\" = 1) THEN \"L\" = 1 / 0;"});
        Line(text, {"    ", result, " = IIF(\"L\" + \"H\" = 0, ", std::to_string(kOrderGone), ", \"L\");"});
        Line(text, {"  END"});
        Line(text, {"  WHEN ANY DO"});
        Line(text, {"    IF (\"CHANGED\" = 1) THEN ", result, " = ", std::to_string(kOrderChanged), ";"});
        Line(text, {"    ELSE \"FAILED\" = ", n, ";"});
        Line(text, {"END"});
    }
    Line(text, {"SUSPEND;"});
    Line(text, {"END"});
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
    Line(text, {"EXECUTE BLOCK ("});
    for (int i = 1; i <= orders; ++i) {
        const std::string n = std::to_string(i);
        Line(text, {"\"O", n, "\" TYPE OF COLUMN ORDER_MASTER.MASTERBILLID = :", BlockOrderMarker(i), ", \"E", n,
                    "\" BIGINT = :", BlockLinesMarker(i), i < orders ? "," : ""});
    }
    Line(text, {") RETURNS (\"REFUSED\" INTEGER, \"LINES\" VARCHAR(8000) CHARACTER SET ASCII, \"HEADERS\" "
                "VARCHAR(4000) CHARACTER SET ASCII)"});
    Line(text, {"AS"});
    Line(text, {"DECLARE \"N\" TYPE OF COLUMN ORDER_SUB.MASTERBILLID;"});
    Line(text, {"DECLARE \"C\" BIGINT;"});
    Line(text, {"DECLARE \"E\" BIGINT;"});
    Line(text, {"DECLARE \"I\" INTEGER;"});
    Line(text, {"DECLARE \"COUNTED\" BIGINT = 0;"});
    Line(text, {"DECLARE \"FOUND\" BIGINT = 0;"});
    Line(text, {"DECLARE \"BACKED\" BIGINT = 0;"});
    Line(text, {"DECLARE \"BACKEDFOUND\" BIGINT = 0;"});
    Line(text, {"DECLARE \"BACKEDLINES\" BIGINT = 0;"});
    Line(text, {"BEGIN"});
    Line(text, {"\"REFUSED\" = 0; \"LINES\" = ''; \"HEADERS\" = '';"});
    // The orders the backup holds, and their lines.
    for (int i = 1; i <= orders; ++i) {
        const std::string e = ":\"E" + std::to_string(i) + "\"";
        Line(text,
             {"IF (", e, " IS NOT NULL) THEN BEGIN \"BACKED\" = \"BACKED\" + 1; \"BACKEDLINES\" = \"BACKEDLINES\" + ",
              e, "; END"});
    }
    // The work sits in an inner block: leaving it by an exception undoes all
    // of it, and the handler outside tells the caller.
    Line(text, {"BEGIN"});
    Line(text, {"  BEGIN"});
    Line(text, {"    FOR SELECT MASTERBILLID, COUNT(*) FROM ORDER_SUB WHERE MASTERBILLID IN (", list,
                ") GROUP BY MASTERBILLID INTO :\"N\", :\"C\" DO BEGIN"});
    Line(text, {"      \"E\" = DECODE(\"N\"", expected, ");"});
    // A changed order leaves the block by a division by zero: the database
    // may hold no named exception of the program's to raise.
    Line(text, {"      IF (\"E\" IS NOT NULL AND \"E\" <> \"C\") THEN \"C\" = 1 / 0;"});
    // Every row found names an order of the block; one that named none
    // would be lost to the answer, so it refuses the block instead.
    Line(text, {"      \"I\" = DECODE(\"N\"", index, ");"});
    Line(text, {"      IF (\"I\" IS NULL) THEN \"C\" = 1 / 0;"});
    Line(text, {"      \"LINES\" = \"LINES\" || \"I\" || ':' || \"C\" || ';';"});
    Line(text, {"      \"COUNTED\" = \"COUNTED\" + \"C\";"});
    Line(text, {"      IF (\"E\" IS NOT NULL) THEN \"BACKEDLINES\" = \"BACKEDLINES\" - \"C\";"});
    Line(text, {"    END"});
    Line(text,
         {"    FOR SELECT MASTERBILLID FROM ORDER_MASTER WHERE MASTERBILLID IN (", list, ") INTO :\"N\" DO BEGIN"});
    Line(text, {"      \"I\" = DECODE(\"N\"", index, ");"});
    Line(text, {"      IF (\"I\" IS NULL) THEN \"C\" = 1 / 0;"});
    Line(text, {"      \"HEADERS\" = \"HEADERS\" || \"I\" || ';';"});
    Line(text, {"      \"FOUND\" = \"FOUND\" + 1;"});
    Line(text, {"      IF (DECODE(\"N\"", expected, ") IS NOT NULL) THEN \"BACKEDFOUND\" = \"BACKEDFOUND\" + 1;"});
    Line(text, {"    END"});
    // With a backup, every order it holds has its header and all its lines
    // are the backup's (an order whose lines are all gone counts here).
    Line(text, {"    IF (\"BACKEDFOUND\" <> \"BACKED\" OR \"BACKEDLINES\" <> 0) THEN \"C\" = 1 / 0;"});
    Line(text, {"    DELETE FROM ORDER_SUB WHERE MASTERBILLID IN (", list, ");"});
    Line(text, {"    IF (ROW_COUNT <> \"COUNTED\") THEN \"C\" = 1 / 0;"});
    Line(text, {"    DELETE FROM ORDER_MASTER WHERE MASTERBILLID IN (", list, ");"});
    Line(text, {"    IF (ROW_COUNT <> \"FOUND\") THEN \"C\" = 1 / 0;"});
    Line(text, {"  END"});
    Line(text, {"  WHEN ANY DO BEGIN \"REFUSED\" = 1; \"LINES\" = ''; \"HEADERS\" = ''; END"});
    Line(text, {"END"});
    Line(text, {"SUSPEND;"});
    Line(text, {"END"});
    return text;
}
