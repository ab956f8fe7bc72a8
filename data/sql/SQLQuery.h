#pragma once
// The statement component: a list of SQL lines, executed in prepared mode.
// Every change of the lines frees the prepared command; executing the same
// text again reuses it. Markers ":name" in the text take the values of the
// parameters of those names, bound at every execute.
#include <cstdint>
#include <string>
#include <vector>

#include "data/dataset/Component.h"
#include "data/sql/SQLConnection.h"
#include "data/sql/SQLParams.h"

class TSQLQuery : public TComponent, private SQLConnectionClient {
public:
    explicit TSQLQuery(std::string name = {});
    ~TSQLQuery() override;

    void SetSQLConnection(TSQLConnection *connection);
    TSQLConnection *SQLConnection() const;
    int MaxBlobSize = -1;
    bool ParamCheck = true;

    bool Active() const { return false; }  // a statement component is never left open
    void Close();
    void ClearSQL();
    void AddSQL(const std::string &line);
    const std::vector<std::string> &SQL() const;
    std::string Text() const;  // lines joined, each + CR LF
    // The marker names in text order (a name used twice is listed twice).
    const std::vector<std::string> &ParamNames() const;
    // One parameter per marker name; values stay across text changes for the
    // names the new text still has.
    TParams &Params();
    // "Parameter 'X' not found" for a name the text has no marker of.
    TParam &ParamByName(const std::string &name);

    // Prepares (unless the same text is still prepared), binds the values and
    // executes; returns the rows affected.
    int64_t Execute();
    // How many times a text was prepared (re-executing the same text does not
    // prepare it again).
    int PrepareCount() const;

    struct Impl;

private:
    void ConnectionClosing() override;
    void ConnectionDestroyed() override;
    void TextChanged();
    void FreeCommand();
    void BindValues(TSQLConnection &connection);
    std::unique_ptr<Impl> d_;
};
