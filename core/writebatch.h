#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

// Rows written in one burst (the alarm rows and the voltage rows of one
// heartbeat) share one transaction on the default connection: the first
// write of a burst opens it, and it is committed once the burst is over.
// With full sync every commit costs a disk sync, so one per heartbeat
// instead of one per row keeps the GUI thread free during alarm storms.
// GUI thread only, like all SQL of the program.
class QSqlDriver;

class WriteBatch : public QObject
{
    Q_OBJECT
public:
    // A heartbeat's rows arrive within a few milliseconds of each other and
    // heartbeats come a second apart.
    static constexpr int CommitDelayMs = 50;

    // The one batch of the default connection, owned by the application object.
    static WriteBatch& instance();
    // Rows written after the event loop has ended (while the window closes)
    // are committed when the application object goes.
    ~WriteBatch() override;

    // Called before writing a row: opens the transaction when none is open
    // and arms the commit. False when no transaction could be begun; the row
    // is then written on its own.
    bool join();

    // Commits the rows written so far now (at once when the caller needs
    // them on disk or runs statements of its own). False, with the error
    // logged and `commitFailed` emitted, when they could not be committed.
    bool commit();

    bool isOpen() const { return openOnCurrentConnection(); }

    // Tests commit without waiting for the burst to end.
    void setCommitDelay(int msecs) { m_timer.setInterval(msecs); }

signals:
    // The rows of the batch are in the database.
    void committed();
    // The rows of the batch were rolled back: they are not in the database.
    void commitFailed(const QString& error);

private:
    explicit WriteBatch(QObject* parent);

    // Whether a transaction of this batch is open on the current connection;
    // a connection closed and opened again in the meantime has none.
    bool openOnCurrentConnection() const;

    QTimer m_timer;
    bool m_open = false;
    QPointer<QSqlDriver> m_driver;
};
