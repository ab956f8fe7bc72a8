#pragma once
// The program's own message dialog: an icon, a word-wrapped text and a row
// of buttons, laid out in dialog units of the system message font.
#include <QDialog>
#include <QString>
#include <string>
#include <vector>

#include "workflow/OrderWindow.h"

class QPushButton;
class QKeyEvent;

// Pixel sizes of the dialog's parts for one font (a horizontal dialog unit is
// a quarter of the average letter width, a vertical one an eighth of the line).
struct MessageFormMetrics {
    int horzMargin, vertMargin, horzSpacing, vertSpacing;
    int buttonWidth, buttonHeight, buttonSpacing;
};

class TMessageForm : public QDialog {
    Q_OBJECT
public:
    TMessageForm(const QString &text, batchdel::DialogKind kind, unsigned buttons, QWidget *parent = nullptr);

    // The text put on the clipboard by Ctrl+C (seven lines, each + CR LF).
    QString CopyText() const;
    // The buttons in layout order.
    const std::vector<QPushButton *> &Buttons() const { return buttons_; }
    // Escape and the close box end the dialog; Escape through the cancel
    // button, the close box with 2.
    void reject() override;

    static MessageFormMetrics MetricsFor(const QFont &font, int widestCaption);
    static QString CaptionOf(batchdel::DialogKind kind);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void CopyToClipboard();

    QString text_;
    std::vector<QPushButton *> buttons_;
    QPushButton *cancelButton_ = nullptr;
};

// Shows a TMessageForm modally and returns the result of the button that
// ended it, or 2 for the close box.
int RunMessageDialog(const std::string &text, batchdel::DialogKind kind, unsigned buttons);
// A plain notice with an OK button under the application title.
void ShowNotice(const std::string &text);
