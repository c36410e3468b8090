#include "pendinganswer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

namespace {

QByteArray currentStep()
{
    return QByteArray(QTest::currentTestFunction()) + '/' + QTest::currentDataTag();
}

} // namespace

void answerNextWidget(std::function<QWidget*()> find, std::function<void(QWidget*)> answer, int timeoutMs)
{
    auto timer = new QTimer(qApp);
    QElapsedTimer clock;
    clock.start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer,
                     [timer, clock, find = std::move(find), answer = std::move(answer), timeoutMs, step = currentStep()]() {
                         const bool stepOver = step != currentStep();
                         QWidget* widget = stepOver ? nullptr : find();
                         if (widget || stepOver || clock.elapsed() > timeoutMs) {
                             timer->stop();
                             timer->deleteLater();
                         }
                         if (widget)
                             answer(widget);
                     });
    timer->start();
}
