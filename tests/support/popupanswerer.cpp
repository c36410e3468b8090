#include "popupanswerer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <memory>

void answerNextPopup(std::function<void(QWidget* popup)> answer, int timeoutMs)
{
    auto timer = new QTimer(qApp);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, clock, answer, timeoutMs]() {
        QWidget* popup = QApplication::activePopupWidget();
        if (popup && popup->isVisible()) {
            timer->stop();
            timer->deleteLater();
            answer(popup);
        } else if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}
