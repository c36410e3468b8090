#pragma once

#include <QColor>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVariant>

class Node;
class Property;
class TreePropertyBrowser;
class VariantManager;
class VariantProperty;

// The record of one property panel: its browser, the manager that owns the
// rows, the name under which each row was recorded and the site node that
// the panel shows. Rows are addressed by their recorded (untranslated) name,
// never by the browser's row objects; the record owns none of the objects it
// points to.
class PropertySet : public QObject
{
    Q_OBJECT
public:
    explicit PropertySet(QObject* parent = nullptr);

    // Null once that node has been deleted: a panel (a popup above all) can
    // outlive the element it shows, and its readers must not reach it.
    Node* node() const;

    // One collapsed top-level row named `name`. Null, and nothing recorded,
    // when the manager does not support `propertyType`.
    VariantProperty* addProperty(const QString& name, int propertyType, const QVariant& value, bool readOnly);

    // No effect when no row carries `name`.
    void setValue(const QString& name, const QVariant& value);
    void setBackgroundColor(const QString& name, const QColor& color);

    // Deletes every row of the manager and forgets all names; the node, the
    // browser and the manager stay.
    void clear();

    TreePropertyBrowser* browser = nullptr;
    VariantManager* manager = nullptr;
    // Ordered by handle: of two rows under one name, lookups find the one
    // whose handle comes first.
    QMap<Property*, QString> propertyNames;
    Node* currentNode = nullptr;

private:
    VariantProperty* findProperty(const QString& name) const;
};
