#include "timerunit.h"
#include "commslogging.h"

#include <QDebug>
#include <QDomDocument>
#include <QDomElement>
#include <QTimer>

namespace {

struct DayAttribute
{
    const char* name;
    bool TimerData::*flag;
};

const DayAttribute kDays[] = {
    {"dayMon", &TimerData::dayMon}, {"dayTue", &TimerData::dayTue}, {"dayWed", &TimerData::dayWed},
    {"dayThu", &TimerData::dayThu}, {"dayFri", &TimerData::dayFri}, {"daySat", &TimerData::daySat},
    {"daySun", &TimerData::daySun},
};

QString flagText(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

TimerUnit::TimerUnit(QObject* parent)
    : QObject(parent)
    , timer(new QTimer(this))
    , clock([] { return QDateTime::currentDateTime(); })
{
    registerCommandSendMetaType();
    qRegisterMetaType<TimerData>("TimerData");
    connect(timer, &QTimer::timeout, this, &TimerUnit::afterTimer);
    connect(timer, &QTimer::timeout, this, &TimerUnit::timerTick);
}

TimerUnit::~TimerUnit() = default;

void TimerUnit::run()
{
    timer->start(TickIntervalMs);
}

void TimerUnit::stop()
{
    timer->stop();
}

QList<TimerData> TimerUnit::timers() const
{
    std::lock_guard<std::mutex> lock(listMutex);
    return timerList;
}

void TimerUnit::setTimers(const QList<TimerData>& list)
{
    std::lock_guard<std::mutex> lock(listMutex);
    QList<TimerData> next = list;
    // The list usually comes back from an editor that copied it a while ago,
    // with the sent flags of that moment. An edge that fired meanwhile must not
    // fire again in the same minute, so a timer whose minutes did not change
    // keeps the flags the unit holds now.
    for (int i = 0; i < next.size() && i < timerList.size(); ++i) {
        TimerData& incoming = next[i];
        const TimerData& current = timerList.at(i);
        if (incoming.from.toString(TimeFormat) == current.from.toString(TimeFormat))
            incoming.onSent = current.onSent;
        if (incoming.to.toString(TimeFormat) == current.to.toString(TimeFormat))
            incoming.offSent = current.offSent;
    }
    timerList = next;
}

void TimerUnit::setClock(Clock newClock)
{
    std::lock_guard<std::mutex> lock(listMutex);
    clock = std::move(newClock);
}

QDateTime TimerUnit::now() const
{
    return clock();
}

void TimerUnit::setDefaultTimers()
{
    std::lock_guard<std::mutex> lock(listMutex);
    const QDateTime current = now();
    timerList.clear();
    for (const QString& name : {QStringLiteral("Timer1"), QStringLiteral("Timer2")}) {
        TimerData t;
        t.name = name;
        t.from = current;
        t.to = current;
        t.active = false;
        t.setAllDays(true);
        t.cardNo = -1;
        t.relayNo = -1;
        timerList.append(t);
    }
}

CommandSend TimerUnit::relayCommand(int relayNo)
{
    if (relayNo >= 1 && relayNo <= RelayCount)
        return static_cast<CommandSend>(ActivateRelay1 + relayNo - 1);
    return ResendCommand;
}

void TimerUnit::afterTimer()
{
    QList<PendingCommand> pending;
    {
        std::lock_guard<std::mutex> lock(listMutex);
        const QDateTime current = now();
        const int day = current.date().dayOfWeek();
        const QString nowText = current.toString(TimeFormat);
        for (TimerData& t : timerList) {
            // A timer that names no card (the default timers carry -1) switches nothing.
            if (!t.active || !t.runsOn(day) || t.cardNo <= 0 || t.IP.isEmpty())
                continue;
            const CommandSend command = relayCommand(t.relayNo);
            // Each edge fires at the first tick of its minute and rearms after it.
            auto edge = [&](const QDateTime& at, bool& sent, bool on, const char* line) {
                if (nowText != at.toString(TimeFormat)) {
                    sent = false;
                } else if (!sent) {
                    pending.append({t.IP, t.cardNo, command, on});
                    sent = true;
                    // Each edge stands in the log whatever the debug setting.
                    qCInfo(lcComms) << line;
                }
            };
            edge(t.from, t.onSent, true, "---Timer ON---");
            edge(t.to, t.offSent, false, "---Timer OFF---");
        }
    }
    // Emitted outside the lock so that a receiver may read the list at once.
    for (const PendingCommand& p : pending)
        emit timerCommand(p.kx4, p.card, p.command, QVariant(p.on));
}

void TimerUnit::readTimers(const QDomElement& element)
{
    QList<TimerData> list;
    for (QDomElement e = element.firstChildElement(TimerElement); !e.isNull();
         e = e.nextSiblingElement(TimerElement)) {
        TimerData t;
        t.name = e.attribute(QStringLiteral("name"));
        t.active = e.attribute(QStringLiteral("active")).toInt() != 0;
        t.IP = e.attribute(QStringLiteral("IP"));
        t.cardName = e.attribute(QStringLiteral("cardName"));
        t.cardNo = e.attribute(QStringLiteral("cardNo")).toInt();
        t.relayNo = e.attribute(QStringLiteral("relayNo")).toInt();
        t.from = QDateTime::fromString(e.attribute(QStringLiteral("from")), TimeFormat);
        t.to = QDateTime::fromString(e.attribute(QStringLiteral("to")), TimeFormat);
        for (const DayAttribute& day : kDays)
            t.*day.flag = e.attribute(QLatin1String(day.name), QStringLiteral("1")).toInt() != 0;
        list.append(t);
    }
    std::lock_guard<std::mutex> lock(listMutex);
    timerList = list;
}

void TimerUnit::writeTimers(QDomDocument& document) const
{
    QDomElement project = document.firstChildElement(ProjectElement);
    if (project.isNull()) {
        qCWarning(lcComms) << "Timers not written: the document has no" << ProjectElement << "element";
        return;
    }
    const QList<TimerData> list = timers();
    for (const TimerData& t : list) {
        QDomElement e = document.createElement(TimerElement);
        e.setAttribute(QStringLiteral("name"), t.name);
        e.setAttribute(QStringLiteral("active"), flagText(t.active));
        e.setAttribute(QStringLiteral("IP"), t.IP);
        e.setAttribute(QStringLiteral("cardName"), t.cardName);
        e.setAttribute(QStringLiteral("cardNo"), QString::number(t.cardNo));
        e.setAttribute(QStringLiteral("relayNo"), QString::number(t.relayNo));
        e.setAttribute(QStringLiteral("from"), t.from.toString(TimeFormat));
        e.setAttribute(QStringLiteral("to"), t.to.toString(TimeFormat));
        for (const DayAttribute& day : kDays)
            e.setAttribute(QLatin1String(day.name), flagText(t.*day.flag));
        project.appendChild(e);
    }
}
