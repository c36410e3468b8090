#include "testhome.h"

#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>

#include "writebatch.h"

namespace {

bool copyTree(const QString& from, const QString& to)
{
    QDir source(from);
    if (!source.exists())
        return false;
    QDir().mkpath(to);
    const auto entries = source.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        const QString target = to + QLatin1Char('/') + entry.fileName();
        if (entry.isDir()) {
            if (!copyTree(entry.filePath(), target))
                return false;
        } else if (entry.isExecutable() && entry.suffix().isEmpty()) {
            continue; // the binaries are not runtime files
        } else if (!QFile::copy(entry.filePath(), target)) {
            return false;
        } else {
            QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner);
        }
    }
    return true;
}

// brenik.db as the build makes it: the schema run through sqlite3. Made once
// per test process and copied into each home.
QString pristineDatabase()
{
    static QTemporaryDir dir;
    static QString made;
    if (!made.isEmpty() || !dir.isValid())
        return made;
    // Without a schema sqlite3 would wait on a terminal for ever.
    if (!QFileInfo(TestHome::schemaFile()).isFile()) {
        qWarning() << "No database schema at" << TestHome::schemaFile() << "(LUMETRA_SCHEMA): run the test through ctest";
        return made;
    }
    const QString target = dir.filePath(QStringLiteral("brenik.db"));
    QProcess sqlite;
    sqlite.setStandardInputFile(TestHome::schemaFile());
    sqlite.start(qEnvironmentVariable("LUMETRA_SQLITE3", QStringLiteral("sqlite3")), {target});
    // However long a busy machine makes it take: the test's own time limit ends a run that never finishes.
    if (!sqlite.waitForFinished(-1) || sqlite.exitStatus() != QProcess::NormalExit || sqlite.exitCode() != 0) {
        qWarning() << "Could not make the test database from" << TestHome::schemaFile() << ":"
                   << sqlite.errorString() << sqlite.readAllStandardError();
        return made;
    }
    made = target;
    return made;
}

} // namespace

TestHome::TestHome()
{
    m_previousHome = qgetenv("LUMETRA_HOME");
    if (!m_dir.isValid())
        return;
    const QString database = pristineDatabase();
    const QString target = filePath(QStringLiteral("brenik.db"));
    m_valid = copyTree(runtimeDir(), m_dir.path()) && !database.isEmpty() && QFile::copy(database, target)
        && QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner);
    if (!m_valid)
        qWarning() << "Could not make the runtime files from" << runtimeDir() << "and" << schemaFile();
    qputenv("LUMETRA_HOME", m_dir.path().toUtf8());
}

TestHome::~TestHome()
{
    closeDatabase();
    if (m_previousHome.isNull())
        qunsetenv("LUMETRA_HOME");
    else
        qputenv("LUMETRA_HOME", m_previousHome);
}

bool TestHome::openDatabase()
{
    QSqlDatabase db = QSqlDatabase::contains(QLatin1String(QSqlDatabase::defaultConnection))
        ? QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false)
        : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.close();
    db.setDatabaseName(filePath(QStringLiteral("brenik.db")));
    if (!db.open()) {
        qWarning() << "Test database did not open:" << db.lastError().text();
        return false;
    }
    return true;
}

// The logs' rows for this home are written before its connection goes, as
// the program's start-up does at its end.
void TestHome::closeDatabase()
{
    WriteBatch::finishCurrent();
    if (!QSqlDatabase::contains(QLatin1String(QSqlDatabase::defaultConnection)))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
        db.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
}

QString TestHome::runtimeDir()
{
    return qEnvironmentVariable("LUMETRA_SHIPPED_DIR");
}

QString TestHome::schemaFile()
{
    return qEnvironmentVariable("LUMETRA_SCHEMA");
}

QString TestHome::programBinary()
{
    return qEnvironmentVariable("LUMETRA_BINARY");
}
