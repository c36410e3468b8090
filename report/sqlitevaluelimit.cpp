#include "sqlitevaluelimit.h"

#include <QByteArray>

#include <sqlite3.h>

SqliteValueLimit::SqliteValueLimit(sqlite3* db, int bytes)
{
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, bytes);
    if (sqlite3_open_v2(":memory:", &m_printer, SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY, nullptr) != SQLITE_OK) {
        sqlite3_close(m_printer);
        m_printer = nullptr;
        return;
    }
    sqlite3_limit(m_printer, SQLITE_LIMIT_LENGTH, bytes);
    constexpr int Flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    for (const char* name : {"printf", "format"}) {
        if (sqlite3_create_function_v2(db, name, -1, Flags, this, &SqliteValueLimit::print, nullptr, nullptr, nullptr)
            != SQLITE_OK) {
            sqlite3_close(m_printer);
            m_printer = nullptr;
            return;
        }
    }
}

SqliteValueLimit::~SqliteValueLimit()
{
    for (const auto& entry : m_statements)
        sqlite3_finalize(entry.second);
    sqlite3_close(m_printer);
}

sqlite3_stmt* SqliteValueLimit::statement(int argc, bool longer)
{
    sqlite3_stmt*& statement = m_statements[{argc, longer}];
    if (statement)
        return statement;
    QByteArray sql = longer ? "SELECT printf(?1 || '%%'" : "SELECT printf(?1";
    for (int i = 2; i <= argc; ++i)
        sql += ", ?" + QByteArray::number(i);
    sql += ')';
    if (sqlite3_prepare_v2(m_printer, sql.constData(), sql.size(), &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        statement = nullptr;
    }
    return statement;
}

bool SqliteValueLimit::run(sqlite3_stmt* statement, sqlite3_context* context, int argc, sqlite3_value** argv)
{
    sqlite3_reset(statement);
    for (int i = 0; i < argc; ++i)
        sqlite3_bind_value(statement, i + 1, argv[i]);
    if (sqlite3_step(statement) == SQLITE_ROW)
        return true;
    const int code = sqlite3_reset(statement);
    sqlite3_result_error(context, sqlite3_errmsg(m_printer), -1);
    sqlite3_result_error_code(context, code);
    return false;
}

// printf() gives NULL both where it prints nothing and where its text is
// past the limit. The format with one character more prints that character
// in the first case and stays past the limit in the second.
void SqliteValueLimit::print(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    auto* self = static_cast<SqliteValueLimit*>(sqlite3_user_data(context));
    if (argc < 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return; // NULL, as printf() gives
    sqlite3_stmt* printed = self->statement(argc, false);
    sqlite3_stmt* longer = self->statement(argc, true);
    if (!printed || !longer) {
        sqlite3_result_error(context, sqlite3_errmsg(self->m_printer), -1);
        return;
    }
    if (!self->run(printed, context, argc, argv))
        return;
    if (sqlite3_column_type(printed, 0) != SQLITE_NULL)
        sqlite3_result_value(context, sqlite3_column_value(printed, 0));
    else if (self->run(longer, context, argc, argv) && sqlite3_column_type(longer, 0) == SQLITE_NULL)
        sqlite3_result_error_toobig(context);
    sqlite3_reset(printed);
    sqlite3_reset(longer);
}
