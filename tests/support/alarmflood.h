#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class GatewaySimulator;

// A gateway that floods the program with alarm changes: the fence alarm of
// its energizers flips, one energizer after the other, and each change is
// pushed as a register write of the whole device block. Run on a
// GatewaySimulator at a given rate (the changes due every few milliseconds
// go out in one write), or asked for the bytes of the next changes to hand
// them to a client without a socket.
class AlarmFlood : public QObject
{
    Q_OBJECT
public:
    static constexpr int TickMs = 5;

    explicit AlarmFlood(int energizers = 32, QObject* parent = nullptr);

    // The record of an energizer, with its first fence in alarm or not.
    static QByteArray energizerRecord(int device, bool alarm);
    // The bytes of the next `count` changes, in the order they are pushed.
    QByteArray nextChanges(int count);

    // Pushes `changesPerSecond` changes to the simulator's program for
    // `durationMs`, then emits finished().
    void start(GatewaySimulator* gateway, int changesPerSecond, int durationMs);
    void stop();
    qint64 pushed() const { return m_pushed; }

signals:
    void finished();

private:
    void pushDue();

    const int m_energizers;
    // Changes made so far; change k flips energizer k % m_energizers + 1.
    qint64 m_pushed = 0;
    GatewaySimulator* m_gateway = nullptr;
    int m_rate = 0;
    int m_durationMs = 0;
    qint64 m_pushedAtStart = 0;
    QElapsedTimer m_clock;
    QTimer m_timer;
};
