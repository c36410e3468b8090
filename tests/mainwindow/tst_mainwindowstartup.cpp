#include "mainwindow.h"
#include "modalanswerer.h"
#include "operatorclick.h"
#include "scopedhook.h"
#include "sqlrows.h"
#include "startup.h"
#include "testhome.h"
#include "windowsettings.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSettings>
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
    void logInOpensTheWindowAndClosingEndsIt_data();
    void logInOpensTheWindowAndClosingEndsIt();
};

// A setting.ini that cannot be read is kept aside, the operator told once.
void TestMainWindowStartup::logInOpensTheWindowAndClosingEndsIt_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<int>("told");
    QTest::newRow("settings") << QByteArray("[General]\nLoadLastFile=false\nSoundAlarmActive=false\n") << 0;
    QByteArray unreadable(4096, '\0');
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(unreadable.data()), unreadable.size() / 4);
    QTest::newRow("unreadable settings") << unreadable << 1;
}

void TestMainWindowStartup::logInOpensTheWindowAndClosingEndsIt()
{
    QFETCH(QByteArray, settings);
    TestHome home;
    QVERIFY(home.isValid());
    const QString ini = home.filePath(QStringLiteral("setting.ini"));
    {
        QFile file(ini);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(settings);
    }
    QStringList told;
    const ScopedHook notifier(&WindowSettings::setNotifier, [&told](const QString& text) { told << text; });
    {
        auto db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture"));
        db.setDatabaseName(home.filePath(QStringLiteral("brenik.db")));
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec(QStringLiteral("delete from logUserAction")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture"));
    answerNextModal([](QWidget* dialog) {
        QVERIFY(operatorType(dialog->findChild<QLineEdit*>(QStringLiteral("edtUseName")), QStringLiteral("admin")));
        QVERIFY(operatorType(dialog->findChild<QLineEdit*>(QStringLiteral("edtPassword")), QStringLiteral("admin")));
        QVERIFY(operatorClick(dialog->findChild<QPushButton*>(QStringLiteral("btnOK"))));
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
    QTEST(told.filter(QStringLiteral("setting.ini.unreadable")).size(), "told");
    QFile kept(ini + QStringLiteral(".unreadable"));
    QCOMPARE(kept.open(QIODevice::ReadOnly) && kept.readAll() == settings, told.size() == 1);
    QVERIFY(QSettings(ini, QSettings::IniFormat).contains(QStringLiteral("geometry")));
    QVERIFY(windowSeen);
    QVERIFY(!mainWindow());
    QCOMPARE(sqlRows(QStringLiteral("select user || ' ' || info from logUserAction order by id")),
             QStringList({"admin Application start", "admin Application closed"}));
}

QTEST_MAIN(TestMainWindowStartup)
#include "tst_mainwindowstartup.moc"
