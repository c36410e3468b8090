#include "apppaths.h"
#include "filesizelimit.h"
#include "operatorclick.h"
#include "scopedhook.h"
#include "settingsfile.h"
#include "databasealert.h"
#include "devicestates.h"
#include "logwriter.h"
#include "mainwindow.h"
#include "modalanswerer.h"
#include "nightlycleanup.h"
#include "noonclock.h"
#include "projectdocument.h"
#include "sitetrees.h"
#include "sqlitedisk.h"
#include "sqlrows.h"
#include "startup.h"
#include "testhome.h"
#include "workspacearea.h"
#include "writebatch.h"

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
#include <QScopeGuard>
#include <QTemporaryFile>
#include <QtTest>

#include <optional>
#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

// Makes a file read-only, as mode 0400 makes it for an operator, or writable
// again; root writes past the mode, so the file is made immutable too. True
// once the file is as asked.
static bool setReadOnly(const QString& path, bool on)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY);
    int flags = 0;
    const bool flagged = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    if (on) // the mode stays as it is while the file is immutable
        ::fchmod(fd, 0400);
    if (flagged)
        ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    if (!on)
        ::fchmod(fd, 0600);
    ::close(fd);
    const int writer = ::open(name.constData(), O_WRONLY);
    return (writer < 0) == on && (writer < 0 || ::close(writer) == 0);
}

// Records the windows shown once armed, and closes them for the run to go on.
struct LateWindows : QObject
{
    bool armed = false;
    QStringList shown;
    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(object);
        if (armed && event->type() == QEvent::Show && widget && widget->isWindow()) {
            shown << widget->windowTitle();
            QTimer::singleShot(0, widget, &QWidget::close);
        }
        return false;
    }
};

// Runs the real program binary against private copies of its runtime files.
class TestStartup : public QObject
{
    Q_OBJECT
    // The logs' midnight clean-up would meet a database made read-only.
    const ScopedHook m_noon{&NightlyCleanup::setDefaultClock, &noonOfTheRun};
private slots:
    void initTestCase() { QVERIFY(SqliteDisk::install()); }
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
        QVERIFY(sqlite.waitForFinished(-1) && sqlite.exitCode() == 0);
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
    const ScopedHook notifier(&DatabaseAlert::setNotifier, [&told](const QString& text, bool blocking) {
        if (blocking)
            told.append(text);
    });
    const int exitCode = runLumetra(*qApp);
    QCOMPARE(exitCode, 1);
    QCOMPARE(told.size(), 1);
    QVERIFY2(told.first().contains(database) && told.first().contains(reason), qPrintable(told.first()));
    QCOMPARE(QFileInfo::exists(database), file != DatabaseFile::None);
}

void TestStartup::everyRowIsWrittenAtTheEnd_data()
{
    QTest::addColumn<bool>("bySignal");
    QTest::addColumn<bool>("locked");
    QTest::addColumn<QString>("also"); // what else the end meets
    QTest::newRow("File > Exit") << false << false << "";
    QTest::newRow("File > Exit, another program holds the database for 2 s") << false << true << "";
    QTest::newRow("SIGTERM") << true << false << "";
    QTest::newRow("SIGTERM, alarms up and arriving") << true << false << "alarms";
    QTest::newRow("SIGTERM, a modal dialog up") << true << false << "dialog";
    QTest::newRow("SIGTERM, the project changed") << true << false << "project changed";
    QTest::newRow("SIGTERM, a project never saved changed") << true << false << "never saved, changed";
    QTest::newRow("File > Exit, the disk full") << false << false << "full disk";
    QTest::newRow("SIGTERM, the disk full") << true << false << "full disk";
    QTest::newRow("SIGTERM, the disk full for setting.ini too") << true << false << "full disk, settings too";
    QTest::newRow("File > Exit, the database read-only for a while") << false << false << "read-only";
}

// Ended by File > Exit or a shutdown signal, while another program may hold
// the database for less than the exit wait, alarms come or a dialog is up:
// no window shows once the end has begun, the end and the voltage log's
// check-point the window writes as it goes are in, the window's geometry
// kept, and the writer gone with the run, not with the application object.
// A signal asks nothing: a changed project goes to its copy, not its file.
// Rows a full disk costs are told once, only to an operator who chose the end,
// or once the window of the next run stands. A read-only database is told at
// the first row it refuses, and takes the rows once it may be written. An
// end that kept nothing, not even in setting.ini, is told by the next start.
void TestStartup::everyRowIsWrittenAtTheEnd()
{
    QFETCH(bool, bySignal);
    QFETCH(bool, locked);
    QFETCH(QString, also);
    TestHome home;
    QFile project(home.filePath(QStringLiteral("site.xml")));
    QVERIFY(project.open(QIODevice::WriteOnly) && project.write("<Project><Workplaces><Workplace name=\"W\"><TWSensors "
                                                "enabled=\"1\"><Sensor name=\"S\" enabled=\"1\"/></TWSensors>"
                                                "</Workplace></Workplaces></Project>"));
    project.close();
    QFile settings(AppPaths::settings());
    QVERIFY(home.isValid() && settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
    settings.write("[General]\nLoadLastFile=" + QByteArray(also == "alarms" || also.startsWith("project") ? "true" : "false")
                   + "\nrecentFileList=" + project.fileName().toUtf8() + "\nSoundAlarmActive=false\n"
                   + (also == "full disk" ? "LostLogRows=2\n" : "")); // by an earlier end by signal
    settings.close();
    // A run before ended cleanly: its closing row, not its start, is the last.
    QProcess sqlite;
    sqlite.start(qEnvironmentVariable("LUMETRA_SQLITE3"), {AppPaths::database(), "insert into logUserAction(subject, info) "
                 "values ('Application', 'Application start'), ('Application', 'Application closed');"});
    QVERIFY(sqlite.waitForFinished(-1) && sqlite.exitCode() == 0);
    const auto writable = qScopeGuard([] { setReadOnly(AppPaths::database(), false); });
    QVERIFY(also != "read-only" || setReadOnly(AppPaths::database(), true));
    QStringList told;
    DatabaseAlert::reset();
    const ScopedHook notifier(&DatabaseAlert::setNotifier,
                              [&told](const QString& text, bool box) { told << QString::number(box) + text.section('\n', 0, 0); });
    LateWindows late;
    qApp->installEventFilter(&late);
    const auto logIn = [](QWidget* page) {
        QVERIFY(operatorType(page->findChild<QLineEdit*>(QStringLiteral("edtUseName")), QStringLiteral("admin")));
        QVERIFY(operatorType(page->findChild<QLineEdit*>(QStringLiteral("edtPassword")), QStringLiteral("admin")));
        QVERIFY(operatorClick(page->findChild<QPushButton*>(QStringLiteral("btnOK"))));
    };
    answerNextModal(logIn);
    std::optional<FileSizeLimit> settingsFull;
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
            QVERIFY(holder.waitForReadyRead(-1));
        }
        if (also.endsWith(QLatin1String("changed"))) {
            window->workspaces()->renameWorkspace(0, QStringLiteral("Changed at the end"));
            window->project()->setModified(true);
        }
        if (also == QLatin1String("alarms")) {
            Node* sensor = window->trees()->twSensorRoot()->child(0)->child(0);
            window->deviceStates()->sensorHeartbeat(sensor);
            connect(window, &MainWindow::writeUserActionLog, window, [window, sensor] {
                QTimer::singleShot(0, window, [window, sensor] { window->deviceStates()->sensorHeartbeat(sensor); });
            });
        }
        if (also == QLatin1String("dialog"))
            QTimer::singleShot(0, window, [window] { window->findChild<QAction*>(QStringLiteral("actAbout"))->trigger(); });
        if (also.startsWith(QLatin1String("full disk"))) {
            const ScopedHook stallAlert(WriteBatch::instance(), &WriteBatch::setStallAlertDelay, 0, WriteBatch::StallAlertMs);
            QVERIFY(WriteBatch::instance().commit());
            SqliteDisk::setRoom(AppPaths::database(), 0);
            window->writeUserActionLog(QStringLiteral("Test"), QStringLiteral("a row on a full disk"));
            QTRY_COMPARE(told.size(), also == QLatin1String("full disk") ? 2 : 1);
            if (also.endsWith(QLatin1String("too")))
                settingsFull.emplace(1);
        }
        if (also == QLatin1String("read-only")) {
            QTRY_COMPARE(told.size(), 1);
            QVERIFY(setReadOnly(AppPaths::database(), false));
            QTRY_COMPARE(WriteBatch::instance().pendingRows(), 0);
        }
        QTimer::singleShot(0, window, [window, bySignal, &late] {
            late.armed = true;
            if (bySignal)
                ::kill(::getpid(), SIGTERM);
            else
                window->findChild<QAction*>(QStringLiteral("actExit"))->trigger();
        });
    });
    watcher.start(20);

    const int exitCode = runLumetra(*qApp);
    SqliteDisk::room = -1;
    settingsFull.reset();
    QCOMPARE(exitCode, 0);
    QCOMPARE(late.shown, QStringList());
    QVERIFY(!QSqlDatabase::contains(QLatin1String(LogWriter::OwnConnection)));
    QVERIFY(!locked || (holder.waitForFinished(-1) && holder.readAll().startsWith("held")));
    QSqlQuery rows(QStringLiteral("select (select count(*) from logUserAction where info='Application closed'), "
                                  "(select count(*) from logVoltage where energizer_no=0)"));
    QVERIFY(rows.next());
    QCOMPARE(rows.value(0).toInt() == 2 && rows.value(1).toInt() >= 1, !also.startsWith(QLatin1String("full disk")));
    QCOMPARE(SettingsFile::open()->contains(QStringLiteral("geometry")), !also.endsWith(QLatin1String("too")));
    const QString full = QStringLiteral("The disk that holds the database is full: ");
    const QStringList fullDisk{"02 log rows could not be written to the database when the program last ended and "
                               "are lost.", "0" + full + "the log rows are kept and written as soon as there is room.",
                               "1" + full + "3 log rows could not be written and are lost."};
    const QStringList readOnly{"0The database cannot be written: its file is read-only. The log rows are kept and "
                               "written as soon as it can be written."};
    QCOMPARE(told, also == "full disk" ? QStringList(fullDisk.mid(0, bySignal ? 2 : 3)) : also == "read-only" ? readOnly
                   : also.endsWith("too") ? QStringList(fullDisk.mid(1, 1)) : QStringList());
    QCOMPARE(SettingsFile::open()->value(QStringLiteral("LostLogRows")).toInt(), bySignal && also == "full disk" ? 3 : 0);
    const QString copy = home.filePath(QLatin1String(also.startsWith("project") ? "site.unsaved.xml" : "unsaved.xml"));
    QFile copyFile(copy);
    QCOMPARE(copyFile.open(QIODevice::ReadOnly) && copyFile.readAll().contains("\"Changed at the end\""), also.endsWith("changed"));
    QVERIFY(project.open(QIODevice::ReadOnly) && !project.readAll().contains("Changed"));
    QCOMPARE(sqlRows(QStringLiteral("select info from logUserAction where info like 'Unsaved%'")),
             also.endsWith("changed") ? QStringList{QStringLiteral("Unsaved changes written to ") + copy} : QStringList());
    if (!also.startsWith("full disk"))
        return;
    // The next start, given room, tells what the end lost on screen and in
    // the log, unless the operator chose the end and was told then.
    const QString lost = also.endsWith("too") ? "Log rows could not be written to the database when the program last "
                                                "ended, its closing row among them, and are lost."
                                              : "3" + fullDisk.first().mid(2);
    told.clear();
    DatabaseAlert::reset(); // as a new process
    also.clear();
    late.armed = false;
    answerNextModal(logIn);
    watcher.start(20);
    QTemporaryFile log;
    const int stderrWas = ::dup(2);
    QVERIFY(log.open() && ::dup2(log.handle(), 2) == 2);
    QCOMPARE(runLumetra(*qApp), 0);
    ::dup2(stderrWas, 2);
    ::close(stderrWas);
    QCOMPARE(told, bySignal ? QStringList{"0" + lost} : QStringList());
    QVERIFY(log.reset() && log.readAll().contains(lost.toUtf8()) == bySignal);
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
    QVERIFY(program.waitForStarted(-1));

    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(database + QStringLiteral("-shm")), 15000);
    QVERIFY(program.state() == QProcess::Running); // waiting at the log-in page
    program.kill();
    program.waitForFinished(-1);
    QVERIFY(!QFileInfo::exists(elsewhere.filePath(QStringLiteral("brenik.db"))));
    QVERIFY(!program.readAllStandardError().contains("Could not connect"));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
