#pragma once
// Inner state of a client result set, shared by its source files and its
// fields. Not for use outside them.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/dataset/ClientDataSet.h"
#include "data/dataset/RecordProvider.h"
#include "data/dataset/TableEngine.h"

struct TClientDataSet::Impl {
    TClientDataSet *self = nullptr;
    std::string providerName;
    std::function<RecordProvider *(const std::string &)> resolver;
    std::string commandText;
    std::vector<std::string> paramNames;
    bool readOnly = false;

    std::unique_ptr<TableEngine> engine;
    std::vector<std::unique_ptr<TField>> fields;  // in column order, owned
    std::vector<TField *> order;                  // in position order

    DataSetState state = DataSetState::Inactive;
    int cur = -1;  // current row in display order (a pending new row counts)
    bool bof = true;
    bool eof = true;

    // The edit buffer: the values of the row in edit or insert mode.
    std::vector<FieldValue> buffer;
    bool modified = false;
    int rowBeforeInsert = -1;  // current row before Insert/Append, for Cancel

    std::vector<DataSetObserver *> observers;
    int disableCount = 0;
    bool wasActiveAtDisable = false;
    DataSetState stateAtDisable = DataSetState::Inactive;
    bool layoutPending = false;

    bool Inserting() const { return state == DataSetState::Insert; }
    int EngineRows() const { return engine ? engine->RecordCount() : 0; }
    int DisplayRows() const { return EngineRows() + (Inserting() ? 1 : 0); }
    // The engine row shown at a display row; -1 for the pending new row.
    int EngineRowAt(int row) const {
        if (!Inserting() || row < cur) return row;
        return row == cur ? -1 : row - 1;
    }
    // Whether a display row reads from the edit buffer.
    bool ShowsBuffer(int row) const {
        return row == cur && (state == DataSetState::Edit || state == DataSetState::Insert);
    }

    void Announce(DataEvent event, long info = 0, TField *field = nullptr);
    void CheckActive() const;
    void CheckEditing() const;
    std::string Prefixed(const std::string &message) const { return self->Prefixed(message); }
    // Posts a changed edit, cancels an unchanged one.
    void FinishPendingEdit();
    void BuildFields();
    void LoadBuffer(int row);  // the edit buffer from a row
    void DropContent();
    void MoveTo(int row);  // browse-mode move with the flags left to the caller
};
