#pragma once
// The statements the program builds are written a line at a time, each line
// ended by CR LF as every text of the program.
#include <initializer_list>
#include <string>

namespace batchdel {

// Appends the pieces as one line.
void AppendStatementLine(std::string &text, std::initializer_list<std::string> pieces);

}  // namespace batchdel
