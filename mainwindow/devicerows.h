#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QVariant>

class Node;

// The panel rows that show a device's live state and how each is read from
// the device's status row. The panel fill and every heartbeat read them from
// this one table, so a heartbeat that brings nothing new writes nothing new
// and an untouched project stays unchanged.
namespace DeviceRows {

// One row as the panel shows it: a read-only text or a check box the
// operator switches, its value and, when valid, its background.
struct Value
{
    QString name;
    QVariant value;
    QColor background;
    bool check = false;
    bool readOnly = true;
};

// The device rows of `shown` (an energizer, one of its first two sectors,
// its gate, an IO card or a TW sensor), in screen order, read from its
// device's status row `row`. Empty for other nodes and without a row.
QList<Value> read(const Node* shown, const Node* row);

// Whether the devices write a text row of this name. A change of one is never
// an edit; the devices' check rows are switches the project keeps as well.
bool isDeviceText(const QString& name);

} // namespace DeviceRows
