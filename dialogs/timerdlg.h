#pragma once

#include "timerdata.h"

#include <QDialog>
#include <QList>

namespace Ui {
class TimerDlg;
}

// Lists the weekly relay timers and edits one at a time on the timer task
// page of the many-purpose dialog (double click on its row). It works on a
// copy of the list: the caller hands the edited list back to the timer unit
// only when "Close" accepted the dialog; Escape or the window's close button
// drop every edit. Timers are neither added nor removed here.
class TimerDlg : public QDialog
{
    Q_OBJECT
public:
    static constexpr int TaskPageWidth = 350;
    static constexpr int TaskPageHeight = 300;
    static inline const QString TimeFormat = QStringLiteral("hh:mm");

    explicit TimerDlg(QWidget* parent = nullptr);
    ~TimerDlg() override;

    // Shows a copy of `timers` and runs the dialog; Accepted only for "Close".
    int editTimers(const QList<TimerData>& timers);
    // The working copy with the edits made so far.
    QList<TimerData> timers() const { return m_timers; }

public slots:
    void tableItemClicked(int row, int column);

private:
    void fillTable();

    Ui::TimerDlg* ui;
    QList<TimerData> m_timers;
};
