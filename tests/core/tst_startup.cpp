#include "databasealert.h"
#include "startup.h"
#include "testhome.h"

#include <QApplication>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

// Runs the real program binary against private copies of its runtime files.
class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void databaseThatCannotOpenIsNamedAndFails();
    void opensTheDatabaseBesideTheProgram();
};

// A database that cannot be opened (here a directory) is named to the
// operator with the reason, and the program ends with a failure status.
void TestStartup::databaseThatCannotOpenIsNamedAndFails()
{
    TestHome home;
    QVERIFY(home.isValid());
    const QString database = home.filePath(QStringLiteral("brenik.db"));
    QVERIFY(QFile::remove(database));
    QVERIFY(QDir(home.path()).mkdir(QStringLiteral("brenik.db")));

    QStringList told;
    DatabaseAlert::setNotifier([&told](const QString& text, bool blocking) {
        if (blocking)
            told.append(text);
    });
    const int exitCode = runLumetra(*qApp);
    DatabaseAlert::setNotifier({});
    QVERIFY(exitCode != 0);
    QCOMPARE(told.size(), 1);
    QVERIFY2(told.first().contains(database) && told.first().contains(QStringLiteral("unable to open")),
             qPrintable(told.first()));
}

// Started from another working directory with no override, the program must
// use the database beside itself: its write-ahead log's index appears there.
void TestStartup::opensTheDatabaseBesideTheProgram()
{
    TestHome home;
    QVERIFY(home.isValid());
    const QString binary = home.filePath(QStringLiteral("lumetra"));
    QVERIFY(QFile::copy(TestHome::programBinary(), binary));
    QFile::setPermissions(binary, QFile::permissions(binary) | QFileDevice::ExeOwner);

    const QString database = home.filePath(QStringLiteral("brenik.db"));
    QFile dbFile(database);
    QVERIFY(dbFile.open(QIODevice::ReadWrite));
    const QDateTime old = QDateTime::currentDateTime().addDays(-2);
    QVERIFY(dbFile.setFileTime(old, QFileDevice::FileModificationTime));
    dbFile.close();

    QTemporaryDir elsewhere;
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("LUMETRA_HOME"));
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(elsewhere.path());
    program.start(binary, {});
    QVERIFY(program.waitForStarted(10000));

    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(database + QStringLiteral("-shm")), 15000);
    QVERIFY(program.state() == QProcess::Running); // waiting at the log-in page
    program.kill();
    program.waitForFinished(5000);
    QVERIFY(!QFileInfo::exists(elsewhere.filePath(QStringLiteral("brenik.db"))));
    QVERIFY(!program.readAllStandardError().contains("Could not connect"));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
