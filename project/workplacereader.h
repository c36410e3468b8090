#pragma once

#include <QDomElement>
#include <QList>
#include <QMap>
#include <QString>

#include <functional>

class GraphicsBox;
class GraphicsScene;
class Node;
class QGraphicsItem;

// Reads one "Workplace" element of a project file into its scene: the TW
// systems with their sensors (into the TW sensor tree and, paired, under the
// workplace node), then the map items in the passes their references need
// (boxes and lines, TW sectors, gateway boxes, button actions), stacked as
// the file lists them. Needs only the map and the site model. A part that
// cannot be used is skipped with a diagnostic line.
class WorkplaceReader
{
public:
    struct Hooks {
        // A workspace without TW systems gets the default one.
        std::function<void(const QString& name, int index)> buildDefaultTWTree;
        // A button box was made and has its action button.
        std::function<void(GraphicsBox* button)> buttonMade;
        // A gateway box's address; the last one read sets the gateway link's host.
        std::function<void(const QString& address)> gatewayAddress;
    };

    WorkplaceReader(Node* twRoot, Hooks hooks);

    void read(const QDomElement& workplace, int index, GraphicsScene* scene);

    // The name of a button's command number; empty, with a diagnostic line,
    // for a number that names no button command.
    static QString commandName(int command);

private:
    void readTWSystems(const QDomElement& workplace, int index, GraphicsScene* scene);
    void readBoxesAndLines(const QList<QDomElement>& items, GraphicsScene* scene);
    void readTWSectors(const QList<QDomElement>& items, GraphicsScene* scene, int index);
    void readGatewayBoxes(const QList<QDomElement>& items, GraphicsScene* scene);
    void bindButtonActions(const QList<QDomElement>& items);
    void restoreStacking();

    Node* m_twRoot;
    Hooks m_hooks;
    // The items of the workspace being read, by their position in the file.
    QMap<int, QGraphicsItem*> m_readItems;
};
