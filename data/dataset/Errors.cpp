#include "Errors.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {
bool ParseInt(const std::string &text, int *out) {
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
    if (b == e) return false;
    std::string s = text.substr(b, e - b);
    const char *p = s.c_str();
    char *end = nullptr;
    errno = 0;
    long v = std::strtol(p, &end, 10);
    if (errno != 0 || *end != '\0' || v < INT_MIN || v > INT_MAX) return false;
    *out = static_cast<int>(v);
    return true;
}
}  // namespace

int StrToInt(const std::string &text) {
    int v = 0;
    if (!ParseInt(text, &v)) throw EConvertError("'" + text + "' is not a valid integer value");
    return v;
}

int StrToIntDef(const std::string &text, int fallback) {
    int v = 0;
    return ParseInt(text, &v) ? v : fallback;
}
