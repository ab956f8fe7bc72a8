#pragma once
// The application object: one per process, created before anything else.
// It computes the title, owns the hidden window that parents the message
// boxes, and reports every failure that escapes an event handler.
#include <QApplication>
#include <QString>
#include <memory>

class QWidget;

class TBatchdelApplication : public QApplication {
    Q_OBJECT
public:
    TBatchdelApplication(int &argc, char **argv);
    ~TBatchdelApplication() override;

    // The running application object; null when there is none (or when the
    // process made a plain QApplication).
    static TBatchdelApplication *Instance();

    // Title computed once from the executable's file name.
    const QString &Title() const { return title_; }
    // The never-shown top-level window that owns the message boxes.
    QWidget *HiddenWindow() const { return hiddenWindow_.get(); }

    // The last resort: every command reports its own failure where it
    // starts, but one that still escapes a handler is shown by ReportError
    // (the silent abort is dropped) and the event loop goes on.
    bool notify(QObject *receiver, QEvent *event) override;

    // Makes the window font "細明體" fall back to the Ming-style fonts of this
    // system; called once at start-up, before the window is built.
    static void InsertFontSubstitutions();

private:
    QString title_;
    std::unique_ptr<QWidget> hiddenWindow_;
};

// The title of the running program; falls back to the executable's file
// name rule when the application object is a plain QApplication.
QString ApplicationTitle();
// The program's folder, ending in "/".
QString ExecutableFolder();
