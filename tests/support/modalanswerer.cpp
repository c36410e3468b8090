#include "modalanswerer.h"
#include "pendinganswer.h"

#include <QApplication>
#include <QWidget>

void answerNextModal(std::function<void(QWidget* dialog)> answer, int timeoutMs)
{
    answerNextWidget(
        [] {
            QWidget* modal = QApplication::activeModalWidget();
            return modal && modal->isVisible() ? modal : nullptr;
        },
        std::move(answer), timeoutMs);
}
