#include "data/sql/DataSetProvider.h"

#include <cstdlib>

#include "data/dataset/Errors.h"
#include "data/dataset/TableEngine.h"
#include "data/sql/ParamList.h"
#include "data/sql/SQLDataSet.h"

namespace {
// The locale number of the "LocaleCode" parameter, written in hexadecimal;
// 0 when absent or unreadable.
long LocaleNumber(const std::string &value) {
    std::string text = TrimBlanks(value);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.erase(0, 2);
    else if (!text.empty() && text[0] == '$')
        text.erase(0, 1);
    if (text.empty()) return 0;
    char *end = nullptr;
    long number = std::strtol(text.c_str(), &end, 16);
    return *end == '\0' && number >= 0 ? number : 0;
}
}  // namespace

std::unique_ptr<TableEngine> NewPacketTable(TSQLDataSet &dataSet) {
    auto engine = std::make_unique<TableEngine>(dataSet.Columns());
    TSQLConnection *connection = dataSet.SQLConnection();
    engine->SetProperty("LCID", std::to_string(connection ? LocaleNumber(connection->ParamValue("LocaleCode")) : 0));
    for (const auto &[name, value] : dataSet.KeyProperties()) engine->SetProperty(name, value);
    return engine;
}

TDataSetProvider::TDataSetProvider(std::string name) : TComponent(std::move(name)) {}

TDataSetProvider::~TDataSetProvider() = default;

std::unique_ptr<TableEngine> TDataSetProvider::GetRecords(const std::string &commandText,
                                                          const std::vector<std::string> &params) {
    (void)params;  // the SQL data sets here take no parameters
    if (!dataSet_) throw EDatabaseError(Prefixed("Missing DataSet property"));
    if (!commandText.empty()) {
        if (!(Options & poAllowCommandText)) throw EDatabaseError("CommandText changes are not allowed");
        dataSet_->SetCommandText(commandText);
    }
    try {
        if (!dataSet_->Active()) {
            dataSet_->Open();
            openedDataSet_ = true;
        }
        // The rows go from the cursor straight into the engine that the
        // client keeps: no packet in between, so the answer is held once.
        auto engine = NewPacketTable(*dataSet_);
        dataSet_->FetchAllInto(*engine);
        Reset();
        return engine;
    } catch (...) {
        Reset();
        throw;
    }
}

void TDataSetProvider::Reset() {
    if (openedDataSet_ && dataSet_) dataSet_->Close();
    openedDataSet_ = false;
}
