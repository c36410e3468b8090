#pragma once

#include "alarmlogmodel.h"
#include "nightlycleanup.h"

#include <QDate>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <vector>

class AlarmLogFeed;
class AlarmLogProxyModel;
class QToolButton;
class ReportEngine;

namespace Ui {
class AlarmLogWidget;
}

// The alarm log: every alarm, state change and timer event, one row each in
// the table logAlarm, shown newest first and narrowed to a range of days
// and to the kinds of record switched on. Old rows are cleared each night.
class AlarmLogWidget : public QWidget
{
    Q_OBJECT
public:
    static constexpr const char* kTable = "logAlarm";
    static constexpr const char* kInsertStatement =
        "insert into logAlarm(datetime, source, reason, info) values(?, ?, ?, ?)";
    static constexpr const char* kReportFile = "AlarmLogReport.xml";
    static constexpr const char* kHeaderStateKey = "AlarmLogWidgetState";
    static constexpr const char* kKeepDaysKey = "AL_KeepDays";
    static constexpr const char* kLastClearKey = "AL_LastClear";
    static constexpr int kShownDays = 31;
    static constexpr int kDateTimeWidth = 130;
    static constexpr int kReasonWidth = 230;

    explicit AlarmLogWidget(QWidget* parent = nullptr);
    ~AlarmLogWidget() override;

    // The clock the log stamps rows with and runs its nightly clean-up by.
    void setClock(NightlyCleanup::Clock clock);

    // Where rows come in from any thread, as `addRecord` takes them on this one.
    AlarmLogFeed* feed() const { return m_feed; }

    QToolButton* clearButton = nullptr;

public slots:
    void addRecord(QString source, QString reason, QString message);
    void afterTimer();
    void addRecordThread(QString source, QString reason, QString message);
    void clearAllLog();
    // False when the rows could not be deleted (the operator is told).
    bool clearLog(int days);
    void print();
    void printPreviewClosed();
    void setValue(int recNo, QString paramName, QVariant& paramValue, int reportPage);
    void filtering();

signals:
    // A user action to be written into the user-action log.
    void writeUserActionLog(QString subject, QString message);

private:
    void clearOldRecords();
    QStringList headers() const;
    void showArrivals();
    bool passesFilter(const AlarmLogModel::Arrival& row) const;
    // Keeps the arrivals the filter refuses until they are written: a
    // filter changed before that lets them through from here, as the
    // table it reads does not hold them yet.
    void setAside(std::vector<AlarmLogModel::Arrival> rows);
    std::vector<AlarmLogModel::Arrival> takePassing();
    void loadModel();

    Ui::AlarmLogWidget* ui = nullptr;
    AlarmLogFeed* m_feed = nullptr;
    AlarmLogModel* model = nullptr;
    ReportEngine* report = nullptr;
    AlarmLogProxyModel* proxy = nullptr;
    // In the order of their tickets.
    std::vector<AlarmLogModel::Arrival> m_setAside;
    NightlyCleanup cleanup;
    // The day of the latest tick: when a tick finds a new day and the view
    // reached up to the old one, the view is carried on to the new day.
    QDate lastTickDay;
};
