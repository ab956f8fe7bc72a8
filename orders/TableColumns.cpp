#include "orders/TableColumns.h"

#include "data/dataset/TableEngine.h"

namespace batchdel {

int FindColumn(const TableEngine &table, std::string_view name) {
    const auto &columns = table.Columns();
    for (size_t c = 0; c < columns.size(); ++c)
        if (columns[c].name == name) return static_cast<int>(c);
    return -1;
}

std::string QuotedName(std::string_view name) {
    std::string text = "\"";
    for (char c : name) {
        text += c;
        if (c == '"') text += '"';
    }
    return text + "\"";
}

std::string UpperCaseName(std::string name) {
    for (char &c : name)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return name;
}

}  // namespace batchdel
