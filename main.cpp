#include "commondlg.h"
#include "databasemanager.h"
#include "globals.h"
#include "mainwindow.h"
#include "messagehandler.h"
#include "resources.h"

#include <QApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QTextCodec>
#include <QThread>

#include <memory>

namespace {
constexpr qint64 kDatabaseWaitMs = 3000;
}

int main(int argc, char** argv)
{
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    auto app = std::make_unique<QApplication>(argc, argv);
    initLumetraResources();

    QFont font = QApplication::font();
    font.setPixelSize(11);
    QApplication::setFont(font);

    qInstallMessageHandler(debugMessageHandler);

    QApplication::setApplicationName(QApplication::translate("QApplication", "Brenik Lumetra"));
    QApplication::setOrganizationName(QStringLiteral("Brenik"));
    QApplication::setApplicationVersion(QStringLiteral("1.1.86"));

    // The manager and its thread live until the process ends.
    g_databaseManager = new DatabaseManager;
    auto* databaseThread = new QThread;
    databaseThread->setObjectName(QStringLiteral("DatabaseThread"));
    QObject::connect(databaseThread, &QThread::finished, databaseThread, &QObject::deleteLater);
    QObject::connect(databaseThread, &QThread::finished, g_databaseManager, &QObject::deleteLater);
    QObject::connect(databaseThread, &QThread::finished, g_databaseManager, &DatabaseManager::stopped);
    QObject::connect(databaseThread, &QThread::started, g_databaseManager, &DatabaseManager::createConnection);
    g_databaseManager->moveToThread(databaseThread);
    databaseThread->start(QThread::InheritPriority);

    QElapsedTimer waited;
    waited.start();
    while (!g_databaseManager->isOpen()) {
        if (waited.elapsed() > kDatabaseWaitMs) {
            qDebug() << "Could not connect to DB";
            return 0;
        }
        QThread::yieldCurrentThread();
    }

    DatabaseManager::prepareForUse();

    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF8"));

    int exitCode = 0;
    auto dialog = std::make_unique<CommonDlg>();
    const QString userName = dialog->login();
    if (dialog->result() == QDialog::Accepted) {
        g_currentUser = userName;
        MainWindow window;
        window.show();
        exitCode = app->exec();
    } else {
        QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false).close();
    }

    dialog.reset();
    app.reset();
    return exitCode;
}
