#pragma once

#include <QObject>
#include <QSqlDatabase>
#include <QString>

#include <atomic>

// Opens the process-wide default connection to brenik.db on a thread of its
// own at start-up. Qt only lets the thread that owns a connection's driver
// use it, so once open the driver is handed to the GUI thread, where all SQL
// runs; `isOpen()` and `hasFailed()` are the flags main() waits on.
class DatabaseManager : public QObject
{
    Q_OBJECT
public:
    explicit DatabaseManager(QObject* parent = nullptr);
    ~DatabaseManager() override;

    // Safe to call from any thread while the connection is being opened.
    bool isOpen() const { return m_state.load(std::memory_order_acquire) == Open; }
    bool hasFailed() const { return m_state.load(std::memory_order_acquire) == Failed; }
    // Why the connection did not open; read it once `hasFailed()`.
    QString failure() const { return hasFailed() ? m_failure : QString(); }

    QSqlDatabase database;

    // The longest the GUI thread waits for a lock another connection or
    // program holds; a write refused meanwhile waits in its queue
    // (WriteBatch) and is tried again later.
    static constexpr int BusyTimeoutMs = 100;

    // Free pages must exceed this share of the file before start-up rewrites
    // the file with VACUUM: rewriting a month of voltage log takes seconds.
    static constexpr double VacuumFreeShare = 0.10;

    // Start-up maintenance on the default connection, on the GUI thread:
    // closes a transaction left open, sets the short busy timeout, switches
    // to the write-ahead log with full sync (every committed row survives a
    // power cut with one sync per commit) and compacts the file only when enough of it is free pages.
    // Failures are logged with the SQL error; false when the database could
    // not be read or switched (damaged, truncated, or not writable).
    static bool prepareForUse();

public slots:
    void createConnection();
    void executeQuery(QString queryString);
    void stopped();

private:
    enum State { Opening, Open, Failed };
    std::atomic<int> m_state{Opening};
    QString m_failure; // written before the state turns Failed
};

extern DatabaseManager* g_databaseManager;
