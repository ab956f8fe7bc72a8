#pragma once
// The provider between a client result set and a SQL data set: it hands the
// client's command text to the SQL data set, runs it and delivers every row
// of the answer, with the column descriptions and the packet properties,
// straight into a new table engine.
#include <memory>
#include <string>
#include <vector>

#include "data/dataset/Component.h"
#include "data/dataset/RecordProvider.h"

class TSQLDataSet;

// Provider options (a set of flags in Options).
enum TProviderOption : unsigned {
    poAllowCommandText = 1u << 0,  // a client may send its own command text
};

// An empty table for the rows of an open SQL data set: its columns, and the
// packet properties a provider gives them (LCID from the connection's
// "LocaleCode", key and order information of the one table the text reads).
std::unique_ptr<TableEngine> NewPacketTable(TSQLDataSet &dataSet);

class TDataSetProvider : public TComponent, public RecordProvider {
public:
    explicit TDataSetProvider(std::string name = {});
    ~TDataSetProvider() override;

    void SetDataSet(TSQLDataSet *dataSet) { dataSet_ = dataSet; }
    TSQLDataSet *DataSet() const { return dataSet_; }
    unsigned Options = 0;

    // All rows for a client: the command text (when not empty) becomes the
    // SQL data set's text, which is opened, described and read to its end;
    // then the provider resets. Any failure closes the SQL data set again and
    // reaches the caller unchanged.
    std::unique_ptr<TableEngine> GetRecords(const std::string &commandText,
                                            const std::vector<std::string> &params) override;
    // Closes the SQL data set if this provider opened it.
    void Reset() override;

private:
    TSQLDataSet *dataSet_ = nullptr;
    bool openedDataSet_ = false;
};
