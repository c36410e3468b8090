#include "alarmflood.h"

#include "gatewaysimulator.h"

#include <algorithm>

AlarmFlood::AlarmFlood(int energizers, QObject* parent)
    : QObject(parent)
    , m_energizers(energizers)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &AlarmFlood::pushDue);
}

QByteArray AlarmFlood::energizerRecord(int device, bool alarm)
{
    QByteArray record(GatewaySimulator::kBlockSize, '\0');
    record[0] = char(device);
    record[9] = char(0x60);
    record[13] = char(0x82);
    record[20] = char(0x82);
    record[16] = char(0x40);
    record[23] = char(0x40);
    record[12] = char(alarm ? 0x80 : 0);
    return record;
}

QByteArray AlarmFlood::nextChanges(int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i, ++m_pushed) {
        const int device = int(m_pushed % m_energizers) + 1;
        // Every energizer goes into alarm on its first change, out on its second.
        const bool alarm = (m_pushed / m_energizers) % 2 == 0;
        bytes += GatewaySimulator::writeFrame(device * GatewaySimulator::kBlockSize, energizerRecord(device, alarm));
    }
    return bytes;
}

void AlarmFlood::start(GatewaySimulator* gateway, int changesPerSecond, int durationMs)
{
    m_gateway = gateway;
    m_rate = changesPerSecond;
    m_durationMs = durationMs;
    m_pushedAtStart = m_pushed;
    m_clock.start();
    m_timer.start(TickMs);
}

void AlarmFlood::stop()
{
    m_timer.stop();
}

void AlarmFlood::pushDue()
{
    const qint64 elapsed = std::min<qint64>(m_clock.elapsed(), m_durationMs);
    const qint64 due = m_pushedAtStart + elapsed * m_rate / 1000 - m_pushed;
    if (due > 0)
        m_gateway->send(nextChanges(int(due)));
    if (elapsed >= m_durationMs) {
        stop();
        emit finished();
    }
}
