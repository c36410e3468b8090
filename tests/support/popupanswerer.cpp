#include "popupanswerer.h"
#include "pendinganswer.h"

#include <QApplication>
#include <QWidget>

void answerNextPopup(std::function<void(QWidget* popup)> answer, int timeoutMs)
{
    answerNextWidget(
        [] {
            QWidget* popup = QApplication::activePopupWidget();
            return popup && popup->isVisible() ? popup : nullptr;
        },
        std::move(answer), timeoutMs);
}
