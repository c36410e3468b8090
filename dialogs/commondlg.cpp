#include "commondlg.h"
#include "ui_commondlg.h"

#include "databasealert.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDebug>
#include <QKeyEvent>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

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

namespace {

// Stored digests are of the Latin-1 bytes; anything beyond Latin-1 would
// turn into "?" and match another text.
bool fitsLatin1(const QString& text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() <= 0xFF; });
}

} // namespace

QString CommonDlg::passwordDigest(const QString& password)
{
    // Empty matches no stored digest.
    if (!fitsLatin1(password))
        return QString();
    return QString::fromLatin1(QCryptographicHash::hash(password.toLatin1(), QCryptographicHash::Md5).toHex());
}

bool CommonDlg::checkCredentials(const QString& userName, const QString& password)
{
    // Bound values: a quote in the typed name is part of the name, never SQL.
    // Accounts marked not active (0) are refused; NULL counts as active.
    if (!fitsLatin1(userName) || !fitsLatin1(password))
        return false;
    QSqlQuery query;
    const bool prepared = query.prepare(QStringLiteral("select * from users where user=? and password=? "
                                                       "and (active is null or active<>0)"));
    query.addBindValue(userName);
    query.addBindValue(passwordDigest(password));
    if (!prepared || !query.exec() || query.lastError().type() != QSqlError::NoError) {
        // A damaged or unreadable database is not a wrong password: say so.
        DatabaseAlert::report(DatabaseAlert::Unreadable, query.lastError().text());
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
