#include "workflow/QueryText.h"
#include "orders/OrderLookup.h"

namespace batchdel {

namespace {

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 32; }

// Characters of UTF-8 text: every byte that does not continue a sequence.
size_t CharacterCount(std::string_view text) {
    size_t count = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    return count;
}

// A date as the query carries it: the box's text with every character
// outside ASCII written as "/". The boxes show the locale's separator, which
// may be one the database refuses (Arabic locales use U+200F, a right-to-left
// mark); ASCII text goes in as read, a quote included.
std::string QueryDateText(std::string_view text) {
    std::string date;
    date.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        size_t length = 1;
        if (c >= 0xC0) {
            while (at + length < text.size() && (static_cast<unsigned char>(text[at + length]) & 0xC0) == 0x80)
                ++length;
        }
        if (c < 0x80)
            date += static_cast<char>(c);
        else
            date += '/';
        at += length;
    }
    return date;
}

// " AND <column> BETWEEN '<from>' AND '<to>'"
std::string RangeLine(std::string_view column, std::string_view from, std::string_view to) {
    std::string line = " AND ";
    line += column;
    line += " BETWEEN ";
    line += QuotedLiteral(from);
    line += " AND ";
    line += QuotedLiteral(to);
    return line;
}

}  // namespace

std::string JoinQueryLines(const std::vector<std::string> &lines) {
    size_t size = 0;
    for (const std::string &line : lines) size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const std::string &line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::string QuotedLiteral(std::string_view value) {
    std::string literal;
    literal.reserve(value.size() + 2);
    literal += '\'';
    for (char c : value) {
        literal += c;
        if (c == '\'') literal += '\'';
    }
    literal += '\'';
    return literal;
}

bool DateTextComplete(std::string_view text) {
    while (!text.empty() && IsBlankOrControl(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlankOrControl(text.back())) text.remove_suffix(1);
    return CharacterCount(text) == 10;
}

std::vector<std::string> FilterLines(const FilterCriteria &criteria) {
    std::vector<std::string> lines;
    // The date boxes always hold 10 characters with spaces for the gaps, so
    // this passes exactly when the first year digit and the last day digit
    // are filled in, in both boxes. The untrimmed texts go into the line,
    // their separators as the database reads them.
    if (DateTextComplete(criteria.dateFrom) && DateTextComplete(criteria.dateTo))
        lines.push_back(RangeLine("BILL_DATE", QueryDateText(criteria.dateFrom), QueryDateText(criteria.dateTo)));
    // A range takes part only when both ends are given; a text of spaces is given.
    if (!criteria.customerFrom.empty() && !criteria.customerTo.empty())
        lines.push_back(RangeLine("CUST_ID", criteria.customerFrom, criteria.customerTo));
    if (!criteria.departmentFrom.empty() && !criteria.departmentTo.empty())
        lines.push_back(RangeLine("PD_DEPID", criteria.departmentFrom, criteria.departmentTo));
    return lines;
}

std::string BuildFilteredQuery(std::string_view headLine, const FilterCriteria &criteria) {
    std::vector<std::string> lines;
    lines.emplace_back(headLine);
    lines.emplace_back(kCommonWhereLine);
    for (std::string &line : FilterLines(criteria)) lines.push_back(std::move(line));
    return JoinQueryLines(lines);
}

std::string DetailBackupQuery(const std::string &joinedOrderNumberQuery) {
    return "SELECT * FROM ORDER_SUB WHERE MASTERBILLID IN (" + joinedOrderNumberQuery + ")";
}

std::string DetailLinesByOrderQuery(int count) { return OrdersByNumberText("SELECT * FROM ORDER_SUB", count); }

}  // namespace batchdel
