// The one rule of whether the operator may change data through the grid,
// adding and removing rows from the keyboard, and what becomes of a pending
// row when the focus leaves the grid. All of it acts on the in-memory result
// set only; nothing of it reaches the database by itself.
#include "data/dataset/ClientDataSet.h"
#include "grid/wwDBGrid.h"
#include "grid/wwDBGrid_p.h"

bool TwwCustomDBGridPrivate::GridEditingAllowed() const { return options.testFlag(dgEditing) && !readOnly; }

void TwwCustomDBGrid::InsertRow() {
    if (!DataActive() || !d->GridEditingAllowed() || !d->keyOptions.testFlag(dgAllowInsert)) return;
    d->WriteBackEditorText();
    DataSet()->Insert();
}

void TwwCustomDBGrid::DeleteCurrentRow() {
    if (!DataActive()) return;
    TClientDataSet *set = DataSet();
    if (!d->keyOptions.testFlag(dgAllowDelete) || !d->GridEditingAllowed() || !set->CanModify()) return;
    if (d->options.testFlag(dgConfirmDelete) &&
        d->AskQuestion(QStringLiteral("Delete record?"), GridQuestionButtons::OkCancel) != kAnswerOk)
        return;
    // The question may have taken long enough for the list to be closed.
    if (!DataActive()) return;
    set->Delete();  // a row being inserted is only cancelled
    d->HideEditor();
}

void TwwCustomDBGridPrivate::FocusLeft() {
    if (q->DataActive() && options.testFlag(dgCancelOnExit) && UntouchedNewRow())
        q->DataSet()->Cancel();
    else
        WriteBackEditorText();
    HideEditor();
    if (q->OnExit) q->OnExit();
}
