#include "orders/TerminalText.h"

#include <cstdio>

namespace batchdel {

std::string EscapedControls(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        char code[8];
        if (c == '\\')
            shown += "\\\\";
        else if (c == '\t')
            shown += "\\t";
        else if (c == '\n')
            shown += "\\n";
        else if (c == '\r')
            shown += "\\r";
        else if (c < 0x20 || c == 0x7F) {
            std::snprintf(code, sizeof code, "\\x%02X", c);
            shown += code;
        } else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            std::snprintf(code, sizeof code, "\\u%04X", static_cast<unsigned char>(text[i + 1]));
            shown += code;
            ++i;
        } else
            shown += static_cast<char>(c);
    }
    return shown;
}

}  // namespace batchdel
