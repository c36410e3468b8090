#include "apppaths.h"
#include "settingsfile.h"
#include "databasealert.h"
#include "logwriter.h"
#include "mainwindow.h"
#include "modalanswerer.h"
#include "startup.h"
#include "testhome.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include <csignal>
#include <unistd.h>

// Runs the real program binary against private copies of its runtime files.
class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void databaseThatCannotOpenIsNamedAndFails_data();
    void databaseThatCannotOpenIsNamedAndFails();
    void everyRowIsWrittenAtTheEnd_data();
    void everyRowIsWrittenAtTheEnd();
    void opensTheDatabaseBesideTheProgram();
};

enum class DatabaseFile { Directory, RandomBytes, Empty, OtherTables, None };
Q_DECLARE_METATYPE(DatabaseFile)

void TestStartup::databaseThatCannotOpenIsNamedAndFails_data()
{
    QTest::addColumn<DatabaseFile>("file");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a directory") << DatabaseFile::Directory << QStringLiteral("unable to open");
    QTest::newRow("random bytes") << DatabaseFile::RandomBytes << QStringLiteral("file is not a database");
    const QString noTables = QStringLiteral("tables: users, rights, logAlarm, logUserAction, logVoltage");
    QTest::newRow("empty") << DatabaseFile::Empty << noTables;
    QTest::newRow("another program's database") << DatabaseFile::OtherTables << noTables;
    QTest::newRow("none") << DatabaseFile::None << QStringLiteral("does not exist");
}

// A database that cannot be opened, is not one or lacks the program's
// tables is named to the operator with the reason before the log-in page,
// and the program ends with a failure status.
void TestStartup::databaseThatCannotOpenIsNamedAndFails()
{
    QFETCH(DatabaseFile, file);
    QFETCH(QString, reason);
    TestHome home;
    QVERIFY(home.isValid());
    const QString database = home.filePath(QStringLiteral("brenik.db"));
    QVERIFY(QFile::remove(database));
    if (file == DatabaseFile::Directory) {
        QVERIFY(QDir(home.path()).mkdir(QStringLiteral("brenik.db")));
    } else if (file == DatabaseFile::OtherTables) {
        QProcess sqlite;
        sqlite.start(qEnvironmentVariable("LUMETRA_SQLITE3"), {database, QStringLiteral("create table notes(text);")});
        QVERIFY(sqlite.waitForFinished(10000) && sqlite.exitCode() == 0);
    } else if (file != DatabaseFile::None) {
        QFile bytes(database);
        QVERIFY(bytes.open(QIODevice::WriteOnly));
        bytes.write(file == DatabaseFile::RandomBytes ? QByteArray(4096, '\x5a') : QByteArray());
    }
    QTimer refuser; // the page, should it come up all the same
    connect(&refuser, &QTimer::timeout, [] { QApplication::activeModalWidget() && QApplication::activeModalWidget()->close(); });
    refuser.start(100);

    QStringList told;
    DatabaseAlert::reset();
    DatabaseAlert::setNotifier([&told](const QString& text, bool blocking) {
        if (blocking)
            told.append(text);
    });
    const int exitCode = runLumetra(*qApp);
    DatabaseAlert::setNotifier({});
    QCOMPARE(exitCode, 1);
    QCOMPARE(told.size(), 1);
    QVERIFY2(told.first().contains(database) && told.first().contains(reason), qPrintable(told.first()));
    QCOMPARE(QFileInfo::exists(database), file != DatabaseFile::None);
}

void TestStartup::everyRowIsWrittenAtTheEnd_data()
{
    QTest::addColumn<bool>("bySignal");
    QTest::addColumn<bool>("locked");
    QTest::newRow("File > Exit") << false << false;
    QTest::newRow("File > Exit, another program holds the database for 2 s") << false << true;
    QTest::newRow("SIGTERM") << true << false;
}

// Ended by File > Exit or a shutdown signal, while another program may hold
// the database for less than the exit wait: the end and the voltage log's
// check-point the window writes as it goes are in, the window's geometry
// kept, and the writer gone with the run, not with the application object.
void TestStartup::everyRowIsWrittenAtTheEnd()
{
    QFETCH(bool, bySignal);
    QFETCH(bool, locked);
    TestHome home;
    QFile settings(AppPaths::settings());
    QVERIFY(home.isValid() && settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
    settings.write("[General]\nLoadLastFile=false\nSoundAlarmActive=false\n");
    settings.close();
    answerNextModal([](QWidget* page) {
        QTest::keyClicks(page->findChild<QLineEdit*>(QStringLiteral("edtUseName")), QStringLiteral("admin"));
        QTest::keyClicks(page->findChild<QLineEdit*>(QStringLiteral("edtPassword")), QStringLiteral("admin"));
        page->findChild<QPushButton*>(QStringLiteral("btnOK"))->click();
    });
    QProcess holder;
    QTimer watcher;
    connect(&watcher, &QTimer::timeout, this, [&] {
        auto* window = qobject_cast<MainWindow*>(QApplication::activeWindow());
        if (!window || !window->isVisible())
            return;
        watcher.stop();
        if (locked) {
            holder.start(qEnvironmentVariable("LUMETRA_SQLITE3"), {AppPaths::database()});
            holder.write("BEGIN EXCLUSIVE;\n.print held\n.shell sleep 2\nROLLBACK;\n");
            holder.closeWriteChannel();
            QVERIFY(holder.waitForReadyRead(10000));
        }
        QTimer::singleShot(0, window, [window, bySignal] {
            if (bySignal)
                ::kill(::getpid(), SIGTERM);
            else
                window->findChild<QAction*>(QStringLiteral("actExit"))->trigger();
        });
    });
    watcher.start(20);

    QCOMPARE(runLumetra(*qApp), 0);
    QVERIFY(!QSqlDatabase::contains(QLatin1String(LogWriter::OwnConnection)));
    QVERIFY(!locked || (holder.waitForFinished(10000) && holder.readAll().startsWith("held")));
    QSqlQuery rows(QStringLiteral("select (select count(*) from logUserAction where info='Application closed'), "
                                  "(select count(*) from logVoltage where energizer_no=0)"));
    QVERIFY(rows.next());
    QCOMPARE(rows.value(0).toInt() * 10 + rows.value(1).toInt(), 11);
    QVERIFY(SettingsFile::open()->contains(QStringLiteral("geometry")));
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
