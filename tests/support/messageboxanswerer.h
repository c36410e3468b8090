#pragma once

#include <QMessageBox>
#include <QStringList>
#include <QTimer>

// Answers every message box that opens while it lives: records "title:text"
// and presses `answer` when the box has that button, otherwise closes it as
// accepted. Unlike a one-shot answerer it cannot outlive the test step.
class MessageBoxAnswerer
{
public:
    explicit MessageBoxAnswerer(QMessageBox::StandardButton answer = QMessageBox::Ok);

    QStringList seen() const { return m_seen; }

private:
    void poll();

    QMessageBox::StandardButton m_answer;
    QStringList m_seen;
    QTimer m_timer;
};
