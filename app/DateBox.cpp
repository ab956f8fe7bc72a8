#include "app/DateBox.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QTimer>

#include "app/ErrorReport.h"
#include "data/dataset/Errors.h"

namespace {
bool IsCaretOrCopyKey(const QKeyEvent *event) {
    static const QKeySequence::StandardKey kAllowed[] = {
        QKeySequence::MoveToNextChar,        QKeySequence::MoveToPreviousChar,  QKeySequence::MoveToNextWord,
        QKeySequence::MoveToPreviousWord,    QKeySequence::MoveToStartOfLine,   QKeySequence::MoveToEndOfLine,
        QKeySequence::MoveToStartOfDocument, QKeySequence::MoveToEndOfDocument, QKeySequence::SelectNextChar,
        QKeySequence::SelectPreviousChar,    QKeySequence::SelectNextWord,      QKeySequence::SelectPreviousWord,
        QKeySequence::SelectStartOfLine,     QKeySequence::SelectEndOfLine,     QKeySequence::SelectStartOfDocument,
        QKeySequence::SelectEndOfDocument,   QKeySequence::SelectAll,           QKeySequence::Copy,
    };
    for (const QKeySequence::StandardKey key : kAllowed)
        if (event->matches(key)) return true;
    return false;
}
}  // namespace

TDateBox::TDateBox(QWidget *parent, QChar separator) : QLineEdit(parent), mask_(separator) {
    setMaxLength(DateMask::kLength);
    // Text comes in only by typing and pasting, so every character passes the
    // mask.
    setContextMenuPolicy(Qt::NoContextMenu);
    setDragEnabled(false);
    setAcceptDrops(false);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    ShowMask();
    textAtFocus_ = mask_.ReadText();
}

void TDateBox::SetReadText(const QString &text) {
    mask_.SetText(text);
    modified_ = false;
    ShowMask();
}

void TDateBox::ShowMask() {
    setText(mask_.DisplayText());
    if (mask_.SelectionLength() > 0)
        setSelection(mask_.SelectionStart(), mask_.SelectionLength());
    else
        setCursorPosition(mask_.Caret());
}

void TDateBox::TakeCaretFromEditor() {
    if (hasSelectedText())
        mask_.Select(selectionStart(), selectionLength());
    else
        mask_.SetCaret(cursorPosition());
}

void TDateBox::keyPressEvent(QKeyEvent *event) {
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (key == Qt::Key_Escape) {
        mask_.SetText(textAtFocus_);
        modified_ = false;
        ShowMask();
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        CheckInput();
        return;
    }
    if (key == Qt::Key_Backspace || key == Qt::Key_Delete) {
        TakeCaretFromEditor();
        key == Qt::Key_Backspace ? mask_.Backspace() : mask_.Delete();
        modified_ = true;
        ShowMask();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        // Ctrl+V and Shift+Insert: a copied date goes in by the mask's rules.
        TakeCaretFromEditor();
        if (mask_.Paste(QGuiApplication::clipboard()->text()))
            modified_ = true;
        else
            QApplication::beep();
        ShowMask();
        return;
    }
    if (event->matches(QKeySequence::Cut) || event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)) {
        // Only typing edits a date box; these would slip past the mask.
        QApplication::beep();
        return;
    }
    if (IsCaretOrCopyKey(event)) {
        // Caret moves, selection and copying as any line edit has them.
        QLineEdit::keyPressEvent(event);
        return;
    }
    const QString typed = event->text();
    if (typed.size() == 1 && typed.at(0).isPrint() &&
        !(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        TakeCaretFromEditor();
        if (mask_.Type(typed.at(0)))
            modified_ = true;
        else
            QApplication::beep();
        ShowMask();
        return;
    }
    // Every other editing key of a line edit (delete word, kill line, ...)
    // would change the text behind the mask's back.
    event->ignore();
}

void TDateBox::inputMethodEvent(QInputMethodEvent *event) {
    // Composed text would bypass the mask.
    event->ignore();
}

void TDateBox::focusInEvent(QFocusEvent *event) {
    // Escape brings back what the box held when the operator came in; a
    // return after a refused check is not a new visit.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason && !modified_)
        textAtFocus_ = mask_.ReadText();
    QLineEdit::focusInEvent(event);
}

void TDateBox::focusOutEvent(QFocusEvent *event) {
    QLineEdit::focusOutEvent(event);
    // Only a move to another control of the window checks the box; the
    // window losing activation (a message box, another program) does not.
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return;
    if (!modified_) return;
    if (mask_.FirstMissingRequired() < 0) {
        // Accepted: the next visit starts afresh (Escape goes back to this).
        modified_ = false;
        return;
    }
    // The failure is reported once the focus change has finished, from the
    // event loop, so the box can take the focus back.
    QTimer::singleShot(0, this, [this] { CheckInput(); });
}

bool TDateBox::CheckInput() {
    const int missing = mask_.FirstMissingRequired();
    if (!modified_ || missing < 0) return true;
    QApplication::beep();
    setFocus(Qt::OtherFocusReason);
    mask_.SetCaret(missing);
    ShowMask();
    ReportError(Exception("Exception", "Invalid input value.  Use escape key to abandon changes"));
    return false;
}
