#pragma once
// A logout, a shutdown or Ctrl+C in a terminal (SIGTERM, SIGHUP, SIGINT)
// ends the program in order: the signal becomes a call on the program's own
// thread, where closing is safe, instead of killing it mid-write.

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace ui {

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // `onSignal` runs on this thread with the signal's number, once per signal.
    explicit TerminationSignals(std::function<void(int)> onSignal, QObject *parent = nullptr);
    // Gives the signals back their default handling.
    ~TerminationSignals() override;

    // Hands a termination request on as if `number` had arrived; safe from
    // a signal handler or another thread.
    static void deliver(int number);

private:
    void readSignal();

    std::function<void(int)> m_onSignal;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace ui
