#pragma once
// Texts from a backup or the database shown on a terminal: a control
// character inside an order number or a customer's name (ESC, BEL, CR, a tab)
// must not move the cursor, ring, recolour the screen or split a column.
#include <string>
#include <string_view>

namespace batchdel {

// The text with every control character written as an escape: \t, \n, \r,
// \\ for the backslash, \xHH for the other C0 characters and DEL, \u0080 to
// \u009F for the C1 characters of UTF-8. Everything else stays as it is.
std::string EscapedControls(std::string_view text);

}  // namespace batchdel
