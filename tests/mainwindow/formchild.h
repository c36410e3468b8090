#pragma once

#include <QAction>
#include <QLatin1String>
#include <QObject>

// A widget or action of the window's form by its object name, as the
// operator meets it; null when the form has no such object.
template <typename T = QAction>
T* formChild(const QObject* window, const char* name)
{
    return window->findChild<T*>(QLatin1String(name));
}
