#include "app/MessageForm.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include "app/BatchdelApplication.h"
#include "app/ErrorReport.h"
#include "data/dataset/Errors.h"

using namespace batchdel;

namespace {
struct ButtonInfo {
    DialogButton button;
    const char *name;
    const char *caption;
    int result;
};

// Layout order, control names, captions and results of the buttons.
constexpr ButtonInfo kButtons[] = {
    {mbYes, "Yes", "&Yes", mrYes},
    {mbNo, "No", "&No", mrNo},
    {mbOK, "OK", "OK", mrOk},
    {mbCancel, "Cancel", "Cancel", mrCancel},
    {mbAbort, "Abort", "&Abort", mrAbort},
    {mbRetry, "Retry", "&Retry", mrRetry},
    {mbIgnore, "Ignore", "&Ignore", mrIgnore},
    {mbAll, "All", "&All", mrAll},
    {mbNoToAll, "NoToAll", "N&o to All", mrNoToAll},
    {mbYesToAll, "YesToAll", "Yes to &All", mrYesToAll},
    {mbHelp, "Help", "&Help", mrNone},
};

constexpr int kIconSize = 32;
constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs;

// Rounded a*b/c, as the dialog-unit conversions need.
int MulDiv(int a, int b, int c) { return (a * b + c / 2) / c; }

QString WithoutAccelerators(QString caption) { return caption.remove(QLatin1Char('&')); }

// The text control draws with the very flags its size was measured with, so
// the wrapped lines always fit the rectangle worked out for them.
class MessageText : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(rect(), kTextFlags, text());
    }
};

QStyle::StandardPixmap IconOf(DialogKind kind) {
    switch (kind) {
        case DialogKind::Warning:
            return QStyle::SP_MessageBoxWarning;
        case DialogKind::Error:
            return QStyle::SP_MessageBoxCritical;
        case DialogKind::Information:
            return QStyle::SP_MessageBoxInformation;
        case DialogKind::Confirmation:
            return QStyle::SP_MessageBoxQuestion;
        case DialogKind::Plain:
            break;
    }
    return QStyle::SP_CustomBase;
}

QScreen *DialogScreen() {
    if (QWidget *active = QApplication::activeWindow())
        if (QScreen *screen = active->screen()) return screen;
    return QGuiApplication::primaryScreen();
}

const QString kDashes = QString(27, QLatin1Char('-'));
}  // namespace

QString TMessageForm::CaptionOf(DialogKind kind) {
    switch (kind) {
        case DialogKind::Warning:
            return QStringLiteral("Warning");
        case DialogKind::Error:
            return QStringLiteral("Error");
        case DialogKind::Information:
            return QStringLiteral("Information");
        case DialogKind::Confirmation:
            return QStringLiteral("Confirm");
        case DialogKind::Plain:
            break;
    }
    return ApplicationTitle();
}

MessageFormMetrics TMessageForm::MetricsFor(const QFont &font, int widestCaption) {
    const QFontMetrics fm(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int unitX = fm.horizontalAdvance(letters) / 52;  // average letter width
    const int unitY = fm.height();
    MessageFormMetrics m{};
    m.horzMargin = MulDiv(8, unitX, 4);
    m.vertMargin = MulDiv(8, unitY, 8);
    m.horzSpacing = MulDiv(10, unitX, 4);
    m.vertSpacing = MulDiv(10, unitY, 8);
    m.buttonWidth = std::max(MulDiv(50, unitX, 4), widestCaption + 8);
    m.buttonHeight = MulDiv(14, unitY, 8);
    m.buttonSpacing = MulDiv(4, unitX, 4);
    return m;
}

TMessageForm::TMessageForm(const QString &text, DialogKind kind, unsigned buttons, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      text_(text) {
    setWindowTitle(CaptionOf(kind));
    setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    setModal(true);
    const QFontMetrics fm(font());

    int widestCaption = 0;
    for (const ButtonInfo &b : kButtons)
        if (buttons & b.button)
            widestCaption = std::max(widestCaption, fm.horizontalAdvance(WithoutAccelerators(b.caption)));
    const MessageFormMetrics m = MetricsFor(font(), widestCaption);

    QScreen *screen = DialogScreen();
    const int wrapWidth = screen ? screen->geometry().width() / 2 : 512;
    const QRect textRect = fm.boundingRect(QRect(0, 0, wrapWidth, 0), kTextFlags, text);

    const bool hasIcon = kind != DialogKind::Plain;
    int iconTextWidth = textRect.width();
    int iconTextHeight = textRect.height();
    if (hasIcon) {
        iconTextWidth += kIconSize + m.horzSpacing;
        iconTextHeight = std::max(iconTextHeight, kIconSize);
        auto *image = new QLabel(this);
        image->setObjectName(QStringLiteral("Image"));
        image->setPixmap(style()->standardIcon(IconOf(kind), nullptr, this).pixmap(kIconSize, kIconSize));
        image->setGeometry(m.horzMargin, m.vertMargin, kIconSize, kIconSize);
    }

    int buttonCount = 0;
    for (const ButtonInfo &b : kButtons)
        if (buttons & b.button) ++buttonCount;
    const int groupWidth = buttonCount * m.buttonWidth + std::max(0, buttonCount - 1) * m.buttonSpacing;
    const int clientWidth = std::max(iconTextWidth, groupWidth) + 2 * m.horzMargin;
    const int clientHeight = iconTextHeight + m.vertSpacing + m.buttonHeight + 2 * m.vertMargin;

    auto *message = new MessageText(text, this);
    message->setObjectName(QStringLiteral("Message"));
    message->setTextFormat(Qt::PlainText);
    message->setGeometry(m.horzMargin + (hasIcon ? kIconSize + m.horzSpacing : 0), m.vertMargin, textRect.width(),
                         textRect.height());

    QPushButton *defaultButton = nullptr;
    QPushButton *byName[std::size(kButtons)] = {};
    int x = (clientWidth - groupWidth) / 2;
    const int y = iconTextHeight + m.vertMargin + m.vertSpacing;
    for (size_t i = 0; i < std::size(kButtons); ++i) {
        const ButtonInfo &b = kButtons[i];
        if (!(buttons & b.button)) continue;
        auto *button = new QPushButton(QString::fromUtf8(b.caption), this);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setGeometry(x, y, m.buttonWidth, m.buttonHeight);
        x += m.buttonWidth + m.buttonSpacing;
        const int result = b.result;
        if (b.button == mbHelp) {
            // The program has no help file (every help context is 0): Help
            // leaves the dialog open and does nothing else.
        } else {
            connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
        }
        buttons_.push_back(button);
        byName[i] = button;
    }
    auto shown = [&](DialogButton which) -> QPushButton * {
        for (size_t i = 0; i < std::size(kButtons); ++i)
            if (kButtons[i].button == which) return byName[i];
        return nullptr;
    };
    defaultButton = shown(mbOK) ? shown(mbOK) : shown(mbYes) ? shown(mbYes) : shown(mbRetry);
    cancelButton_ = shown(mbCancel) ? shown(mbCancel) : shown(mbNo) ? shown(mbNo) : shown(mbOK);
    if (defaultButton) {
        defaultButton->setDefault(true);
        defaultButton->setFocus();
    }

    setFixedSize(clientWidth, clientHeight);
    if (screen) move(screen->geometry().center() - QPoint(clientWidth / 2, clientHeight / 2));
}

QString TMessageForm::CopyText() const {
    QString buttonLine;
    for (const QPushButton *button : buttons_) buttonLine += WithoutAccelerators(button->text()) + "   ";
    const QString crlf = QStringLiteral("\r\n");
    return kDashes + crlf + windowTitle() + crlf + kDashes + crlf + text_ + crlf + kDashes + crlf + buttonLine + crlf +
           kDashes + crlf;
}

void TMessageForm::reject() {
    // Reached through the close box (Escape is handled before it).
    done(mrCancel);
}

void TMessageForm::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (cancelButton_) cancelButton_->click();
        return;
    }
    if (event->key() == Qt::Key_C && event->modifiers() == Qt::ControlModifier) {
        CopyToClipboard();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TMessageForm::CopyToClipboard() {
    QApplication::beep();
    QClipboard *clipboard = QGuiApplication::clipboard();
    const QString content = CopyText();
    if (clipboard) clipboard->setText(content);
    // The clipboard is the only one that can say whether it took the text.
    if (!clipboard || clipboard->text() != content) ReportError(Exception("Exception", "Cannot open clipboard"));
}

int RunMessageDialog(const std::string &text, DialogKind kind, unsigned buttons) {
    TBatchdelApplication *app = TBatchdelApplication::Instance();
    QPointer<QWidget> focus = QApplication::focusWidget();
    int result = mrCancel;
    {
        TMessageForm form(QString::fromStdString(text), kind, buttons, app ? app->HiddenWindow() : nullptr);
        form.setWindowModality(Qt::ApplicationModal);
        result = form.exec();
    }
    if (focus) {
        focus->activateWindow();
        focus->setFocus(Qt::ActiveWindowFocusReason);
    }
    return result;
}

void ShowNotice(const std::string &text) { RunMessageDialog(text, DialogKind::Plain, mbOK); }
