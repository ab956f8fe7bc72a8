#include "data/dataset/ParamScan.h"

namespace {
bool IsNameStart(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80; }
bool IsNameChar(unsigned char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '$'; }

// Length of the UTF-8 character starting with lead (1 for a stray byte).
size_t CharLength(unsigned char lead) {
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}
}  // namespace

std::vector<ParamMarker> ScanParamMarkers(std::string_view text) {
    std::vector<ParamMarker> markers;
    char quote = 0;
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (quote) {
            // A doubled quote inside a literal closes and reopens it: same effect.
            if (c == static_cast<unsigned char>(quote)) quote = 0;
            i += CharLength(c);
            continue;
        }
        if (c == '\'' || c == '"' || c == '`') {
            quote = static_cast<char>(c);
            ++i;
            continue;
        }
        if (c == ':') {
            if (i + 1 < text.size() && text[i + 1] == ':') {
                i += 2;
                continue;
            }
            size_t end = i + 1;
            if (end < text.size() && IsNameStart(static_cast<unsigned char>(text[end]))) {
                while (end < text.size() && IsNameChar(static_cast<unsigned char>(text[end])))
                    end += CharLength(static_cast<unsigned char>(text[end]));
                if (end > text.size()) end = text.size();  // a cut-off character at the end
                markers.push_back({std::string(text.substr(i + 1, end - i - 1)), i, end - i});
                i = end;
                continue;
            }
        }
        i += CharLength(c);
    }
    return markers;
}
