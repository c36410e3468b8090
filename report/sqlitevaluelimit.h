#pragma once

#include <QtGlobal>

#include <map>

struct sqlite3;
struct sqlite3_context;
struct sqlite3_stmt;
struct sqlite3_value;

// A bound on the bytes of one value (a text, a blob) that an SQLite
// connection makes or reads: SQLite's length limit, which refuses a longer
// one with SQLITE_TOOBIG before it takes the memory and the time asked for.
//
// SQLite's printf() and format() alone give NULL, silently, for a text past
// the limit. On the connection they are replaced by ones that make the same
// text through a connection of their own and fail as every other function
// does where it would be longer.
//
// The connection must be closed before the object goes.
class SqliteValueLimit
{
public:
    SqliteValueLimit(sqlite3* db, int bytes);
    ~SqliteValueLimit();
    SqliteValueLimit(const SqliteValueLimit&) = delete;
    SqliteValueLimit& operator=(const SqliteValueLimit&) = delete;

    // Whether printf() and format() are replaced; the length limit holds
    // in any case.
    bool isValid() const { return m_printer != nullptr; }

private:
    static void print(sqlite3_context* context, int argc, sqlite3_value** argv);
    // "SELECT printf(?1, …)" for `argc` arguments, the format followed by
    // one more character when `longer`; null when it could not be prepared.
    sqlite3_stmt* statement(int argc, bool longer);
    // The step's result of `statement` with `argv` bound; false on an error,
    // which it gives to `context`.
    bool run(sqlite3_stmt* statement, sqlite3_context* context, int argc, sqlite3_value** argv);

    sqlite3* m_printer = nullptr;
    std::map<std::pair<int, bool>, sqlite3_stmt*> m_statements;
};
