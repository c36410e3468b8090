#pragma once

#include <QDomElement>
#include <QList>

#include <memory>

class FakeMainWindow;
class GraphicsScene;
class Node;
class QGraphicsItem;
class QDomDocument;

// A workspace as the map's tests need it: the TW system nodes the main window
// builds, and its items written to and read from a "Workplace" element by the
// project library, as a project file holds them.
namespace WorkspaceFixture {


struct TwSystem {
    Node* modelSystem = nullptr;    // in the TW sensor tree
    Node* elementSystem = nullptr;  // its twin under the workplace node
    QList<Node*> modelSensors;
    QList<Node*> elementSensors;
};

// One site: a window, a workspace scene with a TW system of four sensors,
// and one sound alarm ("siren.wav") with a child of its own.
struct Site {
    Site();
    ~Site();
    // Inserts, names and places the element as the scene does for a new one.
    template <typename T> T* add(T* item)
    {
        addElement(item);
        return item;
    }
    void addElement(QGraphicsItem* item);

    std::unique_ptr<FakeMainWindow> window;
    std::unique_ptr<GraphicsScene> scene;
    std::unique_ptr<Node> twRoot;
    TwSystem tw;
    QList<Node*> sounds;
};

// A TW system with `sensorCount` sensors under `twRoot`, and its twin with
// paired sensors under the scene's workplace node.
TwSystem addTwSystem(GraphicsScene* scene, Node* twRoot, int sensorCount);

// A "Workplace" element with every map element of the scene, topmost first.
QDomElement writeWorkspace(QDomDocument& document, GraphicsScene* scene);

// Reads the items of a "Workplace" element into the scene, TW sectors under
// `twSystem`. Returns the number of elements made.
int readWorkspace(const QDomElement& workplace, GraphicsScene* scene, Node* twSystem);

// An element as text with its attributes sorted by name (the XML library
// writes them in no fixed order), children in document order.
QString canonical(const QDomElement& element);
QString canonical(const QString& xml);

// True when every node below `root` is reached once, its parent link matches
// and no node is its own ancestor.
bool treeIsSound(const Node* root);

} // namespace WorkspaceFixture
