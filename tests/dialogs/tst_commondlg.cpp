#include "commondlg.h"
#include "databasealert.h"
#include "messagecatcher.h"
#include "modalanswerer.h"
#include "node.h"
#include "operatorclick.h"
#include "placebeside.h"
#include "resources.h"
#include "scopedhook.h"
#include "sitemutex.h"
#include "testhome.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <QPushButton>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QTableWidget>
#include <QWindow>
#include <QtTest>

#include <atomic>
#include <dlfcn.h>
#include <thread>

// The windows raised, the latest last: the offscreen window system stacks nothing, so the last raised is in front.
static QList<const QWindow*> g_raised;

// Every raise: a window's own (QWidget::raise ends here too) and one it asks of another.
void QWindow::raise()
{
    static const auto next = reinterpret_cast<void (*)(QWindow*)>(dlsym(RTLD_NEXT, "_ZN7QWindow5raiseEv"));
    g_raised.append(this);
    next(this);
}

class TestCommonDlg : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void credentials_data();
    void credentials();
    void loginPageAcceptsAndRefuses_data();
    void loginPageAcceptsAndRefuses();
    void cancelLeavesRejected();
    void unreadableDatabaseIsToldOnce();
    void missingTableIsLoggedAsSuch();
    void returnSubmitsOnlyFromPassword();
    void pagesCarryTheirWidgets();
    void alarmLineIsOneHeartbeat();
    void newestAlarmInView();
    void placedBesideAWindow();
    void alarmDuringAQuestionStandsBesideIt();

private:
    void addUser(const QString& name, const QString& password, int active);
    std::unique_ptr<TestHome> m_home;
};

void TestCommonDlg::initTestCase()
{
    initLumetraResources();
    QCoreApplication::setApplicationName(QStringLiteral("Brenik Lumetra"));
    m_home = std::make_unique<TestHome>();
    QVERIFY(m_home->isValid());
    QVERIFY(m_home->openDatabase());
    addUser(QStringLiteral("o'brien"), QStringLiteral("pw"), 1);
    addUser(QStringLiteral("retired"), QStringLiteral("pw"), 0);
    addUser(QStringLiteral("questions"), QStringLiteral("??"), 1);
    addUser(QString::fromUtf8("Иван"), QStringLiteral("pw"), 1);
}

void TestCommonDlg::cleanupTestCase()
{
    m_home.reset();
}

void TestCommonDlg::addUser(const QString& name, const QString& password, int active)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("insert into users (user, password, active, role_text, role_id) values (?, ?, ?, 'Operator', 2)"));
    query.addBindValue(name);
    query.addBindValue(CommonDlg::passwordDigest(password));
    query.addBindValue(active);
    QVERIFY(query.exec());
}

void TestCommonDlg::credentials_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("admin") << "admin" << "admin" << true;
    QTest::newRow("wrong password") << "admin" << "Admin" << false;
    QTest::newRow("injection") << "admin' --" << "x" << false;
    QTest::newRow("or-true") << "x' or '1'='1" << "x' or '1'='1" << false;
    QTest::newRow("quote in a real name") << "o'brien" << "pw" << true;
    QTest::newRow("inactive account") << "retired" << "pw" << false;
    QTest::newRow("unknown") << "nobody" << "admin" << false;
    QTest::newRow("empty") << "" << "" << false;
    QTest::newRow("Latin-1 password") << "questions" << "??" << true;
    QTest::newRow("Cyrillic is not ??") << "questions" << QString::fromUtf8("жж") << false;
    QTest::newRow("Cyrillic name") << QString::fromUtf8("qu\u0435stions") << "??" << false;
    QTest::newRow("Cyrillic account") << QString::fromUtf8("Иван") << "pw" << true;
}

void TestCommonDlg::credentials()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, accepted);
    MessageCatcher catcher;
    QCOMPARE(CommonDlg::checkCredentials(user, password), accepted);
    QVERIFY2(catcher.messages().isEmpty(), qPrintable(catcher.messages().join('\n')));
}

void TestCommonDlg::missingTableIsLoggedAsSuch()
{
    {
        TestHome empty;
        QVERIFY(QFile::resize(empty.filePath(QStringLiteral("brenik.db")), 0));
        QVERIFY(empty.openDatabase());
        MessageCatcher catcher;
        DatabaseAlert::reset();
        const ScopedHook notifier(&DatabaseAlert::setNotifier, [](const QString&, bool) {});
        QVERIFY(!CommonDlg::checkCredentials(QStringLiteral("admin"), QStringLiteral("admin")));
        QVERIFY2(catcher.contains(QStringLiteral("no such table: users")), qPrintable(catcher.messages().join('\n')));
    }
    QVERIFY(m_home->openDatabase());
}

void TestCommonDlg::loginPageAcceptsAndRefuses_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("admin") << "admin" << "admin" << true;
    QTest::newRow("wrong") << "admin" << "nope" << false;
}

void TestCommonDlg::loginPageAcceptsAndRefuses()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, accepted);

    CommonDlg dialog;
    QString title;
    answerNextModal([&](QWidget* modal) {
        title = modal->windowTitle();
        modal->findChild<QLineEdit*>(QStringLiteral("edtUseName"))->setText(user);
        modal->findChild<QLineEdit*>(QStringLiteral("edtPassword"))->setText(password);
        QVERIFY(operatorClick(modal->findChild<QPushButton*>(QStringLiteral("btnOK"))));
    });
    const QString name = dialog.login();
    QCOMPARE(title, QStringLiteral("Brenik Lumetra"));
    QCOMPARE(dialog.result() == QDialog::Accepted, accepted);
    QCOMPARE(name, accepted ? user : QString());
}

void TestCommonDlg::cancelLeavesRejected()
{
    CommonDlg dialog;
    answerNextModal([](QWidget* modal) {
        QVERIFY(operatorClick(modal->findChild<QPushButton*>(QStringLiteral("btnCancel"))));
    });
    QVERIFY(dialog.login().isEmpty());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

void TestCommonDlg::returnSubmitsOnlyFromPassword()
{
    CommonDlg dialog;
    bool stillOpenAfterEscapeAndReturnInName = false;
    answerNextModal([&](QWidget* modal) {
        auto* name = modal->findChild<QLineEdit*>(QStringLiteral("edtUseName"));
        auto* password = modal->findChild<QLineEdit*>(QStringLiteral("edtPassword"));
        name->setText(QStringLiteral("admin"));
        password->setText(QStringLiteral("admin"));
        name->setFocus();
        QVERIFY(operatorKey(name, Qt::Key_Escape));
        QVERIFY(operatorKey(name, Qt::Key_Return));
        stillOpenAfterEscapeAndReturnInName = modal->isVisible();
        password->setFocus();
        QVERIFY(operatorKey(password, Qt::Key_Return));
    });
    QCOMPARE(dialog.login(), QStringLiteral("admin"));
    QVERIFY(stillOpenAfterEscapeAndReturnInName);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

// Every page in its place, with the widgets callers find by name.
void TestCommonDlg::pagesCarryTheirWidgets()
{
    const QStringList pages = {
        "page edtUser edtPass1 edtPass2 chkActiveUser cbRole", "page_2 edtUseName edtPassword",
        "page_3 treeTarget listAction", "page_4 treeView",
        "page_5 edtWorkspaceCaption edtFileName btnSelectImage rbWmode0 rbWmode1 rbWmode2",
        "page_6 alarmTable chkSoundOn", "page_7 chkF1On chkF1Hi",
        "page_8 edtTaskName tpFrom tpTo chckMon chckSun chkActive edtKX4 edtCardNo edtCardName btnSelectCard spnRelayNo",
        "page_9"};
    CommonDlg dialog;
    auto* stack = dialog.findChild<QStackedWidget*>(QStringLiteral("stackedWidget"));
    for (int index = 0; index < pages.size(); ++index) {
        const QStringList names = pages[index].split(' ');
        QCOMPARE(stack->widget(index)->objectName(), names.first());
        for (const QString& name : names.mid(1))
            QVERIFY2(stack->widget(index)->findChild<QWidget*>(name), qPrintable(name));
    }
    // Nobody behind the operator reads a password as it is typed.
    for (const char* name : {"edtPassword", "edtPass1", "edtPass2"})
        QCOMPARE(dialog.findChild<QLineEdit*>(QLatin1String(name))->echoMode(), QLineEdit::Password);
}

// A unit rewrites a row heartbeat after heartbeat, status and flags under
// one lock: no confirmation line shows the status of one with the flags of another.
void TestCommonDlg::alarmLineIsOneHeartbeat()
{
    Node root;
    auto* row = new Node(QStringLiteral("E1"), &root);
    row->columns.resize(Node::kStatusColumn + 1);
    row->flagText = QStringLiteral("Fence1On");
    row->deviceNode = new Node(QStringLiteral("E1"), &root);
    row->deviceNode->type = Node::Energizer;
    std::atomic<bool> stop{false};
    std::thread unit([&] {
        for (int beat = 0; !stop; ++beat) {
            SiteLocker lock;
            row->setData(Node::kStatusColumn, beat % 2 ? Node::Critical : Node::OK);
            row->flagText = beat % 2 ? QStringLiteral("FenceAlarm1") : QStringLiteral("Fence1On");
        }
    });
    const QRegularExpression oneHeartbeat(QStringLiteral("(Critical FenceAlarm1|OK Fence1On)$"));
    int torn = 0;
    for (int i = 0; i < 20000; ++i)
        torn += !CommonDlg::alarmLine(row).contains(oneHeartbeat);
    stop = true;
    unit.join();
    QCOMPARE(torn, 0);
}

void TestCommonDlg::newestAlarmInView()
{
    CommonDlg dialog;
    Node sensor(QStringLiteral("S"));
    sensor.type = Node::TWSensor;
    for (int n = 0; n < 40; ++n) {
        sensor.setData(0, QString::number(n));
        dialog.showAlarmConfirm(&sensor);
    }
    auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("alarmTable"));
    QVERIFY(table->viewport()->rect().contains(table->visualItemRect(table->item(39, 0))));
}

// A damaged file fails the log-in like a wrong password, but the operator
// is told why, once, and the SQL error is logged.
void TestCommonDlg::unreadableDatabaseIsToldOnce()
{
    QStringList told;
    DatabaseAlert::reset();
    const ScopedHook notifier(&DatabaseAlert::setNotifier, [&told](const QString& text, bool) { told.append(text); });
    MessageCatcher catcher;
    {
        TestHome home;
        QFile file(home.filePath(QStringLiteral("brenik.db")));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(QByteArray(4096, 'x')), 4096);
        file.close();
        QVERIFY(home.openDatabase());
        QVERIFY(!CommonDlg::checkCredentials(QStringLiteral("admin"), QStringLiteral("admin")));
        QVERIFY(!CommonDlg::checkCredentials(QStringLiteral("admin"), QStringLiteral("admin")));
    }
    QCOMPARE(told.size(), 1);
    QVERIFY(told.first().contains(QStringLiteral("cannot be read")));
    QVERIFY(catcher.contains(QStringLiteral("not a database")));
    QVERIFY(m_home->openDatabase());
}

// The confirmation moves beside the dialog it answers over, or where it covers the least of it.
void TestCommonDlg::placedBesideAWindow()
{
    QCOMPARE(placeBeside(QRect(0, 0, 1920, 1080), QRect(660, 300, 600, 400), QRect(660, 340, 604, 412)), QPoint(1260, 340));
    QCOMPARE(placeBeside(QRect(0, 0, 1380, 800), QRect(400, 100, 580, 200), QRect(390, 120, 604, 412)), QPoint(390, 300));
    QCOMPARE(placeBeside(QRect(0, 0, 1380, 800), QRect(370, 255, 640, 289), QRect(395, 235, 600, 330)), QPoint(780, 470));
}

// Alarms while a question waits: the confirmation moves out of its way, and the question stays in front. The
// window system is told to show the confirmation without the input.
void TestCommonDlg::alarmDuringAQuestionStandsBesideIt()
{
    QWidget main;
    main.resize(640, 480);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    CommonDlg dialog(&main);
    QDialog question(&main);
    question.setGeometry(0, 0, 200, 60); // where the screen has room beside it
    Node sensor(QStringLiteral("S1"));
    sensor.type = Node::TWSensor;
    bool beside = false, inFront = false;
    answerNextModal([&](QWidget* modal) {
        dialog.showAlarmConfirm(&sensor);
        beside = !dialog.frameGeometry().intersects(modal->frameGeometry());
        modal->activateWindow(); // the operator goes back to the question
        if (QTest::qWaitForWindowActive(modal)) {
            sensor.setData(0, QStringLiteral("S2"));
            g_raised.clear();
            dialog.showAlarmConfirm(&sensor);
            inFront = g_raised.lastIndexOf(modal->windowHandle()) > g_raised.lastIndexOf(dialog.windowHandle());
        }
        question.reject();
    });
    question.exec();
    QVERIFY(beside && inFront);
    QVERIFY(dialog.windowHandle()->property("_q_showWithoutActivating").toBool());
}

QTEST_MAIN(TestCommonDlg)
#include "tst_commondlg.moc"
