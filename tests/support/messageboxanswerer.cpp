#include "messageboxanswerer.h"
#include "operatorclick.h"

#include <QAbstractButton>
#include <QApplication>

MessageBoxAnswerer::MessageBoxAnswerer(QMessageBox::StandardButton answer)
    : m_answer(answer)
{
    m_timer.setInterval(10);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
    m_timer.start();
}

void MessageBoxAnswerer::poll()
{
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;
    m_seen << box->windowTitle() + QLatin1Char(':') + box->text();
    // The answer goes through the box's window, as the operator's click does.
    QAbstractButton* button = box->button(m_answer);
    if (!button || !operatorClick(button))
        box->accept();
}
