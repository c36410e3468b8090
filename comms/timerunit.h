#pragma once

#include "commandsend.h"
#include "timerdata.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QVariant>

#include <functional>
#include <mutex>

class QDomDocument;
class QDomElement;
class QTimer;

// The program's one-second clock and the keeper of the weekly relay timers.
// Lives on its own thread; the GUI thread reads and replaces the timer list
// directly, so the list is guarded by its own mutex.
class TimerUnit : public QObject
{
    Q_OBJECT
public:
    static constexpr int TickIntervalMs = 1000;
    static constexpr int RelayCount = 8;
    static inline const QString TimeFormat = QStringLiteral("hh:mm");
    static inline const QString TimerElement = QStringLiteral("Timer");
    static inline const QString ProjectElement = QStringLiteral("Project");

    using Clock = std::function<QDateTime()>;

    explicit TimerUnit(QObject* parent = nullptr);
    ~TimerUnit() override;

    QList<TimerData> timers() const;
    // Replaces the list; a timer whose minutes are unchanged keeps the unit's sent flags.
    void setTimers(const QList<TimerData>& list);
    void setDefaultTimers();
    void readTimers(const QDomElement& element);
    void writeTimers(QDomDocument& document) const;

    // The relay command a timer sends: relay 1..8 → 12..19, anything else 0.
    static CommandSend relayCommand(int relayNo);

    // Replaces the wall clock (tests step through minutes with it).
    void setClock(Clock clock);

public slots:
    void run();
    void stop();
    void afterTimer();

signals:
    void timerTick();
    void timerCommand(QString kx4, int IOCard, CommandSend command, QVariant value);

private:
    struct PendingCommand
    {
        QString kx4;
        int card;
        CommandSend command;
        bool on;
    };

    QDateTime now() const;

    QTimer* timer;
    mutable std::mutex listMutex;
    QList<TimerData> timerList;
    Clock clock;
};
