#include "data/sql/ParamList.h"

#include <QString>

#include "data/dataset/Errors.h"

namespace {
bool IsAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }
}  // namespace

std::string TrimBlanks(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
    return std::string(text.substr(b, e - b));
}

bool SameText(std::string_view a, std::string_view b) {
    if (IsAscii(a) && IsAscii(b)) {
        if (a.size() != b.size()) return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
        return true;
    }
    return QString::fromUtf8(a.data(), qsizetype(a.size()))
               .compare(QString::fromUtf8(b.data(), qsizetype(b.size())), Qt::CaseInsensitive) == 0;
}

std::string SameTextKey(std::string_view name) {
    if (IsAscii(name)) {
        std::string key(name);
        for (char &c : key) c = AsciiUpper(c);
        return key;
    }
    return QString::fromUtf8(name.data(), qsizetype(name.size())).toCaseFolded().toStdString();
}

namespace {
const std::string *FindLine(const std::vector<std::string> &lines, std::string_view key, size_t *valueAt) {
    for (const std::string &line : lines) {
        // A line without "=" names nothing.
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        if (SameText(std::string_view(line).substr(0, eq), key)) {
            *valueAt = eq + 1;
            return &line;
        }
    }
    return nullptr;
}
}  // namespace

std::string ParamValueOf(const std::vector<std::string> &lines, std::string_view key) {
    size_t at = 0;
    const std::string *line = FindLine(lines, key, &at);
    return line ? line->substr(at) : std::string();
}

bool HasParam(const std::vector<std::string> &lines, std::string_view key) {
    size_t at = 0;
    return FindLine(lines, key, &at) != nullptr;
}

bool ParamIsYes(std::string_view value) { return SameText(TrimBlanks(value), "TRUE"); }

int TransIsolationLevel(std::string_view value) {
    // The whole value counts, blanks included: " RepeatableRead" is read committed.
    if (SameText(value, "repeatableread")) return 1;
    if (SameText(value, "dirtyread")) return 2;
    return 0;
}

int RowsetSizeOf(const std::vector<std::string> &lines) {
    return StrToIntDef(TrimBlanks(ParamValueOf(lines, "RowsetSize")), kDefaultRowsetSize);
}
