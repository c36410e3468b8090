#include "mainwindow.h"
#include "modalanswerer.h"
#include "sqlrows.h"
#include "startup.h"
#include "testhome.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>
#include <QtTest>

// The program's own start: the log-in page typed into, the window, and its
// end, through the function main() runs. Also keeps a picture of the window
// as it comes up, for a look by eye.
class TestMainWindowStartup : public QObject
{
    Q_OBJECT
private slots:
    void logInOpensTheWindowAndClosingEndsIt();
};

void TestMainWindowStartup::logInOpensTheWindowAndClosingEndsIt()
{
    TestHome home;
    QVERIFY(home.isValid());
    {
        QFile settings(home.filePath(QStringLiteral("setting.ini")));
        QVERIFY(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
        settings.write("[General]\nLoadLastFile=false\nSoundAlarmActive=false\n");
    }
    {
        auto db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture"));
        db.setDatabaseName(home.filePath(QStringLiteral("brenik.db")));
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec(QStringLiteral("delete from logUserAction")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture"));
    answerNextModal([](QWidget* dialog) {
        QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("edtUseName")), QStringLiteral("admin"));
        QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("edtPassword")), QStringLiteral("admin"));
        dialog->findChild<QPushButton*>(QStringLiteral("btnOK"))->click();
    });
    const auto mainWindow = [] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<MainWindow*>(widget))
                return window;
        }
        return static_cast<MainWindow*>(nullptr);
    };
    bool windowSeen = false;
    QTimer watcher;
    watcher.setInterval(20);
    connect(&watcher, &QTimer::timeout, this, [&] {
        MainWindow* window = mainWindow();
        if (!window || !window->isVisible())
            return;
        watcher.stop();
        windowSeen = true;
        window->showNormal();
        window->resize(1600, 1000);
        QCoreApplication::processEvents();
        const QString artifacts = QStringLiteral(LUMETRA_ARTIFACTS_DIR);
        QDir().mkpath(artifacts);
        window->grab().save(artifacts + QStringLiteral("/mainwindow.png"));
        // Closed as the operator would: from the event loop, not from inside this check.
        QTimer::singleShot(0, window, &QWidget::close);
    });
    watcher.start();

    QCOMPARE(runLumetra(*qApp), 0);
    QVERIFY(windowSeen);
    QVERIFY(!mainWindow());
    QCOMPARE(sqlRows(QStringLiteral("select user || ' ' || info from logUserAction order by id")),
             QStringList({"admin Application start", "admin Application closed"}));
}

QTEST_MAIN(TestMainWindowStartup)
#include "tst_mainwindowstartup.moc"
