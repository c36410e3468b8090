#include "testhome.h"

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
    void databaseThatCannotOpenEndsWithZero();
    void opensTheDatabaseBesideTheProgram();
};

void TestStartup::databaseThatCannotOpenEndsWithZero()
{
    TestHome home;
    QVERIFY(home.isValid());
    QVERIFY(QFile::remove(home.filePath(QStringLiteral("brenik.db"))));
    QVERIFY(QDir(home.path()).mkdir(QStringLiteral("brenik.db")));

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LUMETRA_HOME"), home.path());
    program.setProcessEnvironment(env);
    program.start(TestHome::programBinary(), {});
    QVERIFY2(program.waitForFinished(20000), "the program did not end on its own");
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    const QByteArray err = program.readAllStandardError();
    QVERIFY2(err.contains("Could not connect to DB\n"), err.constData());
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

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
