#include "startup.h"
#include "mainwindowlogging.h"

#include "apppaths.h"
#include "commondlg.h"
#include "databasealert.h"
#include "databasemanager.h"
#include "globals.h"
#include "mainwindow.h"
#include "messagehandler.h"
#include "programend.h"
#include "resources.h"
#include "settingsfile.h"
#include "shutdownsignals.h"
#include "windowsettings.h"
#include "writebatch.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextCodec>
#include <QThread>

#include <limits>
#include <memory>

namespace {
constexpr qint64 DatabaseWaitMs = 3000;
// The program could not reach its database; 0 stays the refused log-in.
constexpr int DatabaseFailureExitCode = 1;

// The manager opens the connection on a thread of its own; the thread ends
// with the run and takes the manager with it.
QThread* startDatabase()
{
    g_databaseManager = new DatabaseManager;
    auto* databaseThread = new QThread;
    databaseThread->setObjectName(QStringLiteral("DatabaseThread"));
    QObject::connect(databaseThread, &QThread::finished, g_databaseManager, &DatabaseManager::stopped);
    QObject::connect(databaseThread, &QThread::started, g_databaseManager, &DatabaseManager::createConnection);
    g_databaseManager->moveToThread(databaseThread);
    databaseThread->start(QThread::InheritPriority);
    return databaseThread;
}

// Empty once the connection is open; else why it is not.
QString waitForDatabase()
{
    QElapsedTimer waited;
    waited.start();
    while (!g_databaseManager->isOpen()) {
        if (g_databaseManager->hasFailed())
            return g_databaseManager->failure();
        if (waited.elapsed() > DatabaseWaitMs)
            return QApplication::translate("Startup", "It did not open within %1 s.").arg(DatabaseWaitMs / 1000);
        QThread::yieldCurrentThread();
    }
    return QString();
}

// An end by signal shows no window: the rows it could not write are kept
// count of in the settings and told once the next run's window stands.
const QString LostRowsKey = QStringLiteral("LostLogRows");
const QString LostBecauseKey = QStringLiteral("LostLogRowsReason");

void keepLostRowsForNextStart(int rows, const QString& why)
{
    WindowSettings::write([rows, &why](QSettings& settings) {
        const qint64 kept = qMax(0, settings.value(LostRowsKey).toInt()) + qint64(rows);
        settings.setValue(LostRowsKey, int(qMin<qint64>(kept, std::numeric_limits<int>::max())));
        settings.setValue(LostBecauseKey, why);
    });
}

// An end the operator chose told him of its lost rows; the next start says
// nothing more of them.
const QString LostToldKey = QStringLiteral("LostLogRowsTold");

// Whether the run before this one has no closing row in the user-action
// log: an end on a full disk may write nothing at all, not even its count
// of lost rows into setting.ini on the same disk. Read before this run
// writes its own start.
bool lastEndUnwritten()
{
    QSqlQuery query;
    query.prepare(QStringLiteral("select info from logUserAction where subject = ? and info in (?, ?) "
                                 "order by id desc limit 1"));
    const QString start = MainWindow::tr("Application start");
    query.addBindValue(MainWindow::LogSubject);
    query.addBindValue(start);
    query.addBindValue(MainWindow::tr("Application closed"));
    return query.exec() && query.next() && query.value(0).toString() == start;
}

void tellRowsLostBefore(bool endUnwritten)
{
    int rows = 0;
    QString why;
    bool told = false;
    {
        const auto settings = SettingsFile::open();
        rows = SettingsFile::intValue(*settings, LostRowsKey, 0, 0, std::numeric_limits<int>::max());
        why = SettingsFile::textValue(*settings, LostBecauseKey);
        told = SettingsFile::boolValue(*settings, LostToldKey, false);
    }
    if (rows > 0 || (endUnwritten && !told))
        DatabaseAlert::reportRowsLostBefore(rows, why);
    if (rows == 0 && !told)
        return;
    WindowSettings::write([](QSettings& settings) {
        settings.remove(LostRowsKey);
        settings.remove(LostBecauseKey);
        settings.remove(LostToldKey);
    });
}

void stopDatabase(QThread* databaseThread)
{
    databaseThread->quit();
    databaseThread->wait();
    delete g_databaseManager;
    g_databaseManager = nullptr;
    delete databaseThread;
}

} // namespace

int runLumetra(QApplication& app)
{
    initLumetraResources();
    QFont font = QApplication::font();
    font.setPixelSize(11);
    QApplication::setFont(font);
    qInstallMessageHandler(debugMessageHandler);

    QApplication::setApplicationName(QApplication::translate("QApplication", "Brenik Lumetra"));
    QApplication::setOrganizationName(QStringLiteral("Brenik"));
    QApplication::setApplicationVersion(QStringLiteral("1.1.86"));

    ProgramEnd::reset();
    SettingsFile::setSetAsideNotice(&WindowSettings::tellSetAside);
    // A shutdown signal ends the program the orderly way File > Exit does,
    // but asks nothing: nobody may be there to answer. Before the window
    // stands it refuses the log-in page, after it the last message.
    ShutdownSignals shutdownSignals;
    MainWindow* running = nullptr;
    QObject::connect(&shutdownSignals, &ShutdownSignals::received, &app, [&running] {
        ProgramEnd::begin(ProgramEnd::Cause::Signal);
        if (running)
            running->endWithoutAsking();
        else
            QApplication::closeAllWindows();
    });

    QThread* databaseThread = startDatabase();
    const QString failure = waitForDatabase();
    if (!failure.isEmpty()) {
        qCWarning(lcMainWindow) << "Could not connect to DB";
        DatabaseAlert::report(DatabaseAlert::Unopenable,
                              QDir::toNativeSeparators(AppPaths::database()) + QLatin1Char('\n') + failure);
        stopDatabase(databaseThread);
        return DatabaseFailureExitCode;
    }
    // Compacting the file runs beside the log-in and the window, never before.
    if (DatabaseManager::prepareForUse())
        QMetaObject::invokeMethod(g_databaseManager, &DatabaseManager::startUpkeep, Qt::QueuedConnection);
    else
        qCWarning(lcMainWindow) << "Database not prepared for use, no upkeep in this run:" << AppPaths::database();
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF8"));
    const bool endUnwritten = lastEndUnwritten();

    // The logs' writer, its thread and its connection: it writes every row
    // accepted until the window is gone, before any connection closes.
    WriteBatch logRows;
    int lostRows = 0;
    QString lostBecause;
    QObject::connect(&logRows, &WriteBatch::lost, [&lostRows, &lostBecause](int rows, const QString& error) {
        lostRows += rows;
        lostBecause = error;
    });
    int exitCode = 0;
    bool loggedIn = false;
    {
        auto dialog = std::make_unique<CommonDlg>();
        const QString userName = dialog->login();
        loggedIn = dialog->result() == QDialog::Accepted;
        if (loggedIn) {
            g_currentUser = userName;
            MainWindow window;
            // The run ends with the window's end, whatever other window
            // stands (an alarm's confirmation, a message, a dialog).
            QObject::connect(&window, &MainWindow::ending, &app, [] {
                ProgramEnd::begin(ProgramEnd::Cause::Operator);
                QCoreApplication::quit();
            });
            running = &window;
            // A signal taken while the window was made (a project's load
            // lets events through) ends it before it shows.
            if (ProgramEnd::hasBegun()) {
                window.endWithoutAsking();
            } else {
                window.show();
                tellRowsLostBefore(endUnwritten);
                exitCode = app.exec();
            }
            running = nullptr;
        }
    }
    logRows.finish();
    if (lostRows > 0 && !DatabaseAlert::reportLostRows(lostRows, lostBecause))
        keepLostRowsForNextStart(lostRows, lostBecause);
    else if (lostRows > 0)
        WindowSettings::write([](QSettings& settings) { settings.setValue(LostToldKey, true); });
    if (!loggedIn)
        QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false).close();
    stopDatabase(databaseThread);
    return exitCode;
}
