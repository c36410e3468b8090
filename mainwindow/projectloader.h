#pragma once

#include <QDomElement>

class MainWindow;
class WorkplaceReader;

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

    // Removes every tab but the first, deleting their scenes and views, and
    // empties the first scene; the map items go before the nodes they point at.
    static void dropWorkspaces(MainWindow& window);

private:
    void readColorStatus(const QDomElement& root);
    void readSoundAlarms(const QDomElement& root);
    void readWorkplace(WorkplaceReader& reader, const QDomElement& workplace, int index);

    MainWindow& m_window;
};
