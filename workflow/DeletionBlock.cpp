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

std::string WholeBlockCharacterSet(const std::string &connectionCharSet) {
    std::string name;
    for (char c : connectionCharSet)
        if (c != ' ' && c != '\t') name += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    if (name.empty() || name == "UTF8" || name == "UTF-8") return "UTF8";
    if (name == "UNICODE_FSS" || name == "NONE" || name == "OCTETS") return name;
    return {};
}

std::string WholeDeletionBlockText(const std::string &characterSet) {
    std::string text;
    AppendStatementLine(text, {"EXECUTE BLOCK (\"L\" VARCHAR(", std::to_string(kWholeBlockBytes),
                               ") CHARACTER SET OCTETS = :", kWholeBlockOrdersMarker,
                               ", \"K\" INTEGER = :", kWholeBlockCountMarker, ")"});
    // An answer too long for DONE (orders of thousands of lines each) fails
    // the block, and its orders go order by order.
    AppendStatementLine(text, {"RETURNS (\"REFUSED\" INTEGER, \"DONE\" VARCHAR(32000) CHARACTER SET ASCII)"});
    AppendStatementLine(text, {"AS"});
    AppendStatementLine(text, {"DECLARE \"P\" INTEGER = 1;"});
    AppendStatementLine(text, {"DECLARE \"Q\" INTEGER;"});
    AppendStatementLine(text, {"DECLARE \"B\" INTEGER;"});
    AppendStatementLine(text, {"DECLARE \"I\" INTEGER = 0;"});
    AppendStatementLine(text, {"DECLARE \"E\" BIGINT;"});
    AppendStatementLine(text, {"DECLARE \"C\" BIGINT;"});
    AppendStatementLine(text, {"DECLARE \"H\" BIGINT;"});
    AppendStatementLine(
        text, {"DECLARE \"W\" VARCHAR(", std::to_string(kWholeBlockBytes / 4), ") CHARACTER SET ", characterSet, ";"});
    AppendStatementLine(text, {"DECLARE \"N\" TYPE OF COLUMN ORDER_MASTER.MASTERBILLID;"});
    AppendStatementLine(text, {"DECLARE \"S\" TYPE OF COLUMN ORDER_SUB.MASTERBILLID;"});
    AppendStatementLine(text, {"BEGIN"});
    AppendStatementLine(text, {"\"REFUSED\" = 0; \"DONE\" = '';"});
    // The work sits in an inner block: leaving it by an exception undoes all
    // of it, and the handler outside tells the caller.
    AppendStatementLine(text, {"BEGIN"});
    AppendStatementLine(text, {"  BEGIN"});
    AppendStatementLine(text, {"    WHILE (\"I\" < \"K\") DO BEGIN"});
    // An entry that cannot be read fails a conversion or the check after
    // the loop.
    AppendStatementLine(text, {"      \"Q\" = POSITION(_OCTETS '.', \"L\", \"P\");"});
    AppendStatementLine(text, {"      \"B\" = CAST(SUBSTRING(\"L\" FROM \"P\" FOR \"Q\" - \"P\") AS INTEGER);"});
    AppendStatementLine(text, {"      \"P\" = \"Q\" + 1;"});
    AppendStatementLine(text, {"      \"Q\" = POSITION(_OCTETS '.', \"L\", \"P\");"});
    AppendStatementLine(text,
                        {"      \"E\" = IIF(\"Q\" = \"P\", NULL, CAST(SUBSTRING(\"L\" FROM \"P\" FOR \"Q\" - \"P\") AS "
                         "BIGINT));"});
    AppendStatementLine(text, {"      \"P\" = \"Q\" + 1;"});
    AppendStatementLine(text, {"      \"W\" = SUBSTRING(\"L\" FROM \"P\" FOR \"B\");"});
    AppendStatementLine(text, {"      \"P\" = \"P\" + \"B\";"});
    // A number either column cannot hold fails here, as it does in the
    // one-order statement, instead of silently matching nothing.
    AppendStatementLine(text, {"      \"S\" = \"W\";"});
    AppendStatementLine(text, {"      \"N\" = \"W\";"});
    AppendStatementLine(text, {"      DELETE FROM ORDER_SUB WHERE MASTERBILLID = :\"S\";"});
    AppendStatementLine(text, {"      \"C\" = ROW_COUNT;"});
    // A changed order leaves the block by a division by zero: the database
    // may hold no named exception of the program's to raise.
    AppendStatementLine(text, {"      IF (\"E\" IS NOT NULL AND \"C\" <> \"E\") THEN \"C\" = 1 / 0;"});
    AppendStatementLine(text, {"      DELETE FROM ORDER_MASTER WHERE MASTERBILLID = :\"N\";"});
    AppendStatementLine(text, {"      \"H\" = ROW_COUNT;"});
    AppendStatementLine(text, {"      IF (\"E\" IS NOT NULL AND \"H\" <> 1) THEN \"C\" = 1 / 0;"});
    AppendStatementLine(text, {"      \"DONE\" = \"DONE\" || \"C\" || IIF(\"H\" = 0, '-', '+');"});
    AppendStatementLine(text, {"      \"I\" = \"I\" + 1;"});
    AppendStatementLine(text, {"    END"});
    AppendStatementLine(text, {"    IF (\"P\" <> OCTET_LENGTH(\"L\") + 1) THEN \"C\" = 1 / 0;"});
    AppendStatementLine(text, {"  END"});
    AppendStatementLine(text, {"  WHEN ANY DO BEGIN \"REFUSED\" = 1; \"DONE\" = ''; END"});
    AppendStatementLine(text, {"END"});
    AppendStatementLine(text, {"SUSPEND;"});
    AppendStatementLine(text, {"END"});
    return text;
}

bool AppendWholeBlockOrder(std::string &orders, const std::string &number,
                           const std::optional<int64_t> &expectedLines) {
    std::string entry = std::to_string(number.size()) + ".";
    if (expectedLines) entry += std::to_string(*expectedLines);
    entry += ".";
    entry += number;
    if (orders.size() + entry.size() > kWholeBlockBytes) return false;
    orders += entry;
    return true;
}

std::vector<WholeBlockResult> ReadWholeBlockDone(std::string_view done, size_t count) {
    std::vector<WholeBlockResult> results;
    results.reserve(count);
    size_t at = 0;
    while (at < done.size()) {
        const size_t mark = done.find_first_of("+-", at);
        if (mark == std::string_view::npos || mark == at || mark - at > 18) return {};
        WholeBlockResult result;
        for (size_t i = at; i < mark; ++i) {
            if (done[i] < '0' || done[i] > '9') return {};
            result.lines = result.lines * 10 + (done[i] - '0');
        }
        result.headerGone = done[mark] == '+';
        results.push_back(result);
        at = mark + 1;
    }
    if (results.size() != count) return {};
    return results;
}

}  // namespace batchdel
