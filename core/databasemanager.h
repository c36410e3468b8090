#pragma once

#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QTimer>

#include <atomic>
#include <memory>

class QSqlQuery;

// Opens the process-wide default connection to brenik.db on a thread of its
// own at start-up. Qt only lets the thread that owns a connection's driver
// use it, so once open the driver is handed to the GUI thread, where the
// program's SQL runs but for the logs' rows (WriteBatch, on a thread and
// connection of its own) and the upkeep; `isOpen()` and `hasFailed()` are
// the flags main() waits on.
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

    // The longest the GUI thread, or the logs' writer, waits for a lock
    // another connection or program holds; a log row refused meanwhile
    // waits in its queue (WriteBatch) and is tried again later.
    static constexpr int BusyTimeoutMs = 100;

    // Free pages must exceed this share of the file before the upkeep gives
    // them back: below it they are simply reused by new rows.
    static constexpr double VacuumFreeShare = 0.10;
    // The upkeep gives back this many pages (1 MB) per step, a step short
    // enough for the program's own writes to wait it out within their busy
    // timeout, and pauses between steps so they go ahead.
    static constexpr int UpkeepStepPages = 256;
    static constexpr int UpkeepPauseMs = 200;
    // The upkeep's connection may wait for the program's writes.
    static constexpr int UpkeepBusyTimeoutMs = 10000;
    static constexpr const char* UpkeepConnection = "lumetra-upkeep";
    // How often the upkeep copies the write-ahead log into the file.
    static constexpr int CheckpointIntervalMs = 5000;
    // SQLite's own setting: a commit copies the write-ahead log into the
    // file once it holds this many pages.
    static constexpr int AutoCheckpointPages = 1000;

    // Start-up preparation on the default connection, on the GUI thread:
    // closes a transaction left open, sets the short busy timeout and
    // switches to the write-ahead log with full sync (every committed row
    // survives a power cut with one sync per commit), leaving its
    // checkpoints to the upkeep once all of that succeeded. Quick whatever
    // the file holds: compacting it is the upkeep's too. Failures are logged
    // with the SQL error; false when the database could not be switched
    // (damaged, truncated, or not writable), and then the connection keeps
    // copying its write-ahead log itself and the upkeep must not run: in
    // the old journal its rewrite of the file would keep every reader out.
    static bool prepareForUse();

    // The converted copy of an older `file`, beside it.
    static QString conversionFile(const QString& file);
    // Noted changes brought into the copy per step.
    static constexpr int ConversionStepChanges = 2000;
    // Rows written into the copy per step while it is made, each step
    // flushed to the disk, with a pause between steps.
    static constexpr int ConversionCopyRows = 20000;
    static constexpr int ConversionPauseMs = 20;
    // At the start, a switch brings in at most this many noted changes and
    // spends at most this long on them; with more, the copy is dropped and
    // the running program makes a new one.
    static constexpr int SwitchBacklogLimit = 20000;
    static constexpr int SwitchBudgetMs = 500;
    // Puts the converted copy, brought up to date, in the place of `file`,
    // in one step. Only while no connection has `file` open: false, and the
    // file kept as it was, when another program has it open, a step fails
    // or the switch cannot take its place (then a later start tries again),
    // or when more than `backlogLimit` changes are to be brought in (then
    // the copy and its notes are dropped; a copy that cannot be set aside
    // stays, its changes noted still).
    static bool finishConversion(const QString& file, int backlogLimit = SwitchBacklogLimit);

public slots:
    void createConnection();
    void executeQuery(QString queryString);
    void stopped();

    // Gives back the free pages of the file when they are more than
    // VacuumFreeShare of it, on this manager's thread with a connection of
    // its own, so that nobody waits for it. A file that gives them back in
    // steps (incremental auto-vacuum, as shipped) does so UpkeepStepPages at
    // a time. An older file gains that ability by a rewrite that keeps no
    // writer out: a compacted copy is written beside it in steps of
    // ConversionCopyRows rows, each flushed to the disk; the rows changed
    // meanwhile and later are noted by triggers and brought into it every
    // CheckpointIntervalMs, ConversionStepChanges at a time, and the copy
    // takes the file's place at the next start, before any connection opens
    // (`createConnection`). `upkeepDone` tells the end of the compacting,
    // or that the copy is ready. From then on, every
    // CheckpointIntervalMs, copies the write-ahead log into the file: the
    // program's own connection no longer does (see `prepareForUse`). When
    // its connection cannot be opened, the program's own connection, on the
    // application's thread, is given the copying back.
    void startUpkeep();


signals:
    void upkeepDone(bool ok);

private:
    enum class UpkeepNext { Done, Failed, Steps, Copying };
    enum class ConversionState { None, CopyReady, CopyMissing, Failed };
    struct Copy;
    // On the thread of the default connection.
    static void restoreAutoCheckpoint();
    UpkeepNext beginUpkeep(const QSqlDatabase& db);
    // Builds the indexes a file made before them lacks, one statement each.
    static void addLogIndexes(const QSqlDatabase& db);
    static void addStampIndex(QSqlQuery& query, const QString& table);
    void upkeepStep();
    static ConversionState conversionState(const QSqlDatabase& db);
    bool beginConversion(const QSqlDatabase& db);
    void copyStep();
    bool endCopy(const QSqlDatabase& db, bool ok);
    bool resumeConversion(const QSqlDatabase& db);
    static bool abandonConversion(const QSqlDatabase& db, bool atStart = false);
    void conversionStep();
    void endUpkeep(bool ok);
    void checkpoint();

    enum State { Opening, Open, Failed };
    std::atomic<int> m_state{Opening};
    QString m_failure; // written before the state turns Failed
    QTimer* m_checkpointTimer;
    bool m_checkpointFailed = false;
    // The converted copy is attached to the upkeep's connection and follows the file.
    bool m_converting = false;
    std::unique_ptr<Copy> m_copy;
};

extern DatabaseManager* g_databaseManager;
