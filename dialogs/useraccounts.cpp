#include "useraccounts.h"
#include "dialogslogging.h"

#include "writebatch.h"

#include "commondlg.h"

#include <QCoreApplication>
#include <QDebug>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace UserAccounts {

const std::array<const char*, MatrixRightCount> MatrixColumns = {
    "edit_workspace", "edit_users", "send_command", "clear_log", "connect_visual_alarm",
    "vell_setup", "timers_setup", "voltage_diagramms", "sensors_setup",
};

namespace {

// Runs a prepared statement with its values; logs the statement (placeholders
// only, never the values: one of them may be a password digest) on failure.
bool run(QSqlQuery& query, const QString& sql, const QVariantList& values, QString* error = nullptr)
{
    bool ok = query.prepare(sql);
    if (ok) {
        for (const QVariant& value : values)
            query.addBindValue(value);
        ok = query.exec();
    }
    if (!ok) {
        qCWarning(lcDialogs) << query.lastError().text() << sql;
        if (error)
            *error = query.lastError().text();
    }
    return ok;
}

} // namespace

bool hasNonLatin1(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0xff)
            return true;
    }
    return false;
}

bool load(int id, Account* account)
{
    QSqlQuery query;
    if (!run(query, QStringLiteral("select * from users where id_user=?"), {id}) || !query.next())
        return false;
    account->name = query.value(QStringLiteral("user")).toString();
    account->active = query.value(QStringLiteral("active")).toInt() != 0;
    account->roleId = query.value(QStringLiteral("role_id")).toInt();
    account->roleText = query.value(QStringLiteral("role_text")).toString();
    return true;
}

bool nameTaken(const QString& name, int exceptId)
{
    QSqlQuery query;
    if (!run(query, QStringLiteral("select count(*) from users where user=? and id_user<>?"), {name, exceptId}))
        return false;
    return query.next() && query.value(0).toInt() > 0;
}

QString nameOf(int id)
{
    Account account;
    return load(id, &account) ? account.name : QString();
}

Result save(int id, const Account& account, const QString& password)
{
    return guardedChange([&](QString* error) {
        QSqlQuery query;
        if (id == 0) {
            return run(query,
                       QStringLiteral("insert into users (user,password,active,role_id,role_text) values(?,?,?,?,?)"),
                       {account.name, CommonDlg::passwordDigest(password), int(account.active), account.roleId,
                        account.roleText},
                       error);
        }
        QString sql = QStringLiteral("update users set user=?,active=?,role_text=?,role_id=?");
        QVariantList values{account.name, int(account.active), account.roleText, account.roleId};
        if (!password.isEmpty()) {
            sql += QStringLiteral(",password=?");
            values << CommonDlg::passwordDigest(password);
        }
        sql += QStringLiteral(" where id_user=?");
        values << id;
        if (!run(query, sql, values, error))
            return false;
        // An account deleted meanwhile must not be reported as changed.
        if (query.numRowsAffected() == 0) {
            *error = QCoreApplication::translate("UserAccounts", "The user no longer exists.");
            return false;
        }
        return true;
    });
}

int administratorCount()
{
    QSqlQuery query;
    if (!run(query,
             QStringLiteral("select count(*) from users as u join rights as r on r.role_id = u.role_id "
                            "where (u.active is null or u.active<>0) and r.edit_users=1"),
             {}))
        return -1;
    return query.next() ? query.value(0).toInt() : -1;
}

Result guardedChange(const std::function<bool(QString* error)>& change)
{
    QSqlDatabase db = QSqlDatabase::database();
    // The logs' rows waiting now are written first: the writer then leaves
    // the database free for the account change.
    WriteBatch::instance().commit();
    const int before = administratorCount();
    if (!db.transaction()) {
        qCWarning(lcDialogs) << "Could not start a transaction:" << db.lastError().text();
        return {Outcome::Failed, db.lastError().text()};
    }
    Result result;
    if (!change(&result.error)) {
        result.outcome = Outcome::Failed;
    } else {
        const int after = administratorCount();
        if (after < 0) {
            result = {Outcome::Failed, QCoreApplication::translate("UserAccounts", "The rights could not be read.")};
        } else if (before > 0 && after == 0) {
            result.outcome = Outcome::LockOut;
        }
    }

    if (result.ok() && db.commit())
        return result;
    if (result.ok()) {
        qCWarning(lcDialogs) << "Could not commit:" << db.lastError().text();
        result = {Outcome::Failed, db.lastError().text()};
    }
    db.rollback();
    return result;
}

bool readRights(QVector<RoleRights>* rows)
{
    rows->clear();
    QSqlQuery query;
    if (!run(query, QStringLiteral("select * from rights order by id_right;"), {}))
        return false;
    while (query.next()) {
        RoleRights row;
        row.idRight = query.value(QStringLiteral("id_right")).toInt();
        row.roleText = query.value(QStringLiteral("role_text")).toString();
        for (int i = 0; i < MatrixRightCount; ++i)
            row.flags[i] = query.value(QLatin1String(MatrixColumns[i])).toInt();
        rows->append(row);
    }
    return true;
}

Result writeRights(const QVector<RoleRights>& rows)
{
    QString sql = QStringLiteral("update rights set ");
    for (int i = 0; i < MatrixRightCount; ++i)
        sql += QLatin1String(MatrixColumns[i]) + (i + 1 < MatrixRightCount ? QStringLiteral("=?,") : QStringLiteral("=?"));
    sql += QStringLiteral(" where id_right=?");

    return guardedChange([&](QString* error) {
        QSqlQuery query;
        for (const RoleRights& row : rows) {
            QVariantList values;
            for (int flag : row.flags)
                values << (flag != 0 ? 1 : 0);
            values << row.idRight;
            if (!run(query, sql, values, error))
                return false;
        }
        return true;
    });
}

} // namespace UserAccounts
