#pragma once

#include <QObject>

#include <csignal>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP (a system shutdown, Ctrl+C, `kill`, a
// closed terminal) into `received` on the thread that made it, so that the
// program ends the orderly way. The handler only writes the signal's number
// to a pipe, which a socket notifier reads from the event loop: nothing in a
// handler may take a lock or allocate. One at a time; the handlers there
// were before come back when it goes.
class ShutdownSignals : public QObject
{
    Q_OBJECT
public:
    explicit ShutdownSignals(QObject* parent = nullptr);
    ~ShutdownSignals() override;

    // False when the pipe could not be made: the signals keep their old action.
    bool isActive() const { return m_notifier != nullptr; }

signals:
    void received(int signalNumber);

private:
    static void handle(int signalNumber);
    void readPipe();

    QSocketNotifier* m_notifier = nullptr;
    struct sigaction m_previous[3] = {};
};
