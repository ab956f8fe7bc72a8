#pragma once
// An in-memory result set fed by a provider: every row of the answer is held
// in the table engine; the program walks, reads and changes rows in memory
// only. Failures carry the component's name ("ClientDataSet1: ...").
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/dataset/Component.h"
#include "data/dataset/DataSetObserver.h"
#include "data/dataset/Field.h"

class RecordProvider;
class TableEngine;
struct ColumnDesc;

enum class DataSetState { Inactive, Browse, Edit, Insert };

class TClientDataSet : public TComponent {
public:
    explicit TClientDataSet(std::string name = {});
    ~TClientDataSet() override;

    // Wiring: the provider is found by name through the resolver (the window's
    // components) at every Open().
    void SetProviderName(std::string name);
    const std::string &ProviderName() const;
    void SetProviderResolver(std::function<RecordProvider *(const std::string &)> resolver);
    void SetCommandText(std::string text);
    const std::string &CommandText() const;
    // Names of the parameter markers found in the command text.
    const std::vector<std::string> &ParamNames() const;

    // Open() builds new fields; Close() announces the closing while the old
    // fields still exist (Active() is already false) and frees them after.
    void Open();
    void Close();
    bool Active() const;
    DataSetState State() const;

    int RecordCount() const;
    void First();
    void Next();
    void Prior();
    int MoveBy(int distance);
    void Last();
    bool AtEnd() const;
    bool AtStart() const;
    int RecNo() const;  // from 1; 0 when there is no row
    void SetRecNo(int recNo);
    int CurrentRow() const;  // 0-based index of the current row, -1 when none
    // Rows a link can show: the rows in memory plus a new row not yet posted.
    int DisplayRowCount() const;
    // Open or not, DisplayRowCount() and CurrentRow() in one answer, written
    // straight into the caller's copy (a returned copy of it goes through
    // memory the processor cannot forward quickly; links read it often).
    void ReadPosition(RowPosition &at) const;

    void Edit();
    void Post();
    void Cancel();
    void Insert();
    void Append();
    void Delete();
    bool Modified() const;
    bool CanModify() const;
    // A read-only result set refuses Edit, Insert and Append (off by default).
    void SetReadOnly(bool readOnly);
    bool ReadOnly() const;

    TField *FieldNamed(const std::string &name) const;  // raises "Field '%s' not found"
    TField *FindField(const std::string &name) const;   // null when absent; ignores case
    int FieldCount() const;
    TField *Field(int position) const;  // in position order

    // Holding back announcements (nestable); releasing announces a change.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const;
    // The watchers that hear the announcements (the data sources).
    void AddObserver(DataSetObserver *observer);
    void RemoveObserver(DataSetObserver *observer);

    // Opens an empty set with the given columns (no provider needed).
    void CreateDataSet(const std::vector<ColumnDesc> &columns);
    // Closes, then opens on rows made elsewhere (a file read back).
    void OpenOnTable(std::unique_ptr<TableEngine> table);
    // Ends a pending edit: a changed row is posted, an unchanged one
    // cancelled; nothing happens in browse mode.
    void CheckBrowseMode();

    const TableEngine *Engine() const;

    struct Impl;

private:
    friend class TField;
    void OpenOn(std::unique_ptr<TableEngine> engine);
    void BeginNewRow(int position, WindowReload placement);
    std::unique_ptr<Impl> d_;
};
