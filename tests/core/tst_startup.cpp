#include "apppaths.h"
#include "settingsfile.h"
#include "databasealert.h"
#include "logwriter.h"
#include "mainwindow.h"
#include "fulldisk.h"
#include "messagecatcher.h"
#include "modalanswerer.h"
#include "writebatch.h"
#include "sitetrees.h"
#include "devicestates.h"
#include "node.h"
#include "projectdocument.h"
#include "sqlrows.h"
#include "workspacearea.h"
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
    void initTestCase() { QVERIFY(FullDisk::install()); }
    void databaseThatCannotOpenIsNamedAndFails_data();
    void databaseThatCannotOpenIsNamedAndFails();
    void everyRowIsWrittenAtTheEnd_data();
    void everyRowIsWrittenAtTheEnd();
    void aFullDiskIsToldOnce_data();
    void aFullDiskIsToldOnce();
    void opensTheDatabaseBesideTheProgram();
};

void TestStartup::databaseThatCannotOpenIsNamedAndFails_data()
{
    QTest::addColumn<bool>("directory");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a directory") << true << QStringLiteral("unable to open");
    QTest::newRow("random bytes") << false << QStringLiteral("file is not a database");
}

// A database that cannot be opened, or is not one, is named to the operator
// with the reason before the log-in page, and the program ends with a
// failure status.
void TestStartup::databaseThatCannotOpenIsNamedAndFails()
{
    QFETCH(bool, directory);
    QFETCH(QString, reason);
    TestHome home;
    QVERIFY(home.isValid());
    const QString database = home.filePath(QStringLiteral("brenik.db"));
    QVERIFY(QFile::remove(database));
    if (directory) {
        QVERIFY(QDir(home.path()).mkdir(QStringLiteral("brenik.db")));
    } else {
        QFile file(database);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, '\x5a'));
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
}

// Records the windows shown once armed and closes each, so that a run
// that would wait on one goes on to its end.
class LateWindows : public QObject
{
public:
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

// Logs in, runs `atWindow` once the window stands, then ends the run by
// File > Exit or SIGTERM. Gives the windows shown after the end began; a
// run still going 20 s later is ended and says so.
QStringList runAndEnd(bool bySignal, const std::function<void(MainWindow*)>& atWindow)
{
    answerNextModal([](QWidget* page) {
        QTest::keyClicks(page->findChild<QLineEdit*>(QStringLiteral("edtUseName")), QStringLiteral("admin"));
        QTest::keyClicks(page->findChild<QLineEdit*>(QStringLiteral("edtPassword")), QStringLiteral("admin"));
        page->findChild<QPushButton*>(QStringLiteral("btnOK"))->click();
    });
    LateWindows late;
    qApp->installEventFilter(&late);
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* window = qobject_cast<MainWindow*>(QApplication::activeWindow());
        if (!window || !window->isVisible())
            return;
        watcher.stop();
        atWindow(window);
        QTimer::singleShot(0, window, [window, bySignal, &late] {
            late.armed = true;
            if (bySignal)
                ::kill(::getpid(), SIGTERM);
            else
                window->findChild<QAction*>(QStringLiteral("actExit"))->trigger();
            QTimer::singleShot(20000, qApp, [&late] {
                late.shown << QStringLiteral("still running");
                QApplication::closeAllWindows();
                QCoreApplication::quit();
            });
        });
    });
    watcher.start(20);
    const int exitCode = runLumetra(*qApp);
    qApp->removeEventFilter(&late);
    return exitCode == 0 ? late.shown : late.shown << QStringLiteral("exit code %1").arg(exitCode);
}

void TestStartup::everyRowIsWrittenAtTheEnd_data()
{
    QTest::addColumn<bool>("bySignal");
    QTest::addColumn<bool>("locked");
    QTest::addColumn<bool>("opened");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<bool>("alarms");
    QTest::addColumn<bool>("dialog");
    QTest::newRow("File > Exit") << false << false << false << false << false << false;
    QTest::newRow("File > Exit, another program holds the database for 2 s") << false << true << false << false << false << false;
    QTest::newRow("File > Exit, alarms up and arriving") << false << false << true << false << true << false;
    QTest::newRow("SIGTERM") << true << false << false << false << false << false;
    QTest::newRow("SIGTERM, alarms up and arriving") << true << false << true << false << true << false;
    QTest::newRow("SIGTERM, a modal dialog up") << true << false << false << false << false << true;
    QTest::newRow("SIGTERM, the project changed") << true << false << true << true << false << false;
    QTest::newRow("SIGTERM, a project never saved changed") << true << false << false << true << false << false;
}

// Ended by File > Exit or a shutdown signal, while another program may hold
// the database for less than the exit wait, or alarms keep coming: the end,
// and the voltage log's check-point the window writes as it goes, are in,
// the window's geometry kept, no window shown once the end began, and the
// writer gone with the run, not with the application object. A signal asks
// nothing: a changed project goes to its copy, the file stays as it was.
void TestStartup::everyRowIsWrittenAtTheEnd()
{
    QFETCH(bool, bySignal);
    QFETCH(bool, locked);
    QFETCH(bool, opened);
    QFETCH(bool, changed);
    QFETCH(bool, alarms);
    QFETCH(bool, dialog);
    TestHome home;
    const QString project = home.filePath(QStringLiteral("site.xml"));
    QFile file(project);
    QVERIFY(home.isValid() && file.open(QIODevice::WriteOnly));
    file.write("<Project><Workplaces><Workplace name=\"W\"><TWSensors IP=\"\" enabled=\"1\"><Sensor name=\"S1\" "
               "enabled=\"1\"/></TWSensors></Workplace></Workplaces></Project>\n");
    file.close();
    QFile settings(AppPaths::settings());
    QVERIFY(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
    settings.write("[General]\nSoundAlarmActive=false\nLoadLastFile=" + QByteArray(opened ? "true" : "false")
                   + "\nrecentFileList=" + project.toUtf8() + "\n");
    settings.close();
    QProcess holder;
    const QStringList late = runAndEnd(bySignal, [&](MainWindow* window) {
        if (locked) {
            holder.start(qEnvironmentVariable("LUMETRA_SQLITE3"), {AppPaths::database()});
            holder.write("BEGIN EXCLUSIVE;\n.print held\n.shell sleep 2\nROLLBACK;\n");
            holder.closeWriteChannel();
            QVERIFY(holder.waitForReadyRead(10000));
        }
        if (changed) {
            window->workspaces()->renameWorkspace(0, QStringLiteral("Changed at the end"));
            window->project()->setModified(true);
        }
        if (dialog)
            QTimer::singleShot(0, window, [window] { window->findChild<QAction*>(QStringLiteral("actAbout"))->trigger(); });
        if (alarms) {
            Node* sensor = window->trees()->twSensorRoot()->child(0)->child(0);
            window->deviceStates()->sensorHeartbeat(sensor);
            QObject::connect(window, &MainWindow::writeUserActionLog, window, [window, sensor] {
                QMetaObject::invokeMethod(window->deviceStates(), [window, sensor] {
                    window->deviceStates()->sensorHeartbeat(sensor);
                }, Qt::QueuedConnection);
            });
        }
    });
    QCOMPARE(late, QStringList());
    QVERIFY(!QSqlDatabase::contains(QLatin1String(LogWriter::OwnConnection)));
    QVERIFY(!locked || (holder.waitForFinished(10000) && holder.readAll().startsWith("held")));
    QSqlQuery rows(QStringLiteral("select (select count(*) from logUserAction where info='Application closed'), "
                                  "(select count(*) from logVoltage where energizer_no=0)"));
    QVERIFY(rows.next());
    QVERIFY(rows.value(0).toInt() == 1 && rows.value(1).toInt() >= 1);
    QVERIFY(SettingsFile::open()->contains(QStringLiteral("geometry")));
    const QString copy = home.filePath(QLatin1String(opened ? "site.unsaved.xml" : "unsaved.xml"));
    QFile copyFile(copy);
    QCOMPARE(copyFile.open(QIODevice::ReadOnly) && copyFile.readAll().contains("\"Changed at the end\""), changed);
    QVERIFY(file.open(QIODevice::ReadOnly) && !file.readAll().contains("Changed"));
    QCOMPARE(sqlRows(QStringLiteral("select info from logUserAction where info like 'Unsaved%'")),
             changed ? QStringList{QStringLiteral("Unsaved changes written to ") + copy} : QStringList());
}

void TestStartup::aFullDiskIsToldOnce_data()
{
    QTest::addColumn<bool>("bySignal");
    QTest::newRow("File > Exit") << false;
    QTest::newRow("SIGTERM") << true;
}

// The disk fills while the program runs: the operator is told so, as such,
// and at an end he chose how many rows it lost, in the one box the end
// waits on. An end by signal waits on none and only logs them.
void TestStartup::aFullDiskIsToldOnce()
{
    QFETCH(bool, bySignal);
    TestHome home;
    QVERIFY(home.isValid() && SettingsFile::setValue(QStringLiteral("LoadLastFile"), false));
    QStringList told;
    DatabaseAlert::reset();
    DatabaseAlert::setNotifier([&told](const QString& text, bool blocking) {
        told << QLatin1String(blocking ? "box: " : "note: ") + text.section(QLatin1Char('\n'), 0, 0);
    });
    std::optional<MessageCatcher> catcher; // behind the program's own handler
    const QStringList late = runAndEnd(bySignal, [&told, &catcher](MainWindow* window) {
        catcher.emplace();
        WriteBatch::instance().setStallAlertDelay(0);
        QVERIFY(WriteBatch::instance().commit());
        FullDisk::setFull(true);
        window->writeUserActionLog(QStringLiteral("Test"), QStringLiteral("a row on a full disk"));
        QTRY_COMPARE(told.size(), 1);
    });
    FullDisk::setFull(false);
    DatabaseAlert::setNotifier({});
    QCOMPARE(late, QStringList());
    const QString disk = QStringLiteral("The disk that holds the database is full: ");
    QStringList expected{QStringLiteral("note: ") + disk + QStringLiteral("the log rows are kept and written as soon as there is room.")};
    if (!bySignal)
        expected << QStringLiteral("box: ") + disk + QStringLiteral("3 log rows could not be written and are lost.");
    QCOMPARE(told, expected);
    QVERIFY(catcher->contains(QStringLiteral("3 log rows could not be written and are lost")));
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
