#pragma once

#include <QColor>
#include <QList>

#include <memory>

class MainWindow;
class PropertySet;
class QWidget;
class VariantManager;

// The docked property panel and the list of every open panel: element 0 is
// the docked one, popup pages append theirs. The docked panel's manager has
// no Qt parent and is owned here.
class PropertyPanel
{
public:
    PropertyPanel(MainWindow* window, QWidget* container);
    ~PropertyPanel();

    // Rows named after the status colours (and the blinking background) take
    // the given colours in every panel that has them.
    void setStatusColors(const QList<QColor>& statusColors, const QColor& textAlarmBackground);

    QList<PropertySet*> propertySets;

private:
    std::unique_ptr<VariantManager> m_manager;
};
