#pragma once

#include <QString>
#include <QVector>

#include <array>
#include <functional>

// The statements on the `users` and `rights` tables that account editing and
// the rights matrix run. Every value is bound, never pasted into the SQL, and
// every change runs in a transaction that is rolled back when it fails or
// when it would leave nobody who can edit users (see guardedChange).
// Default connection, GUI thread only.
namespace UserAccounts {

// The role list: a role's id is its index.
constexpr int RoleCount = 3;
constexpr int MaxNameLength = 64;

struct Account
{
    QString name;
    bool active = false;
    int roleId = 0;
    QString roleText;
};

// The nine right columns in the order the rights matrix shows them.
constexpr int MatrixRightCount = 9;
extern const std::array<const char*, MatrixRightCount> MatrixColumns;

struct RoleRights
{
    int idRight = 0;
    QString roleText;
    std::array<int, MatrixRightCount> flags{};
};

enum class Outcome { Done, LockOut, Failed };

struct Result
{
    Outcome outcome = Outcome::Done;
    QString error; // the database's error text when Failed
    bool ok() const { return outcome == Outcome::Done; }
};

// True when one of the characters cannot be stored as Latin-1 (the stored
// digest would no longer tell such passwords apart).
bool hasNonLatin1(const QString& text);

// Loads one account; false (fields untouched) when there is no such row.
bool load(int id, Account* account);
// True when another account (not `exceptId`) has exactly this name.
bool nameTaken(const QString& name, int exceptId);
// The name of account `id`, empty when there is none.
QString nameOf(int id);

// Adds an account (id 0) or changes one; an empty password keeps the stored digest.
Result save(int id, const Account& account, const QString& password);

// The number of active accounts whose role may edit users; -1 when it cannot be read.
int administratorCount();

// Runs `change` in a transaction. It is committed only when `change` succeeds
// and the database still holds an active account whose role may edit users
// (unless it held none before, so a broken site can still be mended). `change` returns false and fills `error` on failure.
Result guardedChange(const std::function<bool(QString* error)>& change);

// The rights rows ordered by id_right; false on failure (logged).
bool readRights(QVector<RoleRights>* rows);
// Writes every row back by its id_right, all or nothing.
Result writeRights(const QVector<RoleRights>& rows);

} // namespace UserAccounts
