#include "timerunit.h"

#include "messagecatcher.h"
#include "threadannotations.h"

#include <QDomDocument>
#include <QSignalSpy>
#include <QThread>

#include <atomic>
#include <QtTest>

namespace {

// Monday 7 December 2026.
const QDate kMonday(2026, 12, 7);

TimerData makeTimer(const QString& from, const QString& to, int relay = 3)
{
    TimerData t;
    t.name = QStringLiteral("Lights");
    t.from = QDateTime::fromString(from, QStringLiteral("hh:mm"));
    t.to = QDateTime::fromString(to, QStringLiteral("hh:mm"));
    t.active = true;
    t.setAllDays(true);
    t.IP = QStringLiteral("127.0.0.1");
    t.cardName = QStringLiteral("IOCard33");
    t.cardNo = 33;
    t.relayNo = relay;
    return t;
}

struct Fired
{
    QString ip;
    int card;
    int command;
    bool on;
};

QList<Fired> fired(const QSignalSpy& spy)
{
    QList<Fired> out;
    for (const auto& args : spy)
        out.append({args.at(0).toString(), args.at(1).toInt(), args.at(2).value<CommandSend>(),
                    args.at(3).toBool()});
    return out;
}

} // namespace

class TstTimerUnit : public QObject
{
    Q_OBJECT

private:
    QDateTime clockValue;

    void tickAt(TimerUnit& unit, const QDate& date, const QTime& time)
    {
        clockValue = QDateTime(date, time);
        unit.afterTimer();
    }

private slots:
    void firesOncePerMinuteEdge()
    {
        TimerUnit unit;
        unit.setClock([this] { return clockValue; });
        unit.setTimers({makeTimer("08:00", "08:00")});
        QSignalSpy spy(&unit, &TimerUnit::timerCommand);

        tickAt(unit, kMonday, QTime(7, 59, 59));
        QCOMPARE(spy.count(), 0);

        tickAt(unit, kMonday, QTime(8, 0, 0));
        const QList<Fired> first = fired(spy);
        QCOMPARE(first.size(), 2);
        QCOMPARE(first[0].ip, QStringLiteral("127.0.0.1"));
        QCOMPARE(first[0].card, 33);
        QCOMPARE(first[0].command, int(ActivateRelay3));
        QVERIFY(first[0].on);
        QVERIFY(!first[1].on);
        QVERIFY(unit.timers().first().onSent);
        QVERIFY(unit.timers().first().offSent);

        for (int s = 1; s < 60; s += 7)
            tickAt(unit, kMonday, QTime(8, 0, s));
        QCOMPARE(spy.count(), 2);

        tickAt(unit, kMonday, QTime(8, 1, 0));
        QVERIFY(!unit.timers().first().onSent);
        QCOMPARE(spy.count(), 2);

        tickAt(unit, kMonday.addDays(1), QTime(8, 0, 30));
        QCOMPARE(spy.count(), 4);
    }

    void separateStartAndEnd()
    {
        TimerUnit unit;
        unit.setClock([this] { return clockValue; });
        unit.setTimers({makeTimer("08:00", "18:30", 8)});
        QSignalSpy spy(&unit, &TimerUnit::timerCommand);
        MessageCatcher catcher;

        tickAt(unit, kMonday, QTime(8, 0, 5));
        tickAt(unit, kMonday, QTime(12, 0, 0));
        tickAt(unit, kMonday, QTime(18, 30, 0));
        tickAt(unit, kMonday, QTime(18, 30, 1));
        const QList<Fired> f = fired(spy);
        QCOMPARE(f.size(), 2);
        QVERIFY(f[0].on);
        QCOMPARE(f[0].command, int(ActivateRelay8));
        QVERIFY(!f[1].on);
        QCOMPARE(catcher.messages().filter("---Timer"), QStringList({"---Timer ON---", "---Timer OFF---"}));
    }

    void idleTimersTouchNothing_data()
    {
        QTest::addColumn<bool>("active");
        QTest::addColumn<bool>("mondayFlag");
        QTest::newRow("inactive") << false << true;
        QTest::newRow("day flag clear") << true << false;
    }

    void idleTimersTouchNothing()
    {
        QFETCH(bool, active);
        QFETCH(bool, mondayFlag);
        TimerUnit unit;
        unit.setClock([this] { return clockValue; });
        TimerData t = makeTimer("08:00", "09:00");
        t.active = active;
        t.dayMon = mondayFlag;
        t.onSent = true;  // a leftover that an idle timer must not touch
        unit.setTimers({t});
        QSignalSpy spy(&unit, &TimerUnit::timerCommand);

        tickAt(unit, kMonday, QTime(8, 0, 0));
        tickAt(unit, kMonday, QTime(8, 5, 0));
        QCOMPARE(spy.count(), 0);
        QVERIFY(unit.timers().first().onSent);
    }

    void relayCommands_data()
    {
        QTest::addColumn<int>("relay");
        QTest::addColumn<int>("command");
        QTest::newRow("relay 1") << 1 << 12;
        QTest::newRow("relay 3") << 3 << 14;
        QTest::newRow("relay 8") << 8 << 19;
        QTest::newRow("relay 0") << 0 << 0;
        QTest::newRow("relay 9") << 9 << 0;
        QTest::newRow("relay -1") << -1 << 0;
    }

    void relayCommands()
    {
        QFETCH(int, relay);
        QFETCH(int, command);
        TimerUnit unit;
        unit.setClock([this] { return clockValue; });
        unit.setTimers({makeTimer("10:15", "11:00", relay)});
        QSignalSpy spy(&unit, &TimerUnit::timerCommand);
        tickAt(unit, kMonday, QTime(10, 15, 0));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(int(spy.first().at(2).value<CommandSend>()), command);
    }

    void invalidTimeNeverFires()
    {
        TimerUnit unit;
        unit.setClock([this] { return clockValue; });
        TimerData t = makeTimer("08:00", "08:00");
        t.from = QDateTime();
        unit.setTimers({t});
        QSignalSpy spy(&unit, &TimerUnit::timerCommand);
        tickAt(unit, kMonday, QTime(8, 0, 0));
        QCOMPARE(spy.count(), 1);
        QVERIFY(!spy.first().at(3).toBool());
    }

    void defaultTimers()
    {
        TimerUnit unit;
        clockValue = QDateTime(kMonday, QTime(14, 22, 9));
        unit.setClock([this] { return clockValue; });
        unit.setTimers({makeTimer("01:00", "02:00")});
        unit.setDefaultTimers();
        const QList<TimerData> list = unit.timers();
        QCOMPARE(list.size(), 2);
        QCOMPARE(list[0].name, QStringLiteral("Timer1"));
        QCOMPARE(list[1].name, QStringLiteral("Timer2"));
        for (const TimerData& t : list) {
            QCOMPARE(t.from, clockValue);
            QCOMPARE(t.to, clockValue);
            QVERIFY(!t.active);
            for (int d = 1; d <= 7; ++d)
                QVERIFY(t.runsOn(d));
            QVERIFY(t.IP.isEmpty());
            QCOMPARE(t.cardNo, -1);
            QCOMPARE(t.relayNo, -1);
        }
    }

    // A timer without a card (the default timers carry -1) sends nothing. An
    // editor hands back a copy taken before an edge fired: the edge does not
    // fire twice in its minute, but a moved edge fires at its new minute.
    void cardlessAndReplacedTimers()
    {
        TimerUnit unit;
        unit.setClock([this] { return clockValue; });
        TimerData copy = makeTimer("08:00", "08:00"), noCard = copy, noGateway = copy;
        noCard.cardNo = -1;
        noGateway.IP.clear();
        unit.setTimers({copy, noCard, noGateway});
        QSignalSpy spy(&unit, &TimerUnit::timerCommand);
        tickAt(unit, kMonday, QTime(8, 0, 0));
        QCOMPARE(spy.count(), 2);

        copy.to = QDateTime::fromString(QStringLiteral("08:01"), QStringLiteral("hh:mm"));
        unit.setTimers({copy});
        tickAt(unit, kMonday, QTime(8, 0, 30));
        QCOMPARE(spy.count(), 2);
        tickAt(unit, kMonday, QTime(8, 1, 0));
        QCOMPARE(spy.count(), 3);
        QVERIFY(!spy.last().at(3).toBool());
    }

    void writeAndReadBack()
    {
        TimerUnit writer;
        TimerData a = makeTimer("08:00", "18:30");
        a.from.setDate(QDate(2020, 5, 5));
        a.daySat = false;
        a.daySun = false;
        TimerData b = makeTimer("23:59", "00:00", 1);
        b.name = QStringLiteral("Gate <light> & \"pump\"");
        b.active = false;
        b.dayWed = false;
        writer.setTimers({a, b});

        QDomDocument doc;
        doc.appendChild(doc.createElement(QStringLiteral("Project")));
        writer.writeTimers(doc);
        const QString text = doc.toString();

        const QDomElement first = doc.documentElement().firstChildElement(QStringLiteral("Timer"));
        const QList<QPair<QString, QString>> attributes{
            {"name", "Lights"}, {"active", "1"}, {"IP", "127.0.0.1"}, {"cardName", "IOCard33"},
            {"cardNo", "33"}, {"relayNo", "3"}, {"from", "08:00"}, {"to", "18:30"}, {"dayMon", "1"},
            {"dayTue", "1"}, {"dayWed", "1"}, {"dayThu", "1"}, {"dayFri", "1"}, {"daySat", "0"},
            {"daySun", "0"}};
        QCOMPARE(first.attributes().count(), attributes.size());
        for (const auto& attribute : attributes)
            QCOMPARE(first.attribute(attribute.first), attribute.second);

        QDomDocument reread;
        QVERIFY(reread.setContent(text));
        TimerUnit reader;
        reader.readTimers(reread.documentElement());
        const QList<TimerData> list = reader.timers();
        QCOMPARE(list.size(), 2);
        const QList<TimerData> expected{a, b};
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(list[i].name, expected[i].name);
            QCOMPARE(list[i].active, expected[i].active);
            QCOMPARE(list[i].IP, expected[i].IP);
            QCOMPARE(list[i].cardName, expected[i].cardName);
            QCOMPARE(list[i].cardNo, expected[i].cardNo);
            QCOMPARE(list[i].relayNo, expected[i].relayNo);
            QCOMPARE(list[i].from.toString("hh:mm"), expected[i].from.toString("hh:mm"));
            QCOMPARE(list[i].to.toString("hh:mm"), expected[i].to.toString("hh:mm"));
            for (int d = 1; d <= 7; ++d)
                QCOMPARE(list[i].runsOn(d), expected[i].runsOn(d));
        }
        QVERIFY(list[0].from.date() != a.from.date());
    }

    void readDefaultsAndScope()
    {
        QDomDocument doc;
        QVERIFY(doc.setContent(QStringLiteral(
            "<Project>"
            "<Timer name=\"Bare\"/>"
            "<!-- a comment -->"
            "<Workplace><Timer name=\"Nested\"/></Workplace>"
            "<Timer name=\"Second\" active=\"7\" dayTue=\"0\" from=\"bad\"/>"
            "</Project>")));
        TimerUnit unit;
        unit.setTimers({makeTimer("01:00", "02:00")});
        unit.readTimers(doc.documentElement());
        const QList<TimerData> list = unit.timers();
        QCOMPARE(list.size(), 2);
        QCOMPARE(list[0].name, QStringLiteral("Bare"));
        QVERIFY(!list[0].active);
        for (int d = 1; d <= 7; ++d)
            QVERIFY(list[0].runsOn(d));
        QVERIFY(!list[0].from.isValid());
        QCOMPARE(list[0].cardNo, 0);
        QCOMPARE(list[1].name, QStringLiteral("Second"));
        QVERIFY(list[1].active);
        QVERIFY(!list[1].dayTue);
        QVERIFY(list[1].dayWed);
        QVERIFY(!list[1].from.isValid());
    }

    void writeWithoutProjectWritesNothing()
    {
        TimerUnit unit;
        unit.setTimers({makeTimer("08:00", "09:00")});
        QDomDocument doc;
        doc.appendChild(doc.createElement(QStringLiteral("Other")));
        const QString before = doc.toString();
        MessageCatcher catcher;
        // The line is the comms library's own, no link's: its rule silences it.
        QLoggingCategory::setFilterRules(QStringLiteral("lumetra.comms.warning=false"));
        unit.writeTimers(doc);
        QVERIFY(!catcher.contains(QStringLiteral("Timers not written")));
        QLoggingCategory::setFilterRules(QString());
        unit.writeTimers(doc);
        QCOMPARE(doc.toString(), before);
        QVERIFY(catcher.contains(QStringLiteral("Timers not written")));
    }

    void ticksOnItsOwnThread()
    {
        MessageCatcher catcher;
        QThread thread;
        thread.setObjectName(QStringLiteral("TimerUnitThread"));
        announceThreadEnd(&thread);
        auto unit = std::make_unique<TimerUnit>();
        unit->moveToThread(&thread);
        connect(&thread, &QThread::started, unit.get(), &TimerUnit::run);

        // Each tick records the thread it was emitted on, and is counted here.
        std::atomic<QThread*> tickThread{nullptr};
        connect(unit.get(), &TimerUnit::timerTick, unit.get(),
                [&tickThread] { tickThread = QThread::currentThread(); }, Qt::DirectConnection);
        int ticks = 0;
        connect(unit.get(), &TimerUnit::timerTick, this, [&ticks] { ++ticks; }, Qt::QueuedConnection);
        thread.start();
        QTRY_VERIFY_WITH_TIMEOUT(ticks > 0, 3 * TimerUnit::TickIntervalMs);
        QCOMPARE(tickThread.load(), &thread);

        QMetaObject::invokeMethod(unit.get(), &TimerUnit::stop, Qt::BlockingQueuedConnection);
        endThread(&thread);
        unit.reset();
        QVERIFY(catcher.wiringFaults().isEmpty());
    }
};

QTEST_MAIN(TstTimerUnit)
#include "tst_timerunit.moc"
