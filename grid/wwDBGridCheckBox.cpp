// Check-box cells: which cells show one and how a toggle flips the value of
// the current row. A toggle is the only change the operator makes through
// the grid; it leaves the row in edit state until the cursor leaves it.
#include "data/dataset/ClientDataSet.h"
#include "data/dataset/DataSource.h"
#include "data/dataset/Field.h"
#include "grid/ColumnList.h"
#include "grid/wwDBGrid.h"
#include "grid/wwDBGrid_p.h"

bool TwwCustomDBGridPrivate::IsDataCell(int gridCol, int gridRow) const {
    return q->DataActive() && gridCol >= 1 && gridCol - 1 < q->DisplayedFieldCount() && gridRow >= 1;
}

bool TwwCustomDBGrid::IsCheckBoxCell(int gridCol, int gridRow, QString *checked, QString *unchecked) const {
    if (!d->IsDataCell(gridCol, gridRow)) return false;
    const TField *field = ColumnField(gridCol);
    if (!field) return false;
    const wwgrid::CheckBoxValues values =
        wwgrid::GetCheckBoxValues(d->controlType, QString::fromStdString(field->FieldName()));
    if (!values.found) return false;
    if (checked) *checked = values.checked;
    if (unchecked) *unchecked = values.unchecked;
    return true;
}

void TwwCustomDBGrid::ToggleCheckBoxCell(int gridCol, int gridRow) {
    QString checked, unchecked;
    if (!IsCheckBoxCell(gridCol, gridRow, &checked, &unchecked)) return;
    TField *field = ColumnField(gridCol);
    if (field->ReadOnly() || Column(gridCol - 1).ReadOnly()) return;
    TClientDataSet *set = DataSet();
    const bool editing = set->State() == DataSetState::Edit || set->State() == DataSetState::Insert;
    if (!(d->dataSource->AutoEdit() || editing) || !set->CanModify()) return;
    if (!d->keyOptions.testFlag(dgAllowInsert) && set->DisplayRowCount() == 0 && !editing) return;

    // An empty result set inserts a new row here instead of editing.
    if (!editing) set->Edit();
    field = ColumnField(gridCol);  // the columns are the same; the lookup stays honest
    if (!field || !DataActive()) return;
    const QString shown = QString::fromStdString(field->DisplayText());
    const QString next = shown.toUpper() == checked.toUpper() ? unchecked : checked;
    field->SetString(next.toStdString());

    // The box shows its new state before anything else happens.
    const QRect rect = CellRect(gridCol, d->row);
    if (!rect.isEmpty() && isVisible()) viewport()->repaint(d->InvalidationRect(rect));
}
