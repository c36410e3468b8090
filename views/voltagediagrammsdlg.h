#pragma once

#include "nightlycleanup.h"

#include <QDate>
#include <QDateTime>
#include <QDialog>
#include <QString>
#include <QStringList>
#include <QVariant>

class Node;
class QSqlQuery;
class ReportEngine;
class TreeModel;

namespace Ui {
class VoltageDiagrammsDlg;
}

// The voltage log: every energizer's battery voltage and the output voltage
// of its two fence sectors, written into logVoltage during a short window of
// each write cycle, and shown as maximum, minimum and average per energizer
// (battery) or per energizer and sector (output) over a range of days.
// One instance lives as long as the main window and writes whether or not
// it is shown.
class VoltageDiagrammsDlg : public QDialog
{
    Q_OBJECT
public:
    static constexpr const char* kTable = "logVoltage";
    static constexpr const char* kReportFile = "VoltageLogReport.xml";
    static constexpr const char* kKeepDaysKey = "VL_KeepDays";
    static constexpr const char* kLastClearKey = "VL_LastClear";
    static constexpr const char* kDateTimeFormat = "yyyy-MM-dd hh:mm:ss";
    static constexpr const char* kDateFormat = "yyyy-MM-dd";
    static constexpr const char* kPrintDateFormat = "dd MMM yyyy";

    // Updates up to this many seconds after the cycle start write nothing.
    static constexpr int kQuietSeconds = 199;
    // The first update later than this many seconds, or earlier than the
    // cycle start (the clock set back), starts a new cycle.
    static constexpr int kCycleSeconds = 260;
    // A new end date moves the start date this many days back.
    static constexpr int kRangeDays = 27;

    // What a row's `sector` holds: the battery, or fence sector 1 or 2 (0, 1).
    static constexpr int kBatterySector = -1;

    enum DiagramType { BatteryDiagram = 0, OutputDiagram = 1 };

    explicit VoltageDiagrammsDlg(QWidget* parent = nullptr);
    ~VoltageDiagrammsDlg() override;

    // Prepares the dialog for one diagram type, fills the table and runs
    // the dialog until it is closed.
    void setDiagramType(TreeModel* energizerModel, int type);

    // The clock the write cycle, the rows' time stamps and the nightly
    // clean-up go by. Restarts the write cycle.
    void setClock(NightlyCleanup::Clock clock);

public slots:
    void afterTimer();
    void writeVoltageLog(Node* node);
    void writeCheckPoint();
    void cellDoubleClicked(int row, int column);
    void loadData();
    void dateChanged(QDate date);
    // False when the rows could not be deleted (the operator is told).
    bool clearLog(int days);
    void print();
    void printPreviewClosed();
    void setValue(int recNo, QString paramName, QVariant& paramValue, int reportPage);

signals:
    // A user action to be written into the user-action log.
    void writeUserActionLog(QString subject, QString message);

private:
    struct Reading
    {
        int energizerNo = 0;
        float battery = 0;
        float sector1 = 0;
        float sector2 = 0;
    };

    void clearOldRecords();
    bool readNode(Node* node, Reading& reading) const;
    void insertRow(const QString& stamp, float voltage, int sector, int energizerNo);
    void queueRow(const QString& statement, const QVariantList& values);
    void addStatisticsRow(int energizerNo, QString name, const QSqlQuery& query);

    Ui::VoltageDiagrammsDlg* ui = nullptr;
    TreeModel* energizerModel = nullptr;
    int diagramType = BatteryDiagram;
    NightlyCleanup cleanup;
    QDateTime cycleStart;
    ReportEngine* report = nullptr;
    QStringList columnTitles;
};
