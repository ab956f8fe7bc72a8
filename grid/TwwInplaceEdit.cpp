#include "grid/TwwInplaceEdit.h"

#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMouseEvent>
#include <memory>

#include "data/dataset/HandlerFailure.h"
#include "grid/wwDBGrid.h"
#include "grid/wwDBGrid_p.h"

TwwInplaceEdit::TwwInplaceEdit(TwwCustomDBGrid *grid, QWidget *parent) : QLineEdit(parent), grid_(grid) {
    setObjectName(QStringLiteral("InplaceEdit"));
    setFrame(false);
    // Reached by a click or through the grid, never as a stop of its own.
    setFocusPolicy(Qt::ClickFocus);
    // A drop would change the text behind the grid's back.
    setAcceptDrops(false);
    hide();
}

void TwwInplaceEdit::Load(const QString &text) {
    loaded_ = text;
    setText(text);
    setModified(false);
    selectAll();
}

// The menu keeps copying and selecting; what would change the text is
// greyed out where the cell may not be changed.
void TwwInplaceEdit::contextMenuEvent(QContextMenuEvent *event) {
    std::unique_ptr<QMenu> menu(createStandardContextMenu());
    if (!TwwCustomDBGridPrivate::Of(grid_)->CellModifiable()) {
        for (QAction *action : menu->actions()) {
            const QString name = action->objectName();
            if (name == QLatin1String("edit-undo") || name == QLatin1String("edit-redo") ||
                name == QLatin1String("edit-cut") || name == QLatin1String("edit-paste") ||
                name == QLatin1String("edit-delete"))
                action->setEnabled(false);
        }
    }
    menu->exec(event->globalPos());
}

// The middle button pastes the selection on some desktops.
void TwwInplaceEdit::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() == Qt::MiddleButton && !TwwCustomDBGridPrivate::Of(grid_)->CellModifiable()) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

// Text composed by an input method is typed text: each character must suit
// the field, and the cell must allow the change.
void TwwInplaceEdit::inputMethodEvent(QInputMethodEvent *event) {
    const QString commit = event->commitString();
    if (!commit.isEmpty()) {
        for (QChar ch : commit) {
            if (!TwwCustomDBGridPrivate::Of(grid_)->FieldAcceptsChar(ch)) {
                TwwCustomDBGridPrivate::Of(grid_)->SoundBeep();
                event->accept();
                return;
            }
        }
        bool allowed = false;
        RunHandler([&] { allowed = TwwCustomDBGridPrivate::Of(grid_)->CanEditModify(); });
        if (!allowed) {
            event->accept();
            return;
        }
    }
    QLineEdit::inputMethodEvent(event);
}
