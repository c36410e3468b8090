#pragma once

#include <QDomElement>
#include <QList>
#include <QMap>
#include <QString>

#include <functional>

class GraphicsBox;
class GraphicsCircle;
class GraphicsScene;
class Node;
class QGraphicsItem;
namespace ItemXml {
class ReferenceIndex;
}

// Reads the "Workplace" elements of a project file into their scenes: the
// TW systems with their sensors (into the TW sensor tree and, paired, under
// the workplace node), then the map items in the passes their kinds need
// (boxes and lines, TW sectors, gateway boxes), stacked as the file lists
// them. The references in the items (the actions of sectors and TW sectors,
// the targets of buttons) are bound once every workspace is read, each
// first within its own workspace (ItemXml::ReferenceIndex). Needs only the
// map and the site model. A part that cannot be used is skipped with a
// diagnostic line.
class WorkplaceReader
{
public:
    struct Hooks {
        // A workspace without TW systems gets the default one.
        std::function<void(const QString& name, int index)> buildDefaultTWTree;
        // A button box was made and has its action button.
        std::function<void(GraphicsBox* button)> buttonMade;
        // A gateway box was read, its address as the file holds it.
        std::function<void(const GraphicsBox* gateway)> gatewayRead;
        // An item of the file was read (for the progress of a long open).
        std::function<void()> itemRead;
    };

    WorkplaceReader(Node* twRoot, Hooks hooks);

    // Reads one workspace's items; their references wait for bindReferences.
    void readItems(const QDomElement& workplace, int index, GraphicsScene* scene);
    // Binds the references of every workspace read so far, looked up among
    // the elements of `scenes` (the whole site).
    void bindReferences(const QList<GraphicsScene*>& scenes);
    // Reads one workspace and binds its references: a site of one workspace.
    void read(const QDomElement& workplace, int index, GraphicsScene* scene);

    // The name of a button's command number; empty, with a diagnostic line,
    // for a number that names no button command.
    static QString commandName(int command);

private:
    // An item whose references wait for the binding pass.
    template <typename Item> struct Pending {
        QDomElement element;
        Item* item = nullptr;
    };
    struct ReadWorkspace {
        GraphicsScene* scene = nullptr;
        Node* twSystem = nullptr;
        QList<Pending<GraphicsCircle>> twSectors;
        QList<Pending<GraphicsBox>> gateways;
        QList<Pending<GraphicsBox>> buttons;
    };

    void readTWSystems(const QDomElement& workplace, int index, GraphicsScene* scene);
    void readBoxesAndLines(const QList<QDomElement>& items, ReadWorkspace& read);
    void readTWSectors(const QList<QDomElement>& items, int index, ReadWorkspace& read);
    void readGatewayBoxes(const QList<QDomElement>& items, ReadWorkspace& read);
    void bindButtonActions(const ReadWorkspace& read, const ItemXml::ReferenceIndex& index);
    void restoreStacking();
    void itemRead();

    Node* m_twRoot;
    Hooks m_hooks;
    // The items of the workspace being read, by their position in the file.
    QMap<int, QGraphicsItem*> m_readItems;
    QList<ReadWorkspace> m_unbound;
};
