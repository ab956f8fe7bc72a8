#pragma once
// The SQL texts of the order workflow, built from plain values only: the list
// query, the two backup queries and the two deletion statements. Every text
// is a list of lines, each followed by CR LF (the last one too).
#include <string>
#include <string_view>
#include <vector>

#include "workflow/FilterCriteria.h"

namespace batchdel {

// Head lines of the three filtered queries; each ends in a space. The list's
// columns: the header columns the grid shows, and the tick column unticked.
inline constexpr std::string_view kListQueryHead =
    "select MASTERBILLID,BILL_DATE,FR_DATE,CUST_ID,CUST_NAME,PD_DEPID,'N' AS SELECT_YN FROM ORDER_MASTER ";
// The list's text before any query: every order, the head without its space.
inline constexpr std::string_view kListQueryText = kListQueryHead.substr(0, kListQueryHead.size() - 1);
inline constexpr std::string_view kHeaderBackupHead = "select * FROM ORDER_MASTER ";
inline constexpr std::string_view kOrderNumberHead = "select MASTERBILLID FROM ORDER_MASTER ";
// The line every filtered query has second.
inline constexpr std::string_view kCommonWhereLine = " WHERE  MASTERBILLID IS NOT NULL ";

// First lines of the two deletion statements of an order (two spaces at the end).
inline constexpr std::string_view kDeleteDetailHead = "DELETE FROM ORDER_SUB  ";
inline constexpr std::string_view kDeleteHeaderHead = "DELETE FROM ORDER_MASTER  ";
// Their second line: the order number is bound to the marker as a value, so
// no text of it ever becomes part of the statement.
inline constexpr std::string_view kOrderNumberLine = " WHERE MASTERBILLID = :MASTERBILLID";
inline constexpr const char *kOrderNumberParam = "MASTERBILLID";

// Every line followed by CR LF, the last line included.
std::string JoinQueryLines(const std::vector<std::string> &lines);

// A value between single quotes, each quote inside written twice, so the
// database compares exactly the text typed and a quote cannot end the
// literal early and change the statement.
std::string QuotedLiteral(std::string_view value);

// Whether a date box's text takes part: trimmed of the characters with codes
// 0 to 32 at both ends, it must be exactly 10 characters long.
bool DateTextComplete(std::string_view text);

// The filter lines that apply, in the order date, customer, department. A
// date's characters outside ASCII (a locale's separator the database
// refuses) go in as "/", so that the query reads the same in every locale.
std::vector<std::string> FilterLines(const FilterCriteria &criteria);

// The head line, the common WHERE line and the filter lines, joined.
std::string BuildFilteredQuery(std::string_view headLine, const FilterCriteria &criteria);

// The detail lines of the orders a joined order-number subquery selects; the
// closing parenthesis stands alone after the subquery's last line break.
std::string DetailBackupQuery(const std::string &joinedOrderNumberQuery);

// The detail lines of up to `count` orders, read by the index on
// MASTERBILLID: "SELECT * FROM ORDER_SUB WHERE MASTERBILLID IN (:O1,...)"
// with one marker per order number.
std::string DetailLinesByOrderQuery(int count);

}  // namespace batchdel
