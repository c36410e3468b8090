// A gateway for trying the whole program from outside, as a site meets it:
// it listens on the gateway port of the address given, answers the
// program's reads, sends a heartbeat a second for 32 energizers and 31 IO
// cards, and, told so on its standard input, floods the program with alarm
// changes (AlarmFlood) or with heartbeats. Every 10 ms it notes the changes
// pushed and, through a read-only connection to the program's database,
// the newest alarm row: each row's time from its push to its commit.
//
// Usage: gatewayflood <address> <database file>
// Commands, one a line: "flood <changes a second> <seconds>", "heartbeats
// <heartbeats a second> <seconds>", "stop", "report", "quit". It answers
// with lines: "listening", "connected", "flooded <pushed>", "stopped
// <pushed>", "disconnected <pushed>", and for "report": "pushed <n>
// committed <n> worst_row_ms <ms>" (-1: not every row is committed yet).
// After a heartbeat flood, "flooded" and "stopped" count heartbeats.
#include "alarmflood.h"
#include "floodsamples.h"
#include "gatewaysimulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr quint16 GatewayPort = 6178;
constexpr int Energizers = 32;
constexpr int IoCards = 31;
constexpr int SampleMs = 10;

class FloodTool : public QObject
{
public:
    FloodTool(const QString& address, const QString& database)
        : m_flood(Energizers)
        , m_stdin(STDIN_FILENO, QSocketNotifier::Read)
    {
        m_gateway.setDeviceCounts(Energizers, IoCards);
        for (int device = 1; device <= Energizers; ++device)
            m_gateway.setBlock(device, AlarmFlood::energizerRecord(device, false));
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("flood-watch"));
        m_db.setDatabaseName(database);
        m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=100"));
        if (!m_gateway.listen(QHostAddress(address), GatewayPort) || !m_db.open()) {
            say("failed");
            QMetaObject::invokeMethod(qApp, [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
            return;
        }
        connect(&m_gateway, &GatewaySimulator::clientConnected, this, [this] {
            m_gateway.sendHeartbeat();
            m_gateway.startHeartbeats(1000);
            say("connected");
        });
        connect(&m_gateway, &GatewaySimulator::clientDisconnected, this,
                [this] { say(QStringLiteral("disconnected %1").arg(m_flood.pushed())); });
        connect(&m_flood, &AlarmFlood::finished, this, [this] { say(QStringLiteral("flooded %1").arg(m_flood.pushed())); });
        connect(&m_stdin, &QSocketNotifier::activated, this, &FloodTool::command);
        m_heartbeatTimer.setTimerType(Qt::PreciseTimer);
        connect(&m_heartbeatTimer, &QTimer::timeout, this, &FloodTool::sendDueHeartbeats);
        m_sampler.setTimerType(Qt::PreciseTimer);
        connect(&m_sampler, &QTimer::timeout, this, &FloodTool::sample);
        m_clock.start();
        say("listening");
    }

private:
    void say(const QString& line)
    {
        std::printf("%s\n", qPrintable(line));
        std::fflush(stdout);
    }

    qint64 newestKey()
    {
        QSqlQuery query(QStringLiteral("select coalesce(max(id), 0) from logAlarm"), m_db);
        return query.next() ? query.value(0).toLongLong() : -1;
    }

    void command()
    {
        char line[256];
        if (!std::fgets(line, sizeof line, stdin)) {
            QCoreApplication::quit();
            return;
        }
        const QStringList words = QString::fromLatin1(line).simplified().split(QLatin1Char(' '));
        if (words.value(0) == QLatin1String("flood") && words.size() == 3) {
            m_firstKey = newestKey();
            m_pushes.clear();
            m_commits.clear();
            m_sampler.start(SampleMs);
            m_flood.start(&m_gateway, words.at(1).toInt(), words.at(2).toInt() * 1000);
        } else if (words.value(0) == QLatin1String("heartbeats") && words.size() == 3) {
            m_heartbeatRate = words.at(1).toInt();
            m_heartbeatMs = words.at(2).toInt() * 1000;
            m_heartbeatsSent = 0;
            m_heartbeatClock.start();
            m_heartbeatTimer.start(AlarmFlood::TickMs);
        } else if (words.value(0) == QLatin1String("stop")) {
            m_flood.stop();
            m_heartbeatTimer.stop();
            say(QStringLiteral("stopped %1").arg(m_flood.pushed() + m_heartbeatsSent));
        } else if (words.value(0) == QLatin1String("report")) {
            const qint64 committed = m_commits.empty() ? 0 : m_commits.back().count;
            say(QStringLiteral("pushed %1 committed %2 worst_row_ms %3")
                    .arg(m_flood.pushed())
                    .arg(committed)
                    .arg(worstRowMs(m_pushes, m_commits, m_flood.pushed())));
        } else if (words.value(0) == QLatin1String("quit")) {
            QCoreApplication::quit();
        }
    }

    // The heartbeats due by now, the gateway's own as it builds them, in one write.
    void sendDueHeartbeats()
    {
        const qint64 elapsed = std::min<qint64>(m_heartbeatClock.elapsed(), m_heartbeatMs);
        const qint64 due = elapsed * m_heartbeatRate / 1000 - m_heartbeatsSent;
        if (due > 0) {
            m_gateway.send(m_gateway.heartbeatFromImage().repeated(int(due)));
            m_heartbeatsSent += due;
        }
        if (elapsed >= m_heartbeatMs) {
            m_heartbeatTimer.stop();
            say(QStringLiteral("flooded %1").arg(m_heartbeatsSent));
        }
    }

    void sample()
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_pushes.push_back({now, m_flood.pushed()});
        const qint64 key = newestKey();
        if (key >= 0)
            m_commits.push_back({now, key - m_firstKey});
    }

    GatewaySimulator m_gateway;
    AlarmFlood m_flood;
    QSocketNotifier m_stdin;
    QSqlDatabase m_db;
    QTimer m_sampler;
    QTimer m_heartbeatTimer;
    QElapsedTimer m_heartbeatClock;
    int m_heartbeatRate = 0;
    int m_heartbeatMs = 0;
    qint64 m_heartbeatsSent = 0;
    QElapsedTimer m_clock;
    qint64 m_firstKey = 0;
    std::vector<FloodSample> m_pushes;
    std::vector<FloodSample> m_commits;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        QTextStream(stderr) << "usage: gatewayflood <address> <database file>\n";
        return 2;
    }
    FloodTool tool(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
    return app.exec();
}
