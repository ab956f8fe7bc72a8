// Adding and removing rows from the keyboard. Both act on the in-memory
// result set only; nothing of it reaches the database by itself.
#include "ClientDataSet.h"
#include "wwDBGrid.h"

void TwwCustomDBGrid::InsertRow() {
    if (!DataActive() || readOnly_ || !options_.testFlag(dgEditing) || !keyOptions_.testFlag(dgAllowInsert)) return;
    WriteBackEditorText();
    DataSet()->Insert();
}

void TwwCustomDBGrid::DeleteCurrentRow() {
    if (!DataActive()) return;
    TClientDataSet *set = DataSet();
    if (!keyOptions_.testFlag(dgAllowDelete) || readOnly_ || !set->CanModify() || !options_.testFlag(dgEditing)) return;
    if (options_.testFlag(dgConfirmDelete) &&
        AskQuestion(QStringLiteral("Delete record?"), GridQuestionButtons::OkCancel) != kAnswerOk)
        return;
    // The question may have taken long enough for the list to be closed.
    if (!DataActive()) return;
    set->Delete();  // a row being inserted is only cancelled
    HideEditor();
}

void TwwCustomDBGrid::FocusLeft() {
    if (DataActive() && options_.testFlag(dgCancelOnExit) && UntouchedNewRow())
        DataSet()->Cancel();
    else
        WriteBackEditorText();
    HideEditor();
    if (OnExit) OnExit();
}
