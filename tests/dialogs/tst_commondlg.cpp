#include "commondlg.h"
#include "messagecatcher.h"
#include "modalanswerer.h"
#include "resources.h"
#include "testhome.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QtTest>

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
    void missingTableIsLoggedAsSuch();
    void returnSubmitsOnlyFromPassword();

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
        modal->findChild<QPushButton*>(QStringLiteral("btnOK"))->click();
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
        modal->findChild<QPushButton*>(QStringLiteral("btnCancel"))->click();
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
        QTest::keyClick(modal, Qt::Key_Escape);
        QTest::keyClick(name, Qt::Key_Return);
        stillOpenAfterEscapeAndReturnInName = modal->isVisible();
        password->setFocus();
        QTest::keyClick(password, Qt::Key_Return);
    });
    QCOMPARE(dialog.login(), QStringLiteral("admin"));
    QVERIFY(stillOpenAfterEscapeAndReturnInName);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

QTEST_MAIN(TestCommonDlg)
#include "tst_commondlg.moc"
