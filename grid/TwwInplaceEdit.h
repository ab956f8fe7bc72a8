#pragma once
// The grid's in-place text editor: a line edit laid over the current cell.
// It shows the field's text for reading, selecting and copying; every change
// is first cleared with the grid, which refuses it on a read-only cell. The
// grid's key filter decides which keys it hands on to the grid.
#include <QLineEdit>

class TwwCustomDBGrid;

class TwwInplaceEdit : public QLineEdit {
    Q_OBJECT
public:
    TwwInplaceEdit(TwwCustomDBGrid *grid, QWidget *parent);

    TwwCustomDBGrid *Grid() const { return grid_; }
    // Shows `text` as loaded from the field, all of it selected; nothing is
    // pending afterwards.
    void Load(const QString &text);
    const QString &LoadedText() const { return loaded_; }
    bool TextChanged() const { return text() != loaded_; }
    // The text now counts as the field's (after it was written back).
    void MarkWritten() { loaded_ = text(); }

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;

private:
    TwwCustomDBGrid *grid_;
    QString loaded_;
};
