#pragma once
// What a client result set asks of the provider it is wired to. The result
// set owns this face; a provider over SQL implements it, so the result set
// needs nothing of the SQL components.
#include <memory>
#include <string>
#include <vector>

class TableEngine;

class RecordProvider {
public:
    // Every row the command text (empty: the provider's own) answers, with
    // the names of its parameter markers; the failure of any step reaches
    // the caller unchanged.
    virtual std::unique_ptr<TableEngine> GetRecords(const std::string &commandText,
                                                    const std::vector<std::string> &params) = 0;
    // The result set has closed: the provider lets go of what it opened.
    virtual void Reset() = 0;

protected:
    ~RecordProvider() = default;
};
