#pragma once
// The program ends normally on SIGTERM and SIGINT: the signal only wakes the
// event loop (through a pipe the handler writes one byte to), and the loop
// runs the given action, which closes the window as its close box does.
//
// Install it once the database connection is made: the embedded engine sets
// handlers of its own for these signals when it attaches (they shut the
// engine down and leave the process running), and these replace them for as
// long as the object lives.
#include <QObject>
#include <functional>

class QSocketNotifier;

class TTerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TTerminationSignals(std::function<void()> onSignal, QObject *parent = nullptr);
    // Puts the handlers found at installation back.
    ~TTerminationSignals() override;

private:
    void Drain();

    std::function<void()> onSignal_;
    QSocketNotifier *notifier_ = nullptr;
};
