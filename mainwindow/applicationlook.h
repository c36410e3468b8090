#pragma once

#include <QList>
#include <QObject>
#include <QPair>
#include <QPalette>
#include <QString>

class QAction;
class QMenu;

// The application looks of the View menu (Default, Dark, Bronze, Coffee): the
// chosen one sets the application's palette and style and is kept in the
// settings; the palette the application started with is the default look's.
class ApplicationLook : public QObject
{
    Q_OBJECT
public:
    ApplicationLook(QMenu* menu, QAction* defaultLook, QAction* dark, QAction* bronze, QAction* coffee,
                    QObject* parent = nullptr);

    QPalette defaultPalette() const { return m_defaultPalette; }
    void applyStoredLook();

public slots:
    void setPalitte(const QString& name);

private:
    QList<QPair<QString, QAction*>> looks() const;

    QMenu* m_menu;
    QAction* m_default;
    QAction* m_dark;
    QAction* m_bronze;
    QAction* m_coffee;
    QPalette m_defaultPalette;
};
