#pragma once

#include <QVariant>

class Node;
class Property;
class PropertySet;
class QGraphicsItem;

// What a popup property page needs of the window that keeps the property
// panels: to be listed with the panels that live device data keeps current,
// to be filled like the docked panel, and to hand its edits to the same
// handler. The window hands it to the page it opens; a page without a host
// shows nothing.
class PropertyPanelHost
{
public:
    virtual ~PropertyPanelHost() = default;

    // The set stays listed until it is destroyed.
    virtual void addPopupSet(PropertySet* set) = 0;
    virtual void fillPropertyBrowser(PropertySet* set, QGraphicsItem* item, Node* node) = 0;
    virtual void propertyChanged(PropertySet* set, Property* property, const QVariant& value) = 0;
};

