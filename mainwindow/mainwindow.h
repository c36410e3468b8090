#pragma once

#include "actionmsglist.h"

#include <QMainWindow>
#include <QString>

class QCloseEvent;

// The running application's window. It builds and wires everything else.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

signals:
    void writeAlarmLog(QString source, QString reason, QString message);
    void writeUserActionLog(QString subject, QString message);
    void writeUserActionLogList(ActionMsgList messageList);

public slots:
    void closeApplication();

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void logUserAction(const QString& subject, const QString& message);

private:
    void createTreeModels();

    bool m_closing = false;
};

extern MainWindow* g_mainWindow;
