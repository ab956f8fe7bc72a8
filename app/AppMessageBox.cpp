#include "app/AppMessageBox.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QWidget>
#include <vector>

#include "app/BatchdelApplication.h"
#include "workflow/OrderWindow.h"

using namespace batchdel;

namespace {
struct ButtonCode {
    QMessageBox::StandardButton button;
    int code;
};

// The buttons of each button style, in the order they stand in the box.
std::vector<ButtonCode> ButtonsOf(unsigned style) {
    using B = QMessageBox;
    switch (style & 0xFu) {
        case MB_OKCANCEL:
            return {{B::Ok, mrOk}, {B::Cancel, mrCancel}};
        case 0x2u:
            return {{B::Abort, mrAbort}, {B::Retry, mrRetry}, {B::Ignore, mrIgnore}};
        case MB_YESNOCANCEL:
            return {{B::Yes, mrYes}, {B::No, mrNo}, {B::Cancel, mrCancel}};
        case MB_YESNO:
            return {{B::Yes, mrYes}, {B::No, mrNo}};
        case 0x5u:
            return {{B::Retry, mrRetry}, {B::Cancel, mrCancel}};
        default:
            return {{B::Ok, mrOk}};
    }
}

QMessageBox::Icon IconOf(unsigned style) {
    switch (style & 0xF0u) {
        case MB_ICONERROR:
            return QMessageBox::Critical;
        case MB_ICONQUESTION:
            return QMessageBox::Question;
        case MB_ICONWARNING:
            return QMessageBox::Warning;
        case MB_ICONINFORMATION:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

// Puts the owner where the operator is looking while a box is up, and puts
// it back, re-activates the window that was active and gives the focus back
// to the control that had it, however the box ends.
class OwnerPlacement {
public:
    explicit OwnerPlacement(QWidget *owner) : owner_(owner) {
        active_ = QApplication::activeWindow();
        focus_ = QApplication::focusWidget();
        if (!owner_ || !active_) return;
        QScreen *activeScreen = active_->screen();
        if (activeScreen && activeScreen != owner_->screen()) {
            oldPos_ = owner_->pos();
            moved_ = true;
            owner_->move(activeScreen->geometry().center());
        }
    }
    ~OwnerPlacement() {
        if (moved_ && owner_) owner_->move(oldPos_);
        if (active_) active_->activateWindow();
        if (focus_) focus_->setFocus(Qt::ActiveWindowFocusReason);
    }
    OwnerPlacement(const OwnerPlacement &) = delete;
    OwnerPlacement &operator=(const OwnerPlacement &) = delete;

private:
    QPointer<QWidget> owner_;
    QPointer<QWidget> active_;
    QPointer<QWidget> focus_;
    QPoint oldPos_;
    bool moved_ = false;
};
}  // namespace

int AppMessageBox(const std::string &text, const std::string &caption, unsigned style) {
    TBatchdelApplication *app = TBatchdelApplication::Instance();
    QWidget *owner = app ? app->HiddenWindow() : nullptr;
    OwnerPlacement placement(owner);

    QMessageBox box(IconOf(style), QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::NoButton,
                    owner);
    // Application-modal: every other window of the program takes no input
    // while the box is up.
    box.setWindowModality(Qt::ApplicationModal);
    const std::vector<ButtonCode> buttons = ButtonsOf(style);
    for (const ButtonCode &b : buttons) box.addButton(b.button);
    const size_t defaultIndex = (style >> 8) & 0xFu;
    box.setDefaultButton(buttons[defaultIndex < buttons.size() ? defaultIndex : 0].button);
    box.exec();

    const QAbstractButton *clicked = box.clickedButton();
    if (!clicked) return mrCancel;
    const QMessageBox::StandardButton answer = box.standardButton(const_cast<QAbstractButton *>(clicked));
    for (const ButtonCode &b : buttons)
        if (b.button == answer) return b.code;
    return mrCancel;
}
