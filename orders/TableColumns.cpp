#include "TableColumns.h"

#include "TableEngine.h"

int FindColumn(const TableEngine &table, std::string_view name) {
    const auto &columns = table.Columns();
    for (size_t c = 0; c < columns.size(); ++c)
        if (columns[c].name == name) return static_cast<int>(c);
    return -1;
}
