#include "app/BatchdelApplication.h"

#include <QFont>
#include <QIcon>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "app/ApplicationTitle.h"
#include "app/ErrorReport.h"
#include "data/dataset/Errors.h"
#include "data/dataset/HandlerFailure.h"
#include "data/sql/SQLConnection.h"

TBatchdelApplication::TBatchdelApplication(int &argc, char **argv)
    : QApplication(argc, argv), title_(ApplicationTitleFor(applicationFilePath())) {
    setWindowIcon(QIcon(QStringLiteral(":/batchdel.png")));
    // A 1x1 window at the centre of the primary screen: a box placed
    // relative to it comes out centred on the screen even though the owner
    // itself is never shown.
    hiddenWindow_ = std::make_unique<QWidget>(nullptr, Qt::Window);
    hiddenWindow_->setObjectName(QStringLiteral("HiddenWindow"));
    hiddenWindow_->setAttribute(Qt::WA_DontShowOnScreen);
    hiddenWindow_->setAttribute(Qt::WA_QuitOnClose, false);
    if (QScreen *screen = primaryScreen()) hiddenWindow_->setGeometry(QRect(screen->geometry().center(), QSize(1, 1)));
    // A command that fails reports it where it started, in the error box.
    SetFailureReporter(ReportError);
    // The busy pointer while the connection is being made.
    TSQLConnection::SetBusyCursorHook([](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });
}

TBatchdelApplication::~TBatchdelApplication() {
    TSQLConnection::SetBusyCursorHook({});
    SetFailureReporter({});
}

TBatchdelApplication *TBatchdelApplication::Instance() {
    return qobject_cast<TBatchdelApplication *>(QCoreApplication::instance());
}

bool TBatchdelApplication::notify(QObject *receiver, QEvent *event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const EAbort &) {
        // The silent abort ends a handler without a word.
    } catch (const std::exception &failure) {
        ReportError(failure);
    } catch (...) {
        // Nothing the program throws is of another kind, but a library might;
        // it is reported all the same rather than ending the process.
        ReportError(Exception("Exception", "Unknown failure"));
    }
    return false;
}

void TBatchdelApplication::InsertFontSubstitutions() {
    QFont::insertSubstitutions(
        QStringLiteral("細明體"),
        {QStringLiteral("AR PL UMing TW"), QStringLiteral("Noto Serif CJK TC"), QStringLiteral("Noto Sans CJK TC")});
}

QString ApplicationTitle() {
    if (TBatchdelApplication *app = TBatchdelApplication::Instance()) return app->Title();
    return ApplicationTitleFor(QCoreApplication::applicationFilePath());
}

QString ExecutableFolder() { return QCoreApplication::applicationDirPath() + QLatin1Char('/'); }
