#include "LiteralLifting.h"

#include <cctype>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsIdentifierChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' ||
           static_cast<unsigned char>(c) >= 0x80;
}

// Position after the comment starting at i, npos when it does not end; i
// itself when no comment starts there.
size_t SkipComment(std::string_view sql, size_t i)
{
    if (sql.compare(i, 2, "--") == 0) {
        const size_t end = sql.find('\n', i);
        return end == std::string_view::npos ? sql.size() : end + 1;
    }
    if (sql.compare(i, 2, "/*") == 0) {
        const size_t end = sql.find("*/", i + 2);
        return end == std::string_view::npos ? std::string_view::npos : end + 2;
    }
    return i;
}

// The statement's first word must be DELETE, after blanks and comments.
bool StartsWithDelete(std::string_view sql)
{
    size_t i = 0;
    while (i < sql.size()) {
        if (IsBlank(sql[i])) {
            ++i;
            continue;
        }
        const size_t after = SkipComment(sql, i);
        if (after == std::string_view::npos)
            return false;
        if (after == i)
            break;
        i = after;
    }
    static constexpr std::string_view kDelete = "DELETE";
    if (sql.size() - i <= kDelete.size())
        return false;
    for (size_t k = 0; k < kDelete.size(); ++k)
        if (std::toupper(static_cast<unsigned char>(sql[i + k])) != kDelete[k])
            return false;
    return !IsIdentifierChar(sql[i + kDelete.size()]);
}

// Position after the quoted run (literal or identifier) opening at i, with
// doubled quote characters inside; npos when it does not end.
size_t SkipQuoted(std::string_view sql, size_t i, std::string *content)
{
    const char quote = sql[i];
    for (size_t k = i + 1; k < sql.size(); ++k) {
        if (sql[k] != quote) {
            if (content)
                content->push_back(sql[k]);
            continue;
        }
        if (k + 1 < sql.size() && sql[k + 1] == quote) {
            if (content)
                content->push_back(quote);
            ++k;
            continue;
        }
        return k + 1;
    }
    return std::string_view::npos;
}

// A literal may be lifted only when the last thing before it, across blanks,
// is a plain "=" (not part of <=, >=, !=, ^=, ~=).
bool FollowsEquals(std::string_view sql, size_t quote)
{
    size_t k = quote;
    while (k > 0 && IsBlank(sql[k - 1]))
        --k;
    if (k == 0 || sql[k - 1] != '=')
        return false;
    if (k < 2)
        return true;
    const char before = sql[k - 2];
    return before != '<' && before != '>' && before != '!' && before != '^' && before != '~';
}

} // namespace

std::optional<LiftedText> LiftDeleteLiterals(std::string_view sql)
{
    if (!StartsWithDelete(sql))
        return std::nullopt;
    LiftedText lifted;
    size_t copiedTo = 0; // text before this is in lifted.text already
    size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        if (c == '?' || c == ':')
            return std::nullopt; // markers or host variables of its own
        const size_t afterComment = SkipComment(sql, i);
        if (afterComment == std::string_view::npos)
            return std::nullopt;
        if (afterComment != i) {
            i = afterComment;
            continue;
        }
        if (c == '"') {
            i = SkipQuoted(sql, i, nullptr);
            if (i == std::string_view::npos)
                return std::nullopt;
            continue;
        }
        if (c == '\'') {
            // A quote glued to a word is a prefixed literal (q'...', x'...',
            // _UTF8'...'); those are left alone, and so is the statement.
            if (i > 0 && IsIdentifierChar(sql[i - 1]))
                return std::nullopt;
            if (!FollowsEquals(sql, i))
                return std::nullopt;
            std::string value;
            const size_t end = SkipQuoted(sql, i, &value);
            if (end == std::string_view::npos)
                return std::nullopt;
            lifted.text.append(sql.substr(copiedTo, i - copiedTo));
            lifted.text.push_back('?');
            lifted.values.push_back(std::move(value));
            copiedTo = i = end;
            continue;
        }
        ++i;
    }
    if (lifted.values.empty())
        return std::nullopt;
    lifted.text.append(sql.substr(copiedTo));
    return lifted;
}
