#include "grid/GridQuestion.h"

#include <QMessageBox>

namespace wwgrid {

int AskWithMessageBox(QWidget *parent, const QString &text, GridQuestionButtons buttons) {
    const bool yesNo = buttons == GridQuestionButtons::YesNo;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text,
                    yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok | QMessageBox::Cancel, parent);
    box.setDefaultButton(yesNo ? QMessageBox::Yes : QMessageBox::Ok);
    box.setEscapeButton(yesNo ? QMessageBox::No : QMessageBox::Cancel);
    switch (box.exec()) {
        case QMessageBox::Ok:
            return kAnswerOk;
        case QMessageBox::Yes:
            return kAnswerYes;
        case QMessageBox::No:
            return kAnswerNo;
        default:
            return kAnswerCancel;
    }
}

}  // namespace wwgrid
