// Moving the current cell and the result set's cursor: columns, rows, Tab,
// Escape and the vertical scroll bar. Every cursor move of the result set
// first ends a pending edit (a changed row is posted, an unchanged one
// cancelled); the grid then follows through its data link.
#include <QScrollBar>

#include "data/dataset/ClientDataSet.h"
#include "grid/GridDataLink.h"
#include "grid/wwDBGrid.h"
#include "grid/wwDBGrid_p.h"

namespace {
// Where the row that stood at `target` is once the pending row at `left` was
// ended: an untouched new row leaves the list (`shrank`), and every row after
// it moves up one.
int ListRowAfterEnding(int target, int left, bool shrank, int rows) {
    if (shrank && target > left) --target;
    return std::clamp(target, 0, std::max(0, rows - 1));
}
}  // namespace

bool TwwCustomDBGridPrivate::UntouchedNewRow() const {
    const TClientDataSet *set = q->DataSet();
    return set && set->Active() && set->State() == DataSetState::Insert && !set->Modified() && !q->EditorTextPending();
}

bool TwwCustomDBGridPrivate::NewRowIsLast() const {
    const TClientDataSet *set = q->DataSet();
    return set->State() == DataSetState::Insert && set->CurrentRow() == set->DisplayRowCount() - 1;
}

bool TwwCustomDBGridPrivate::AppendAllowed() const {
    return GridEditingAllowed() && keyOptions.testFlag(dgAllowInsert) && q->DataSet()->CanModify();
}

void TwwCustomDBGridPrivate::EndPendingEdit() {
    TClientDataSet *set = q->DataSet();
    if (set->State() != DataSetState::Edit && set->State() != DataSetState::Insert) return;
    if (set->Modified())
        set->Post();
    else
        set->Cancel();
}

void TwwCustomDBGrid::SelectColumn(int index) {
    d->WriteBackEditorText();
    index = std::clamp(index, 0, std::max(0, ColCount() - 2));
    if (index == d->col - 1) return;
    const int before = d->col;
    if (OnColExit) {
        OnColExit();
        if (d->col != before) return;  // the handler chose a column itself
    }
    d->HideEditor();
    SetCol(index + 1);
    // Scroll whole columns until the new one is wholly in sight.
    if (d->col < LeftCol()) {
        SetLeftCol(d->col);
    } else {
        while (LeftCol() < d->geom.MaxLeftCol() && d->geom.ColLeft(d->col) + ColWidth(d->col) > d->geom.clientWidth)
            SetLeftCol(LeftCol() + 1);
    }
    if (OnColEnter) OnColEnter();
    UpdateDateTimePicker();
    if (OnCellChanged) OnCellChanged();
}

void TwwCustomDBGrid::NextRow() {
    if (!DataActive()) return;
    d->WriteBackEditorText();
    TClientDataSet *set = DataSet();
    if (d->UntouchedNewRow()) {
        if (d->NewRowIsLast()) return;  // no second row after an untouched new last row
        set->Cancel();
    } else {
        set->Next();
    }
    if (set->AtEnd() && d->AppendAllowed()) {
        d->HideEditor();
        set->Append();
    }
}

void TwwCustomDBGrid::PriorRow() {
    if (!DataActive()) return;
    d->WriteBackEditorText();
    TClientDataSet *set = DataSet();
    if (d->UntouchedNewRow() && d->NewRowIsLast())
        set->Cancel();
    else
        set->Prior();
}

void TwwCustomDBGridPrivate::LineDown() {
    if (!q->DataActive()) return;
    WriteBackEditorText();
    TClientDataSet *set = q->DataSet();
    if (UntouchedNewRow()) {
        if (!NewRowIsLast()) set->Cancel();
    } else {
        set->Next();
    }
}

// Every row move first writes typed text back into the row it leaves, so the
// move posts it (a new row with typing in it counts as touched). The distance
// counts the rows as shown: from an untouched new row, one wheel step down
// goes to the row shown below it, not to the one after that.
void TwwCustomDBGridPrivate::MoveRows(int distance) {
    if (!q->DataActive()) return;
    WriteBackEditorText();
    TClientDataSet *set = q->DataSet();
    const int left = set->CurrentRow();
    const int rowsBefore = set->DisplayRowCount();
    EndPendingEdit();
    if (set->DisplayRowCount() < rowsBefore)
        distance = ListRowAfterEnding(left + distance, left, true, set->DisplayRowCount()) - set->CurrentRow();
    set->MoveBy(distance);
}

void TwwCustomDBGrid::FirstRow() {
    if (!DataActive()) return;
    d->WriteBackEditorText();
    DataSet()->First();
}

void TwwCustomDBGrid::LastRow() {
    if (!DataActive()) return;
    d->WriteBackEditorText();
    DataSet()->Last();
}

bool TwwCustomDBGridPrivate::GoToShownRow(int gridRow) {
    if (!q->DataActive() || gridRow < 1) return false;
    TClientDataSet *set = q->DataSet();
    // Which row was under the pointer is decided from what the grid showed,
    // before anything moves: ending a pending row below can take that row out
    // of the list, and every row after it then moves up one.
    int target = dataLink->RowAt(gridRow - 1);
    if (target == set->CurrentRow()) return false;
    WriteBackEditorText();
    const int left = set->CurrentRow();
    const int rowsBefore = set->DisplayRowCount();
    EndPendingEdit();
    target = ListRowAfterEnding(target, left, set->DisplayRowCount() < rowsBefore, set->DisplayRowCount());
    const int distance = target - set->CurrentRow();
    if (distance != 0) set->MoveBy(distance);
    return true;
}

void TwwCustomDBGridPrivate::ThumbReleasedAt(int pos) {
    if (!q->DataActive()) return;
    TClientDataSet *set = q->DataSet();
    WriteBackEditorText();
    EndPendingEdit();
    if (pos <= 1)
        set->First();
    else if (pos < set->RecordCount())
        set->SetRecNo(pos);
    else
        set->Last();
}

void TwwCustomDBGrid::TabToColumn(bool forward) {
    const int last = DisplayedFieldCount() - 1;
    if (last < 0) return;
    const int start = d->col - 1;
    int index = start;
    // Each lap past the last column moves one row, so the loop ends at the
    // start column even when no column is a tab stop.
    for (;;) {
        if (forward) {
            if (++index > last) {
                NextRow();
                index = 0;
            }
        } else if (--index < 0) {
            PriorRow();
            index = last;
        }
        if (index == start) return;
        if (TabStop(index + 1)) {
            SelectColumn(index);
            return;
        }
    }
}

void TwwCustomDBGrid::ResetCurrentRow() {
    if (EditorTextPending()) {
        // Only the typing is undone: the editor shows its field again.
        d->ReloadEditorText();
        d->HideEditor();
        return;
    }
    if (DataActive()) {
        TClientDataSet *set = DataSet();
        const bool editing = set->State() == DataSetState::Edit || set->State() == DataSetState::Insert;
        if (editing && set->Modified()) {
            if (d->AskQuestion(QStringLiteral("Discard changes to this record?"), GridQuestionButtons::YesNo) ==
                kAnswerYes)
                set->Cancel();
        } else {
            set->Cancel();
        }
    }
    d->HideEditor();
}

void TwwCustomDBGrid::SetQuestion(GridQuestion question) { d->question = std::move(question); }

int TwwCustomDBGridPrivate::AskQuestion(const QString &text, GridQuestionButtons buttons) {
    return question ? question(text, buttons) : wwgrid::AskWithMessageBox(q, text, buttons);
}

// ---------------------------------------------------------------- the vertical bar

void TwwCustomDBGridPrivate::HandleVertScrollAction(int action) {
    if (!q->DataActive() || !EnsureFocus()) {
        ResyncVertScrollBar();
        return;
    }
    const int page = q->VisibleRowCount();
    switch (action) {
        case QAbstractSlider::SliderSingleStepAdd:
            LineDown();
            break;
        case QAbstractSlider::SliderSingleStepSub:
            q->PriorRow();
            break;
        case QAbstractSlider::SliderPageStepAdd:
            MoveRows(page);
            break;
        case QAbstractSlider::SliderPageStepSub:
            MoveRows(-page);
            break;
        case QAbstractSlider::SliderToMinimum:
            q->FirstRow();
            break;
        case QAbstractSlider::SliderToMaximum:
            q->LastRow();
            break;
        default:
            return;  // the thumb being dragged: nothing until it is let go
    }
    ResyncVertScrollBar();
}

void TwwCustomDBGridPrivate::ResyncVertScrollBar() {
    lastVertScroll.reset();
    UpdateVertScrollBar();
}
