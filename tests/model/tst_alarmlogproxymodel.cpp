#include "alarmlogproxymodel.h"

#include <QStandardItemModel>
#include <QtTest>

class TestAlarmLogProxyModel : public QObject
{
    Q_OBJECT
private slots:
    void acceptance_data();
    void acceptance();
    void initialState();
};

void TestAlarmLogProxyModel::acceptance_data()
{
    QTest::addColumn<QString>("stamp");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("info");
    QTest::addColumn<int>("kinds"); // bits: 1 OK, 2 Warning, 4 Critical
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<bool>("accepted");

    const QDate from(2026, 3, 1);
    const QDate to(2026, 3, 6);
    QTest::newRow("last second of the last day") << "06.03.2026 23:59:59 " << "E1" << "State" << "Critical" << 7 << from << to << true;
    QTest::newRow("first second of the next day") << "07.03.2026 00:00:00 " << "E1" << "State" << "Critical" << 7 << from << to << false;
    QTest::newRow("first day") << "01.03.2026 00:00:00" << "E1" << "State" << "Critical" << 7 << from << to << true;
    QTest::newRow("day before") << "28.02.2026 23:59:59 " << "E1" << "State" << "Critical" << 7 << from << to << false;
    QTest::newRow("failure with every kind off") << "03.03.2026 10:00:00 " << "E1" << "State" << "Failure" << 0 << from << to << true;
    QTest::newRow("timer source with every kind off") << "03.03.2026 10:00:00 " << "Timer" << "Relay" << "Sending 3" << 0 << from << to << true;
    QTest::newRow("on-off reason with every kind off") << "03.03.2026 10:00:00 " << "E1" << "Zone1OnOff" << "" << 0 << from << to << true;
    QTest::newRow("sensor info with every kind off") << "03.03.2026 10:00:00 " << "TW" << "State" << "sensor 3" << 0 << from << to << true;
    QTest::newRow("OK when shown") << "03.03.2026 10:00:00 " << "E1" << "State" << "OK" << 1 << from << to << true;
    QTest::newRow("OK when hidden") << "03.03.2026 10:00:00 " << "E1" << "State" << "OK" << 6 << from << to << false;
    QTest::newRow("Warning when hidden") << "03.03.2026 10:00:00 " << "E1" << "State" << "Warning" << 5 << from << to << false;
    QTest::newRow("Critical when shown") << "03.03.2026 10:00:00 " << "E1" << "State" << "Critical" << 4 << from << to << true;
    QTest::newRow("matching is case-sensitive") << "03.03.2026 10:00:00 " << "timer" << "State" << "critical" << 7 << from << to << false;
    QTest::newRow("no lower bound") << "01.01.2001 10:00:00 " << "E1" << "State" << "OK" << 7 << QDate() << to << true;
    QTest::newRow("no upper bound keeps dated rows out") << "03.03.2026 10:00:00 " << "E1" << "State" << "OK" << 7 << from << QDate() << false;
    QTest::newRow("unreadable stamp below a lower bound") << "yesterday" << "E1" << "State" << "OK" << 7 << from << to << false;
    QTest::newRow("unreadable stamp without bounds") << "" << "E1" << "State" << "OK" << 7 << QDate() << QDate() << true;
    QTest::newRow("day that does not exist") << "30.02.2026 10:00:00 " << "E1" << "State" << "OK" << 7 << from << to << false;
    QTest::newRow("hour that does not exist") << "03.03.2026 25:00:00 " << "E1" << "State" << "OK" << 7 << from << to << false;
}

void TestAlarmLogProxyModel::acceptance()
{
    QFETCH(QString, stamp);
    QFETCH(QString, source);
    QFETCH(QString, reason);
    QFETCH(QString, info);
    QFETCH(int, kinds);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(bool, accepted);

    QStandardItemModel log(0, 5);
    log.appendRow({new QStandardItem(QStringLiteral("1")), new QStandardItem(stamp), new QStandardItem(source),
                   new QStandardItem(reason), new QStandardItem(info)});

    AlarmLogProxyModel proxy;
    proxy.setSourceModel(&log);
    proxy.showOk = kinds & 1;
    proxy.showWarning = kinds & 2;
    proxy.showCritical = kinds & 4;
    proxy.fromDate = from;
    proxy.toDate = to;
    proxy.invalidate();
    QCOMPARE(proxy.rowCount() == 1, accepted);
}

void TestAlarmLogProxyModel::initialState()
{
    AlarmLogProxyModel proxy;
    QVERIFY(proxy.showOk && proxy.showWarning && proxy.showCritical);
    QVERIFY(proxy.fromDate.isNull());
    QVERIFY(proxy.toDate.isNull());
}

QTEST_MAIN(TestAlarmLogProxyModel)
#include "tst_alarmlogproxymodel.moc"
