// The in-place editor and the date-time picker of the grid. Until the editor
// widget exists the grid keeps only the editor-mode flag: nothing is shown,
// nothing is pending and nothing is written back.
#include "wwDBGrid.h"

void TwwCustomDBGrid::SetEditorMode(bool on) { editorMode_ = on; }

void TwwCustomDBGrid::HideEditor() {}

bool TwwCustomDBGrid::EditorTextPending() const { return false; }

void TwwCustomDBGrid::WriteBackEditorText() {}

void TwwCustomDBGrid::PassKeyToEditor(QKeyEvent *) {}

bool TwwCustomDBGrid::CellRefusesEditor(int, int) const { return true; }

void TwwCustomDBGrid::UpdateDateTimePicker() {}
