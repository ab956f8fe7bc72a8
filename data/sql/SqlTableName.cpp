#include "data/sql/SqlTableName.h"

#include <cctype>
#include <vector>

namespace {
struct Token {
    std::string text;  // upper case for plain words, as written for quoted names
    bool word = false;
    bool quoted = false;
    int depth = 0;  // parentheses around it
};

bool WordChar(char ch) {
    unsigned char u = static_cast<unsigned char>(ch);
    return std::isalnum(u) || ch == '_' || ch == '$' || u >= 0x80;
}

std::vector<Token> Tokenize(std::string_view sql) {
    std::vector<Token> tokens;
    int depth = 0;
    size_t i = 0;
    while (i < sql.size()) {
        char ch = sql[i];
        if (static_cast<unsigned char>(ch) <= ' ') {
            ++i;
            continue;
        }
        if (ch == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
            while (i < sql.size() && sql[i] != '\n') ++i;
            continue;
        }
        if (ch == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
            size_t end = sql.find("*/", i + 2);
            i = end == std::string_view::npos ? sql.size() : end + 2;
            continue;
        }
        if (ch == '\'') {  // a literal: its content is no part of the syntax
            for (++i; i < sql.size(); ++i) {
                if (sql[i] != '\'') continue;
                if (i + 1 < sql.size() && sql[i + 1] == '\'') {
                    ++i;
                    continue;
                }
                break;
            }
            ++i;
            tokens.push_back({"'", false, false, depth});
            continue;
        }
        if (ch == '"') {
            std::string name;
            for (++i; i < sql.size(); ++i) {
                if (sql[i] == '"') {
                    if (i + 1 < sql.size() && sql[i + 1] == '"') {
                        name += '"';
                        ++i;
                        continue;
                    }
                    break;
                }
                name += sql[i];
            }
            ++i;
            tokens.push_back({name, true, true, depth});
            continue;
        }
        if (WordChar(ch)) {
            std::string word;
            while (i < sql.size() && WordChar(sql[i])) {
                char c = sql[i++];
                word += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
            }
            tokens.push_back({word, true, false, depth});
            continue;
        }
        if (ch == '(') ++depth;
        if (ch == ')') --depth;
        tokens.push_back({std::string(1, ch), false, false, depth});
        ++i;
    }
    return tokens;
}

bool EndsFromClause(const Token &t) {
    if (t.quoted || !t.word) return t.text == ";";
    static const char *const kWords[] = {"WHERE", "GROUP", "HAVING", "ORDER", "PLAN",  "ROWS",
                                         "FOR",   "UNION", "WITH",   "FETCH", "OFFSET"};
    for (const char *w : kWords)
        if (t.text == w) return true;
    return false;
}
}  // namespace

std::string SingleTableName(std::string_view sql) {
    std::vector<Token> tokens = Tokenize(sql);
    if (tokens.empty() || tokens[0].quoted || tokens[0].text != "SELECT") return {};
    size_t from = 0;
    for (size_t i = 1; i < tokens.size(); ++i)
        if (tokens[i].depth == 0 && tokens[i].word && !tokens[i].quoted && tokens[i].text == "FROM") {
            from = i;
            break;
        }
    if (from == 0 || from + 1 >= tokens.size() || !tokens[from + 1].word) return {};
    const Token &table = tokens[from + 1];
    // After the table: an optional alias (AS name, or a plain name), then the
    // end of the FROM clause.
    size_t next = from + 2;
    if (next < tokens.size() && tokens[next].word && !tokens[next].quoted && tokens[next].text == "AS") ++next;
    if (next < tokens.size() && tokens[next].word && !EndsFromClause(tokens[next]) &&
        (tokens[next].quoted ||
         (tokens[next].text != "JOIN" && tokens[next].text != "LEFT" && tokens[next].text != "RIGHT" &&
          tokens[next].text != "INNER" && tokens[next].text != "FULL" && tokens[next].text != "CROSS" &&
          tokens[next].text != "NATURAL")))
        ++next;
    if (next < tokens.size() && !EndsFromClause(tokens[next])) return {};
    return table.text;
}
