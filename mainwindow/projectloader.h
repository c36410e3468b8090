#pragma once

#include <QDomElement>
#include <QString>

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
    // An open that takes longer than this shows its progress.
    static constexpr int ProgressDelayMs = 500;

    explicit ProjectLoader(MainWindow& window);

    // Tests shorten the delay; a negative value restores it.
    static void setProgressDelay(int ms);

    // Tears the loaded project down and reads `document` in its place.
    void load(const QDomDocument& document);
    // The address of the last gateway box read whose address is a dotted
    // quad; empty when there is none. Other addresses stay on their boxes
    // but no link is made to them.
    QString gatewayAddress() const { return m_gatewayAddress; }

    // Removes every tab but the first, deleting their scenes and views, and
    // empties the first scene; the map items go before the nodes they point at.
    static void dropWorkspaces(MainWindow& window);

private:
    void readColorStatus(const QDomElement& root);
    void readSoundAlarms(const QDomElement& root);
    void readWorkplace(WorkplaceReader& reader, const QDomElement& workplace, int index);

    MainWindow& m_window;
    QString m_gatewayAddress;
};
