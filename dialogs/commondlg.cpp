#include "commondlg.h"
#include "ui_commondlg.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDebug>
#include <QKeyEvent>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

CommonDlg::CommonDlg(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::CommonDlg)
{
    ui->setupUi(this);
    connect(ui->btnOK, &QPushButton::clicked, this, &CommonDlg::clickOK);
}

CommonDlg::~CommonDlg()
{
    delete ui;
}

QString CommonDlg::passwordDigest(const QString& password)
{
    return QString::fromLatin1(QCryptographicHash::hash(password.toLatin1(), QCryptographicHash::Md5).toHex());
}

bool CommonDlg::checkCredentials(const QString& userName, const QString& password)
{
    // Bound values: a quote in the typed name is part of the name, never SQL.
    // Accounts marked not active (0) are refused; NULL counts as active.
    QSqlQuery query;
    // A statement that cannot be prepared (a database without its tables)
    // reports the real cause here; exec() would only add a misleading one.
    if (!query.prepare(QStringLiteral("select * from users where user=? and password=? "
                                      "and (active is null or active<>0)"))) {
        qWarning() << "Log-in: could not read the accounts:" << query.lastError().text();
        return false;
    }
    query.addBindValue(userName);
    query.addBindValue(passwordDigest(password));
    if (!query.exec() || query.lastError().type() != QSqlError::NoError) {
        qWarning() << "Log-in: could not read the accounts:" << query.lastError().text();
        return false;
    }
    return query.next();
}

QString CommonDlg::login()
{
    ui->stackedWidget->setCurrentIndex(LoginPage);
    setWindowTitle(QCoreApplication::applicationName());
    setFixedHeight(140);

    if (exec() == 0)
        return QString();

    if (checkCredentials(ui->edtUseName->text(), ui->edtPassword->text())) {
        accept();
        return ui->edtUseName->text();
    }
    reject();
    return QString();
}

void CommonDlg::clickOK()
{
    accept();
}

void CommonDlg::showCommands(QModelIndex)
{
}

void CommonDlg::selectFile()
{
}

void CommonDlg::selectCard()
{
}

void CommonDlg::keyPressEvent(QKeyEvent* event)
{
    // Escape never closes the dialog, and Return only submits from the password field.
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (ui->stackedWidget->currentIndex() == LoginPage && isReturn && ui->edtPassword->hasFocus())
        ui->btnOK->click();
}
