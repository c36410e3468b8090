#include "commondlg.h"
#include "globals.h"
#include "mdelegate.h"
#include "messageboxanswerer.h"
#include "messagecatcher.h"
#include "modalanswerer.h"
#include "operatorclick.h"
#include "resources.h"
#include "sqlrows.h"
#include "testhome.h"
#include "useradmindlg.h"
#include "userright.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

class TestUserAdmin : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void userPage_data();
    void userPage();
    void activeColumnWords();
    void rightsMatrix();
    void rightsLockOutIsUndone();
    void editOpensTheRightPage();
    void deleteUser_data();
    void deleteUser();

private:
    struct PageOutcome
    {
        QString warning;
        bool accepted = false;
        QStringList log;
    };
    PageOutcome runUserPage(int id, const QString& name, const QString& pass1, const QString& pass2, int role = 2);
    static void exec(const QString& sql) { QSqlQuery query; QVERIFY2(query.exec(sql), qPrintable(sql)); }
    std::unique_ptr<TestHome> m_home;
};

void TestUserAdmin::init()
{
    initLumetraResources();
    m_home = std::make_unique<TestHome>();
    QVERIFY(m_home->isValid() && m_home->openDatabase());
    g_currentUser = QStringLiteral("admin");
    exec(QStringLiteral("insert into users (user,password,active,role_text,role_id) values ('op','x',1,'Operator',2)"));
}

void TestUserAdmin::cleanup()
{
    m_home.reset();
}

// Opens the user page, types, presses OK; a warning is read and closed, then the page cancelled.
TestUserAdmin::PageOutcome TestUserAdmin::runUserPage(int id, const QString& name, const QString& pass1,
                                                      const QString& pass2, int role)
{
    PageOutcome outcome;
    CommonDlg page;
    connect(&page, &CommonDlg::writeUserActionLog, &page,
            [&](const QString& subject, const QString& message) { outcome.log << subject + ':' + message; });
    answerNextModal([&](QWidget* dialog) {
        dialog->findChild<QLineEdit*>(QStringLiteral("edtUser"))->setText(name);
        dialog->findChild<QLineEdit*>(QStringLiteral("edtPass1"))->setText(pass1);
        dialog->findChild<QLineEdit*>(QStringLiteral("edtPass2"))->setText(pass2);
        dialog->findChild<QComboBox*>(QStringLiteral("cbRole"))->setCurrentIndex(role);
        MessageBoxAnswerer boxes;
        QVERIFY(operatorClick(dialog->findChild<QPushButton*>(QStringLiteral("btnOK"))));
        outcome.warning = boxes.seen().join('\n');
        if (dialog->isVisible())
            QVERIFY(operatorClick(dialog->findChild<QPushButton*>(QStringLiteral("btnCancel"))));
    });
    page.editUserProperties(id);
    outcome.accepted = page.result() == QDialog::Accepted;
    return outcome;
}

void TestUserAdmin::userPage_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("pass1");
    QTest::addColumn<QString>("pass2");
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<QString>("warning"); // empty: written, then `result` is the account's row
    QTest::addColumn<QString>("result");
    const auto refused = [](const char* row, int id, const QString& name, const QString& pass1, const QString& pass2,
                            const QString& warning, const QString& trigger = QString()) {
        QTest::newRow(row) << id << name << pass1 << pass2 << 2 << trigger << "Error:" + warning << QString();
    };
    refused("empty passwords", 0, "new", "", "", "Passwords can not be empty!");
    refused("mismatch", 0, "new", "a", "", "Passwords does not match!");
    refused("edit mismatch", 2, "op", "a", "A", "Passwords does not match!");
    refused("blank name", 0, "   ", "a", "a", "User name can not be empty!");
    refused("duplicate", 0, "admin", "a", "a", "User admin already exists!");
    refused("rename onto another", 2, "admin", "", "", "User admin already exists!");
    refused("non-Latin password", 0, "new", QString::fromUtf8("пароль"), QString::fromUtf8("пароль"),
            "Passwords can hold only Latin-1 characters!");
    refused("long name", 0, QString(65, 'n'), "a", "a", "User name can not be longer than 64 characters!");
    refused("vanished account", 99, "ghost", "", "", "User ghost could not be saved: The user no longer exists.");
    refused("demote yourself", 1, "admin", "", "", "This change would leave no active user who may edit users!");
    refused("insert fails", 0, "new", "secret", "secret", "User new could not be saved: refused Unable to fetch row",
            "create trigger refuse before insert on users begin select raise(abort, 'refused'); end");
    const QString written = QStringLiteral("%1|%2|%3|%4|%5");
    QTest::newRow("add operator") << 0 << "o'neil" << "pw" << "pw" << 2 << QString() << QString()
                                  << written.arg("o'neil", CommonDlg::passwordDigest("pw"), "0", "2", "Operator");
    QTest::newRow("Cyrillic name") << 0 << QString::fromUtf8("пользователь") << "pw" << "pw" << 2 << QString()
                                   << QString()
                                   << written.arg(QString::fromUtf8("пользователь"), CommonDlg::passwordDigest("pw"),
                                                  "0", "2", "Operator");
    QTest::newRow("edit keeps digest") << 2 << "opera" << "" << "" << 0 << QString() << QString()
                                       << written.arg("opera", "x", "1", "0", "Installer");
    QTest::newRow("long password") << 2 << "op" << QString(5000, 'p') << QString(5000, 'p') << 2 << QString()
                                   << QString()
                                   << written.arg("op", CommonDlg::passwordDigest(QString(5000, 'p')), "1", "2",
                                                  "Operator");
}

// A refused page stays open, writes and logs nothing; an accepted one writes
// the row and logs it after. No digest ever reaches the diagnostic log.
void TestUserAdmin::userPage()
{
    QFETCH(int, id);
    QFETCH(QString, name);
    QFETCH(QString, pass1);
    QFETCH(QString, pass2);
    QFETCH(int, role);
    QFETCH(QString, trigger);
    QFETCH(QString, warning);
    QFETCH(QString, result);
    if (!trigger.isEmpty())
        exec(trigger);
    const QString rows = QStringLiteral("select user||'|'||password||'|'||active||'|'||role_id||'|'||role_text "
                                        "from users order by id_user");
    const QStringList before = sqlRows(rows);
    MessageCatcher catcher;
    const PageOutcome outcome = runUserPage(id, name, pass1, pass2, role);
    QCOMPARE(outcome.warning, warning);
    QCOMPARE(outcome.accepted, warning.isEmpty());
    // A password refused for its characters has no digest to leak.
    const QString digest = CommonDlg::passwordDigest(pass1);
    QVERIFY(digest.isEmpty() || !catcher.contains(digest));
    if (!warning.isEmpty()) {
        QVERIFY(outcome.log.isEmpty());
        QCOMPARE(sqlRows(rows), before);
        return;
    }
    const QString verb = id == 0 ? QStringLiteral("New user %1 added") : QStringLiteral("Properties of user %1 is changed");
    QCOMPARE(outcome.log, QStringList{"UserControl:" + verb.arg(name)});
    QVERIFY(sqlRows(rows).contains(result));
}

void TestUserAdmin::activeColumnWords()
{
    mDelegate delegate;
    QCOMPARE(delegate.displayText(0, QLocale()), QStringLiteral("Not active"));
    QCOMPARE(delegate.displayText(1, QLocale()), QStringLiteral("Active"));
    QCOMPARE(delegate.displayText(5, QLocale()), QString());
}

void TestUserAdmin::rightsMatrix()
{
    // Rows keep their own ids, a flag stored as 2 shows ticked but grants nothing.
    exec(QStringLiteral("update rights set id_right=id_right+4"));
    exec(QStringLiteral("update rights set timers_setup=2 where role_id=2"));
    QVERIFY(!checkUserRight(UserRight::TimersSetup, QStringLiteral("op")));
    UserAdminDlg dialog;
    auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("tableRights"));
    QCOMPARE(table->rowCount(), 3);
    QCOMPARE(table->horizontalHeaderItem(2)->text(), QStringLiteral("Edit users"));
    QCOMPARE(table->horizontalHeaderItem(9)->text(), QStringLiteral("TW sensors\nsetup"));
    QVERIFY(table->cellWidget(2, 7)->findChild<QCheckBox*>()->isChecked());

    dialog.findChild<QTabWidget*>()->setCurrentIndex(1);
    QVERIFY(operatorClick(table->cellWidget(2, 1)->findChild<QCheckBox*>()));
    QCOMPARE(sqlRows(QStringLiteral("select id_right||':'||edit_workspace||timers_setup from rights order by id_right")),
             (QStringList{"5:11", "6:11", "7:11"}));
    QVERIFY(checkUserRight(UserRight::TimersSetup, QStringLiteral("op")));
}

void TestUserAdmin::rightsLockOutIsUndone()
{
    UserAdminDlg dialog;
    auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("tableRights"));
    QCheckBox* adminEditUsers = table->cellWidget(1, 2)->findChild<QCheckBox*>();
    MessageBoxAnswerer boxes;
    dialog.findChild<QTabWidget*>()->setCurrentIndex(1);
    QVERIFY(operatorClick(adminEditUsers));
    QCOMPARE(boxes.seen(), QStringList{"Error:This change would leave no active user who may edit users!"});
    QVERIFY(adminEditUsers->isChecked());
    QCOMPARE(sqlRows(QStringLiteral("select edit_users from rights where role_id=1")), QStringList{"1"});
}

void TestUserAdmin::editOpensTheRightPage()
{
    UserAdminDlg dialog;
    auto* view = dialog.findChild<QTableView*>(QStringLiteral("tableUsers"));
    QStringList pages;
    const auto cancel = [&](QWidget* page) {
        pages << page->windowTitle() + ':' + page->findChild<QLineEdit*>(QStringLiteral("edtUser"))->text();
        QVERIFY(operatorClick(page->findChild<QPushButton*>(QStringLiteral("btnCancel"))));
    };
    MessageBoxAnswerer boxes;
    // Without a current row, edit and delete do nothing.
    QVERIFY(operatorClick(dialog.findChild<QToolButton*>(QStringLiteral("btnEditUser"))));
    QVERIFY(operatorClick(dialog.findChild<QToolButton*>(QStringLiteral("btnDeleteUser"))));
    view->setCurrentIndex(view->model()->index(1, 3));
    answerNextModal(cancel);
    QVERIFY(operatorClick(dialog.findChild<QToolButton*>(QStringLiteral("btnAddUser"))));
    answerNextModal(cancel);
    emit view->doubleClicked(view->currentIndex());
    QCOMPARE(pages, (QStringList{"Add new user:", "User editing:op"}));
    QVERIFY(boxes.seen().isEmpty());
}

void TestUserAdmin::deleteUser_data()
{
    QTest::addColumn<QString>("loggedIn");
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("answerYes");
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("log");
    QTest::addColumn<QString>("users");
    const QString question = QStringLiteral("Warning:Do you realy want do delete this user?");
    QTest::newRow("no") << "admin" << 1 << false << "" << QStringList{question} << "" << "admin,op";
    QTest::newRow("yes") << "admin" << 1 << true << "" << QStringList{question} << "UserControl:User op deleted"
                         << "admin";
    QTest::newRow("yourself") << "admin" << 0 << true << ""
                              << QStringList{"Error:You can not delete your own account!"} << "" << "admin,op";
    QTest::newRow("last administrator")
        << "op" << 0 << true << ""
        << QStringList{question, "Error:This change would leave no active user who may edit users!"} << ""
        << "admin,op";
    QTest::newRow("database refuses")
        << "admin" << 1 << true
        << "create trigger keep before delete on users begin select raise(abort,'kept'); end"
        << QStringList{question, "Error:User op could not be deleted: kept Unable to fetch row"} << "" << "admin,op";
}

void TestUserAdmin::deleteUser()
{
    QFETCH(QString, loggedIn);
    QFETCH(int, row);
    QFETCH(bool, answerYes);
    QFETCH(QString, trigger);
    QFETCH(QStringList, boxes);
    QFETCH(QString, log);
    QFETCH(QString, users);
    if (!trigger.isEmpty())
        exec(trigger);
    g_currentUser = loggedIn;

    UserAdminDlg dialog;
    QStringList logged;
    connect(&dialog, &UserAdminDlg::writeUserActionLog, &dialog,
            [&](const QString& subject, const QString& message) { logged << subject + ':' + message; });
    auto* view = dialog.findChild<QTableView*>(QStringLiteral("tableUsers"));
    view->setCurrentIndex(view->model()->index(row, 1));
    MessageBoxAnswerer answerer(answerYes ? QMessageBox::Yes : QMessageBox::No);
    QVERIFY(operatorClick(dialog.findChild<QToolButton*>(QStringLiteral("btnDeleteUser"))));
    QCOMPARE(answerer.seen(), boxes);
    QCOMPARE(logged.join('\n'), log);
    QCOMPARE(sqlRows(QStringLiteral("select group_concat(user) from (select user from users order by id_user)")),
             QStringList{users});
    QCOMPARE(view->model()->rowCount(), users.count(',') + 1);
}

QTEST_MAIN(TestUserAdmin)
#include "tst_useradmin.moc"
