// The in-place editor and the date-time picker of the grid: when they open,
// what the editor lets through, which of its keys belong to the grid, and
// how both stay over the current cell while the cursor, the columns and the
// focus move.
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLocale>
#include <memory>

#include "data/dataset/ClientDataSet.h"
#include "data/dataset/HandlerFailure.h"
#include "grid/ColumnList.h"
#include "grid/GridCellControls.h"
#include "grid/InplaceEditRules.h"
#include "grid/TwwDBDateTimePicker.h"
#include "grid/TwwInplaceEdit.h"
#include "grid/wwDBGrid.h"
#include "grid/wwDBGrid_p.h"

namespace wwgrid {

CellControls::CellControls(TwwCustomDBGridPrivate *owner) : grid(owner->q), d(owner) {
    grid->installEventFilter(this);
    grid->viewport()->installEventFilter(this);
}

// The controls go while the grid is still whole: a control that had the
// focus hands it on as it goes, and nothing of that may reach the grid.
CellControls::~CellControls() {
    grid->removeEventFilter(this);
    grid->viewport()->removeEventFilter(this);
    grid->setFocusProxy(nullptr);
    for (QWidget *control : {static_cast<QWidget *>(editor), static_cast<QWidget *>(picker)}) {
        if (!control) continue;
        control->removeEventFilter(this);
        for (QObject *child : control->children()) child->removeEventFilter(this);
        delete control;
    }
}

void CellControls::Watch(QWidget *control) {
    control->installEventFilter(this);
    // The picker's text part may hold the focus itself.
    for (QWidget *child : control->findChildren<QWidget *>()) child->installEventFilter(this);
}

void CellControls::ScheduleFollow() {
    if (scheduled_) return;
    scheduled_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            scheduled_ = false;
            RunHandler([this] { d->PlaceCellControls(); });
        },
        Qt::QueuedConnection);
}

bool CellControls::InsideGrid(const QWidget *widget) const {
    return widget && (widget == grid || grid->isAncestorOf(widget));
}

bool CellControls::eventFilter(QObject *watched, QEvent *event) {
    const QEvent::Type type = event->type();
    if (watched == grid) {
        // The focus going to the grid's own editor or picker has not left
        // the grid.
        if (type == QEvent::FocusOut && InsideGrid(QApplication::focusWidget())) return true;
        if (type == QEvent::FocusIn || type == QEvent::FocusOut) ScheduleFollow();
        if (type == QEvent::KeyPress && picker && picker->isVisible()) {
            auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() == Qt::Key_Down && key->modifiers().testFlag(Qt::AltModifier)) {
                d->GiveFocusTo(picker);
                QCoreApplication::sendEvent(picker, key);
                return true;
            }
        }
        return false;
    }
    if (watched == grid->viewport()) {
        // The controls lie over the cells as painted: whatever moves a cell
        // (the cursor, a new query, the columns, the size) repaints it, and
        // the controls follow once the paint is done. A walk over many rows
        // paints once at its end, so it costs nothing here.
        if (type == QEvent::Paint && d->CellControlsInPlay()) ScheduleFollow();
        // A key the editor or the picker left alone would travel on to the
        // grid; the keys meant for the grid were handed over already.
        if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
        const QWidget *focus = QApplication::focusWidget();
        return focus && focus != grid && InsideGrid(focus);
    }
    auto *widget = qobject_cast<QWidget *>(watched);
    QWidget *control = editor && (widget == editor || editor->isAncestorOf(widget))   ? static_cast<QWidget *>(editor)
                       : picker && (widget == picker || picker->isAncestorOf(widget)) ? static_cast<QWidget *>(picker)
                                                                                      : nullptr;
    if (!control) return false;
    if (type == QEvent::KeyPress) return d->EditorKeyPress(control, static_cast<QKeyEvent *>(event));
    if (type == QEvent::FocusOut) {
        // The focus left the grid from one of its controls: the grid hears of
        // it as if it had held the focus itself. A pop-up (the calendar, a
        // menu) takes the focus only for a while, and another window takes
        // it only until this one is active again.
        const auto *focus = static_cast<QFocusEvent *>(event);
        if (focus->reason() == Qt::PopupFocusReason || focus->reason() == Qt::ActiveWindowFocusReason ||
            InsideGrid(QApplication::focusWidget()))
            return false;
        if (grid->focusProxy() == control) grid->setFocusProxy(nullptr);
        QFocusEvent out(QEvent::FocusOut, focus->reason());
        QCoreApplication::sendEvent(grid, &out);
        ScheduleFollow();
    }
    return false;
}

}  // namespace wwgrid

using wwgrid::CellControls;

namespace {
wwgrid::PlacedCell CurrentCell(const TwwCustomDBGrid &grid) {
    wwgrid::PlacedCell cell;
    TClientDataSet *set = grid.DataSet();
    cell.active = grid.DataActive() && set;
    cell.col = grid.Col();
    cell.recNo = cell.active ? set->RecNo() : -1;
    cell.inserting = cell.active && set->State() == DataSetState::Insert;
    return cell;
}

// Keys that change the editor's text (each is cleared with the grid first).
bool ChangesText(const QKeyEvent *event) {
    const int key = event->key();
    if (key == Qt::Key_Backspace || key == Qt::Key_Delete) return true;
    for (QKeySequence::StandardKey change :
         {QKeySequence::Paste, QKeySequence::Cut, QKeySequence::Undo, QKeySequence::Redo, QKeySequence::DeleteEndOfWord,
          QKeySequence::DeleteStartOfWord, QKeySequence::DeleteEndOfLine, QKeySequence::DeleteCompleteLine})
        if (event->matches(change)) return true;
    return false;
}

// A character typed: printable text without Ctrl, Alt or Meta.
bool TypesCharacters(const QKeyEvent *event) {
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    const QString text = event->text();
    return !text.isEmpty() && text.at(0).isPrint();
}
}  // namespace

TwwInplaceEdit *TwwCustomDBGrid::InplaceEditor() const { return d->cellControls->editor; }

TwwDBDateTimePicker *TwwCustomDBGrid::DateTimePicker() const { return d->cellControls->picker; }

bool TwwCustomDBGridPrivate::CellControlsInPlay() const {
    const CellControls &cc = *cellControls;
    return editorMode || q->EditorVisible() || (cc.picker && cc.picker->isVisible()) ||
           (q->DataActive() && DateTimeCell(col));
}

bool TwwCustomDBGrid::EditorVisible() const { return d->cellControls->editor && d->cellControls->editor->isVisible(); }

// ---------------------------------------------------------------- cell rules

bool TwwCustomDBGridPrivate::DateTimeCell(int gridCol) const {
    const TField *field = q->ColumnField(gridCol);
    return field && (field->Type() == DataType::Date || field->Type() == DataType::Time);
}

bool TwwCustomDBGrid::CellRefusesEditor(int gridCol, int gridRow) const {
    if (gridCol < 1 || gridRow < 1 || !DataActive()) return true;
    const TField *field = ColumnField(gridCol);
    if (!field) return true;
    const QString name = QString::fromStdString(field->FieldName());
    if (wwgrid::GetCheckBoxValues(d->controlType, name).found) return true;
    const QString &kind = CacheColInfo(gridCol).controlType;
    if (kind == QLatin1String("Bitmap") || kind == QLatin1String("ImageIndex")) return true;
    const DataType type = field->Type();
    return type == DataType::Date || type == DataType::Time || type == DataType::Memo || type == DataType::Blob;
}

bool TwwCustomDBGridPrivate::CellModifiable() const {
    if (!GridEditingAllowed() || !q->DataActive()) return false;
    const TField *field = q->ColumnField(col);
    if (!field || field->ReadOnly() || (field->Calculated() && !editCalculated)) return false;
    if (!q->DataSet()->CanModify()) return false;
    return !q->Column(col - 1).ReadOnly();
}

bool TwwCustomDBGridPrivate::CanEditModify() {
    if (!CellModifiable()) return false;
    TClientDataSet *set = q->DataSet();
    if (set->State() == DataSetState::Browse) {
        if (!dataSource->AutoEdit()) return false;
        set->Edit();
    }
    return set->State() == DataSetState::Edit || set->State() == DataSetState::Insert;
}

bool TwwCustomDBGridPrivate::FieldAcceptsChar(QChar ch) const {
    const TField *field = q->ColumnField(col);
    if (!field) return true;
    const QString point = QLocale::system().decimalPoint();
    return wwgrid::FieldAcceptsChar(field->Type(), ch, point.isEmpty() ? QChar(u'.') : point.at(0));
}

void TwwCustomDBGridPrivate::SoundBeep() const {
    if (q->Beep)
        q->Beep();
    else
        QApplication::beep();
}

bool TwwCustomDBGridPrivate::CanShowEditor() const {
    if (!options.testFlag(dgEditing) || options.testFlag(dgRowSelect) || !q->hasFocus()) return false;
    if (q->CellRefusesEditor(col, row)) return false;
    if (editControlOptions.testFlag(ecoDisableEditorIfReadOnly) && !CellModifiable()) return false;
    return !(q->CellRect(col, row) & q->viewport()->rect()).isEmpty();
}

// ---------------------------------------------------------------- editor mode

bool TwwCustomDBGrid::EditorMode() const { return d->editorMode; }

void TwwCustomDBGrid::SetEditorMode(bool on) {
    if (on) {
        d->editorMode = true;
        if (!EditorVisible() && d->CanShowEditor()) d->ShowEditorNow();
        return;
    }
    d->WriteBackEditorText();
    d->editorMode = false;
    d->HideTextEditor();
}

void TwwCustomDBGridPrivate::ShowEditorNow() {
    CellControls &cc = *cellControls;
    TField *field = q->ColumnField(col);
    if (!field) return;
    if (!cc.editor) {
        cc.editor = new TwwInplaceEdit(q, q->viewport());
        cc.Watch(cc.editor);
    }
    TwwInplaceEdit *editor = cc.editor;
    editor->setFont(q->font());
    editor->setAlignment(field->Alignment() == FieldAlignment::Right ? Qt::AlignRight | Qt::AlignVCenter
                                                                     : Qt::AlignLeft | Qt::AlignVCenter);
    editor->setMaxLength(field->Type() == DataType::String && field->Size() > 0 ? field->Size() : 32767);
    // An input method composes text the cell would refuse anyway.
    editor->setAttribute(Qt::WA_InputMethodEnabled, CellModifiable());
    editor->Load(QString::fromStdString(field->GetString()));
    cc.editorField = QString::fromStdString(field->FieldName());
    cc.editorRecNo = q->DataSet()->RecNo();
    editor->setGeometry(q->CellRect(col, row) & q->viewport()->rect());
    editor->show();
    editor->raise();
    GiveFocusTo(editor);
    cc.placed = CurrentCell(*q);
}

// The control takes the keys while the grid counts as focused: the grid's
// focus passes on to it.
void TwwCustomDBGridPrivate::GiveFocusTo(QWidget *control) {
    const bool focused = q->hasFocus();
    q->setFocusProxy(control);
    if (focused && !control->hasFocus()) control->setFocus(Qt::OtherFocusReason);
}

void TwwCustomDBGridPrivate::HideCellControl(QWidget *control) {
    if (!control) return;
    if (auto *picker = qobject_cast<TwwDBDateTimePicker *>(control)) picker->CloseUp();
    const QWidget *focus = QApplication::focusWidget();
    const bool hadFocus = control->isVisible() && focus && (focus == control || control->isAncestorOf(focus));
    if (q->focusProxy() == control) q->setFocusProxy(nullptr);
    if (hadFocus) q->setFocus(Qt::OtherFocusReason);
    control->hide();
}

void TwwCustomDBGridPrivate::HideTextEditor() { HideCellControl(cellControls->editor); }

void TwwCustomDBGridPrivate::HideEditor() {
    HideCellControl(cellControls->editor);
    HideCellControl(cellControls->picker);
}

bool TwwCustomDBGrid::EditorTextPending() const { return EditorVisible() && d->cellControls->editor->TextChanged(); }

// Written only to the field and row the text was loaded from: once the
// cursor has moved on, the text belongs to no row shown.
void TwwCustomDBGridPrivate::WriteBackEditorText() {
    if (!q->EditorTextPending()) return;
    CellControls &cc = *cellControls;
    TField *field = q->ColumnField(col);
    if (!field || QString::fromStdString(field->FieldName()) != cc.editorField ||
        q->DataSet()->RecNo() != cc.editorRecNo)
        return;
    if (!CanEditModify()) return;
    field->SetString(cc.editor->text().toStdString());
    cc.editor->MarkWritten();
}

void TwwCustomDBGridPrivate::ReloadEditorText() {
    if (!q->EditorVisible()) return;
    if (TField *field = q->ColumnField(col)) cellControls->editor->Load(QString::fromStdString(field->GetString()));
}

void TwwCustomDBGrid::PassKeyToEditor(QKeyEvent *event) {
    // A key typed on a cell without an editor is dropped, and editor mode
    // stays as it was.
    if (!EditorVisible()) {
        if (!d->CanShowEditor()) return;
        SetEditorMode(true);
    }
    if (!EditorVisible()) return;
    CellControls &cc = *d->cellControls;
    cc.passingKey = true;
    QCoreApplication::sendEvent(cc.editor, event);
    cc.passingKey = false;
}

// ---------------------------------------------------------------- keys in the controls

// True when the key was dealt with here (handed to the grid, refused).
bool TwwCustomDBGridPrivate::EditorKeyPress(QWidget *control, QKeyEvent *event) {
    CellControls &cc = *cellControls;
    const bool inEditor = control == cc.editor;
    if (!cc.passingKey) {
        if (!inEditor && event->key() == Qt::Key_Down && event->modifiers().testFlag(Qt::AltModifier))
            return false;  // the picker's own drop-down
        const wwgrid::EditorCaret caret =
            inEditor ? wwgrid::EditorCaret{cc.editor->cursorPosition(), int(cc.editor->selectedText().size()),
                                           int(cc.editor->text().size())}
                     : cc.picker->Caret();
        switch (wwgrid::RouteEditorKey(event->key(), event->modifiers(), caret)) {
            case wwgrid::EditorKey::Grid: {
                const std::unique_ptr<QEvent> copy(event->clone());
                QCoreApplication::sendEvent(q, copy.get());
                event->accept();
                return true;
            }
            case wwgrid::EditorKey::EditorModeOff:
                if (inEditor) {
                    RunHandler([this] { q->SetEditorMode(false); });
                } else {
                    // The picker stays in place; the keys go to the grid again.
                    q->setFocusProxy(nullptr);
                    q->setFocus(Qt::OtherFocusReason);
                }
                return true;
            case wwgrid::EditorKey::Deselect:
                if (inEditor)
                    cc.editor->deselect();
                else
                    cc.picker->Deselect();
                return true;
            case wwgrid::EditorKey::Editor:
                break;
        }
    }
    if (!inEditor || !(TypesCharacters(event) || ChangesText(event))) return false;
    // A character the field cannot hold at all beeps; a cell that may not
    // change refuses silently.
    if (TypesCharacters(event)) {
        for (QChar ch : event->text()) {
            if (!FieldAcceptsChar(ch)) {
                SoundBeep();
                return true;
            }
        }
    }
    bool allowed = false;
    RunHandler([&] { allowed = CanEditModify(); });
    return !allowed;
}

// ---------------------------------------------------------------- following the cell

void TwwCustomDBGrid::UpdateDateTimePicker() { d->PlaceCellControls(); }

void TwwCustomDBGridPrivate::PlaceCellControls() {
    CellControls &cc = *cellControls;
    const wwgrid::PlacedCell here = CurrentCell(*q);
    const bool moved = !(here == cc.placed);
    TwwDBDateTimePicker *picker = cc.picker;
    // While another window is active the grid keeps the focus it had here.
    const bool focused = q->hasFocus() || (picker && picker->DroppedDown()) ||
                         (!q->isActiveWindow() && cc.InsideGrid(q->window()->focusWidget()));
    const QRect cell = here.active ? q->CellRect(col, row) & q->viewport()->rect() : QRect();

    if (q->EditorVisible()) {
        if (moved || !focused || cell.isEmpty()) {
            // Still on its own cell, the text typed is kept.
            if (!moved) WriteBackEditorText();
            HideTextEditor();
        } else {
            cc.editor->setGeometry(cell);
            TField *field = q->ColumnField(col);
            const QString text = field ? QString::fromStdString(field->GetString()) : QString();
            if (!q->EditorTextPending() && text != cc.editor->LoadedText()) cc.editor->Load(text);
        }
    }
    if (!q->EditorVisible() && editorMode && moved && CanShowEditor()) ShowEditorNow();

    const bool pickerWanted = here.active && DateTimeCell(col);
    if (pickerWanted && !picker) {
        picker = cc.picker = new TwwDBDateTimePicker(q->viewport());
        cc.Watch(picker);
        if (q->OnCreateDateTimePicker) q->OnCreateDateTimePicker(q, picker);
    }
    if (pickerWanted && focused && !cell.isEmpty()) {
        TField *field = q->ColumnField(col);
        picker->setFont(q->font());
        picker->SetDataField(dataSource, QString::fromStdString(field->FieldName()));
        picker->SetColumnReadOnly(q->Column(col - 1).ReadOnly() || !GridEditingAllowed());
        picker->setGeometry(cell);
        picker->show();
        picker->raise();
    } else {
        HideCellControl(picker);
    }
    cc.placed = here;
}
