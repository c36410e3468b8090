#include "popupanswerer.h"
#include "pendinganswer.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
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

void answerNextMenu(const char* name, int timeoutMs)
{
    answerNextPopup(
        [name](QWidget* popup) {
            auto* menu = qobject_cast<QMenu*>(popup);
            QAction* entry = name ? menu->findChild<QAction*>(QLatin1String(name)) : menu->actions().value(0);
            QTest::mouseClick(menu->windowHandle(), Qt::LeftButton, {}, menu->actionGeometry(entry).center());
        },
        timeoutMs);
}
