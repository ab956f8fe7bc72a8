#include "orders/StatementLine.h"

namespace batchdel {

void AppendStatementLine(std::string &text, std::initializer_list<std::string> pieces) {
    for (const std::string &piece : pieces) text += piece;
    text += "\r\n";
}

}  // namespace batchdel
