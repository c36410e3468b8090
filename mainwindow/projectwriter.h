#pragma once

#include <QDomDocument>

class MainWindow;
class QDomElement;

// Builds the project document from the running site: the status colours
// and alarm caption, the sound alarms, the relay timers, then one
// "Workplace" per tab with its TW systems first and its map items after,
// topmost first. Only reads the window.
class ProjectWriter
{
public:
    explicit ProjectWriter(MainWindow& window);

    QDomDocument build() const;

private:
    void writeColorStatus(QDomDocument& document, QDomElement& project) const;
    void writeSoundAlarms(QDomDocument& document, QDomElement& project) const;
    void writeWorkplace(QDomDocument& document, QDomElement& workplaces, int index) const;
    void writeTWSystems(QDomDocument& document, QDomElement& workplace, int index) const;

    MainWindow& m_window;
};
