#pragma once

#include <QString>
#include <QVariant>
#include <QWidget>

class AlarmStatesProxyModel;
class ReportEngine;
class TreeModel;
class UngroupProxyModel;

namespace Ui {
class AlarmStatesWidget;
}

// The states of the energizers and IO cards of every gateway, as a gateway
// tree or as one flat table, narrowed to alarmed rows and to the current
// workspace on request, and printed through a report template.
class AlarmStatesWidget : public QWidget
{
    Q_OBJECT
public:
    static constexpr const char* kReportFile = "AlarmStateReport.xml";
    static constexpr const char* kHeaderStateKey = "AlarmStatesWidgetState";
    static constexpr int kIpColumn = 11;
    static constexpr int kIpWidth = 120;

    AlarmStatesWidget(TreeModel* model, QWidget* parent = nullptr);
    ~AlarmStatesWidget() override;

    // Re-filters after node updates.
    void refresh();

    // The workspace tab in front, known by its caption; re-filters.
    void showWorkspace(const QString& caption);

public slots:
    void filteringAlarmStates();
    void print();
    void setValue(int recNo, QString paramName, QVariant& paramValue, int reportPage);
    void printPreviewClosed();

private:
    void showTableColumns(bool table);

    QString m_currentWorkspace;

    Ui::AlarmStatesWidget* ui = nullptr;
    TreeModel* model = nullptr;
    AlarmStatesProxyModel* proxy = nullptr;
    AlarmStatesProxyModel* printProxy = nullptr;
    UngroupProxyModel* tableModel = nullptr;
    ReportEngine* report = nullptr;
};
