#pragma once
// The program ends on SIGTERM and SIGINT whatever is on screen: the signal
// only wakes the event loop (through a pipe the handler writes one byte to),
// and the loop then ends every dialog that is up or comes up afterwards (a
// question so answered is no answer: the command it belongs to stops) and
// runs the given action, which closes the window as its close box does.
//
// Install it before the database connection is made, so that even the
// start-up failure report gives way, and call Retake once the connection has
// been tried: the database client sets handlers of its own for these signals
// when it first attaches (they shut the engine down and leave the process
// running), and ours must be the ones in force.
#include <QObject>
#include <functional>

class QSocketNotifier;

class TTerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TTerminationSignals(std::function<void()> onSignal, QObject *parent = nullptr);
    // Puts the handlers found at installation back.
    ~TTerminationSignals() override;

    // Sets this object's handlers again over whatever was set meanwhile.
    void Retake();

protected:
    bool eventFilter(QObject *object, QEvent *event) override;

private:
    void Drain();
    void EndDialogs();

    std::function<void()> onSignal_;
    QSocketNotifier *notifier_ = nullptr;
    bool ending_ = false;
};

// Whether SIGTERM or SIGINT has arrived since the handlers were installed:
// long work stops at its next safe point, and no question counts as answered.
bool TerminationRequested();
