#include "sqlrows.h"
#include "testhome.h"

#include <QFile>
#include <QtTest>

// The private home every test runs in is made from the sources, so an
// operator's run of the program (which writes rows and settings beside it)
// cannot change what the suite sees.
class TestTestHome : public QObject
{
    Q_OBJECT
private slots:
    void homeIsMadeFromTheSources();
};

void TestTestHome::homeIsMadeFromTheSources()
{
    QVERIFY(qEnvironmentVariableIsEmpty("LUMETRA_RUNTIME_DIR"));
    TestHome home;
    QVERIFY(home.isValid());
    QVERIFY(home.openDatabase());
    QCOMPARE(sqlRows(QStringLiteral("SELECT user FROM users")), QStringList{QStringLiteral("admin")});
    for (const char* table : {"logAlarm", "logUserAction", "logVoltage"})
        QCOMPARE(sqlRows(QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(table))), QStringList{"0"});
    QFile shipped(TestHome::runtimeDir() + QStringLiteral("/setting.ini"));
    QFile copy(home.filePath(QStringLiteral("setting.ini")));
    QVERIFY(shipped.open(QIODevice::ReadOnly) && copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), shipped.readAll());
}

QTEST_GUILESS_MAIN(TestTestHome)
#include "tst_testhome.moc"
