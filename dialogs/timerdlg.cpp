#include "timerdlg.h"
#include "ui_timerdlg.h"

#include "cellwidgets.h"
#include "commondlg.h"

#include <QTableWidgetItem>

TimerDlg::TimerDlg(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::TimerDlg)
{
    ui->setupUi(this);
    connect(ui->tableWidget, &QTableWidget::cellDoubleClicked, this, &TimerDlg::tableItemClicked);
}

TimerDlg::~TimerDlg()
{
    delete ui;
}

int TimerDlg::editTimers(const QList<TimerData>& timers)
{
    m_timers = timers;
    fillTable();
    return exec();
}

void TimerDlg::fillTable()
{
    QTableWidget* table = ui->tableWidget;
    table->setRowCount(m_timers.size());
    for (int row = 0; row < m_timers.size(); ++row) {
        const TimerData& timer = m_timers.at(row);
        table->setItem(row, 0, new QTableWidgetItem(timer.name));
        table->setItem(row, 1, new QTableWidgetItem(timer.from.toString(TimeFormat)));
        table->setItem(row, 2, new QTableWidgetItem(timer.to.toString(TimeFormat)));
        // The flag is shown only; it is changed on the timer task page.
        QWidget* cell = createCheckBoxCell(timer.active, table, {});
        cell->setEnabled(false);
        table->setCellWidget(row, 3, cell);
    }
}

void TimerDlg::tableItemClicked(int row, int)
{
    if (row < 0 || row >= m_timers.size())
        return;
    CommonDlg page(this);
    page.resize(TaskPageWidth, TaskPageHeight);
    page.timerSetting(m_timers[row]);
    fillTable();
}
