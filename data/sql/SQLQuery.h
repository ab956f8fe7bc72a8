#pragma once
// The statement component: a list of SQL lines, executed in prepared mode.
// Every change of the lines frees the prepared command; executing the same
// text again reuses it.
#include <cstdint>
#include <string>
#include <vector>

#include "Component.h"
#include "SQLConnection.h"

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
    std::string Text() const;                         // lines joined, each + CR LF
    const std::vector<std::string> &ParamNames() const;

    // Prepares (unless the same text is still prepared) and executes; returns
    // the rows affected.
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
    std::unique_ptr<Impl> d_;
};
