#pragma once

#include <QDomElement>
#include <QList>
#include <QMap>
#include <QString>

class GraphicsScene;
class QGraphicsItem;
class MainWindow;
class Node;

// Rebuilds the running site from a parsed project document: the tabs, the
// three site trees, the colours, sound alarms and timers, the map items and
// the addresses of the controller links. The caller has parsed the whole
// file before; nothing here fails half-way, a part that cannot be used is
// skipped with a diagnostic line.
class ProjectLoader
{
public:
    explicit ProjectLoader(MainWindow& window);

    // Tears the loaded project down and reads `document` in its place.
    void load(const QDomDocument& document);

    // The name of a button's command number; empty, with a diagnostic line,
    // for a number that names no button command.
    static QString commandName(int command);

    // Removes every tab but the first, deleting their scenes and views, and
    // empties the first scene; the map items go before the nodes they point at.
    static void dropWorkspaces(MainWindow& window);

private:
    void readColorStatus(const QDomElement& root);
    void readSoundAlarms(const QDomElement& root);
    void readWorkplace(const QDomElement& workplace, int index);
    void readTWSystems(const QDomElement& workplace, int index, GraphicsScene* scene);
    void readBoxesAndLines(const QList<QDomElement>& items, GraphicsScene* scene);
    void readTWSectors(const QList<QDomElement>& items, GraphicsScene* scene, int index);
    void readGatewayBoxes(const QList<QDomElement>& items, GraphicsScene* scene);
    void bindButtonActions(const QList<QDomElement>& items);
    void restoreStacking();

    MainWindow& m_window;
    // The items of the workspace being read, by their position in the file.
    QMap<int, QGraphicsItem*> m_readItems;
};
