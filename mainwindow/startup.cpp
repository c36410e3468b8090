#include "startup.h"
#include "mainwindowlogging.h"

#include "commondlg.h"
#include "databasemanager.h"
#include "globals.h"
#include "mainwindow.h"
#include "messagehandler.h"
#include "resources.h"

#include <QApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextCodec>
#include <QThread>

#include <memory>

namespace {
constexpr qint64 DatabaseWaitMs = 3000;

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

bool waitForDatabase()
{
    QElapsedTimer waited;
    waited.start();
    while (!g_databaseManager->isOpen()) {
        if (waited.elapsed() > DatabaseWaitMs)
            return false;
        QThread::yieldCurrentThread();
    }
    return true;
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

    QThread* databaseThread = startDatabase();
    if (!waitForDatabase()) {
        qCWarning(lcMainWindow) << "Could not connect to DB";
        stopDatabase(databaseThread);
        return 0;
    }
    DatabaseManager::prepareForUse();
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF8"));

    int exitCode = 0;
    {
        auto dialog = std::make_unique<CommonDlg>();
        const QString userName = dialog->login();
        if (dialog->result() == QDialog::Accepted) {
            g_currentUser = userName;
            MainWindow window;
            window.show();
            exitCode = app.exec();
        } else {
            QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false).close();
        }
    }
    stopDatabase(databaseThread);
    return exitCode;
}
