#pragma once

#include "projectwriter.h"

#include <QDomDocument>
#include <QObject>
#include <QSet>
#include <QString>

#include <array>
#include <functional>
#include <utility>

class AlarmsArea;
class DeviceUnits;
class ElementTreeArea;
class ProjectDocument;
class ProjectLoader;
class PropertyPanel;
class QAction;
class QMenu;
class QWidget;
class SiteTrees;
class WorkspaceArea;

// The file side of the running project: Open, the silent reopen of the last
// project, Save, Save As and New, the save question before a project is
// replaced, the window title, and the recent-files entries of the File
// menu (made here, in front of `before`). Loading and writing themselves are
// ProjectLoader's and ProjectWriter's, made here with the areas they read
// and fill. What the window itself does after an open or New (title, mode,
// design mode, settings) it is told by the signals below.
class ProjectFiles : public QObject
{
    Q_OBJECT
public:
    static constexpr int RecentFileCount = 5;
    // Set when the project to reopen at the next start was refused and
    // dropped from the recent files, or found missing; a file opened or
    // saved clears it.
    static inline const QString LastFileRefusedKey = QStringLiteral("LastFileRefused");

    // The units are asked for their clients and timer at the time of use;
    // questions and warnings show over `dialogParent`, which also owns this.
    ProjectFiles(ProjectDocument* project, WorkspaceArea* workspaces, SiteTrees* trees, AlarmsArea* alarms,
                 ElementTreeArea* elementTree, PropertyPanel* panel, DeviceUnits* units, QWidget* dialogParent,
                 QMenu* fileMenu, QAction* before);

    QAction* recentFileAction(int index) const { return m_recentFileActions.at(size_t(index)); }
    QAction* recentFilesSeparator() const { return m_recentFilesSeparator; }
    void updateRecentFileActions();
    void addRecentFile(const QString& fileName);
    void removeRecentFile(const QString& fileName);
    // Reopens the most recent file when the settings ask for it, the window
    // still holds the empty project it started with, and that file was not
    // refused since it was opened or saved.
    void openLastProject();
    // True while a read project replaces the running one: the heartbeats
    // the units sent about the rows going are of no use then.
    bool isLoading() const { return m_loading; }
    // Whether the project holds changes once the edit open in a property
    // panel has ended: a save writes what the panels show.
    bool hasChanges();
    // What a save names as the addresses the gateway link and the TW link
    // dial (GatewayLink, TWLink).
    void setLinksToSave(std::function<ProjectWriter::Links()> links) { m_linksToSave = std::move(links); }

public slots:
    // Open asks for a file; reopen reads the current file again, asking first
    // to save changes.
    void openFile();
    void reopenCurrentFile();
    void saveFile();
    void saveFileAs();
    void newFile();
    void openRecentFile(const QString& fileName);
    // Writes the running project to its unsaved copy, never over its file,
    // asking nothing, and logs where it went; the project stays changed.
    void writeUnsavedCopy();

signals:
    void userAction(QString subject, QString message);
    // The running project goes (New, or Open of a file that was read): what
    // shows its alarms and links forgets them.
    void projectClosed();
    // The window's title and the file it represents.
    void titleChanged(const QString& title);
    void filePathChanged(const QString& fileName);
    // The workspace in front of a read project shows what `mode` says.
    void workplaceModeChanged(int mode);
    // A read project stands, its first tab in front and its links made:
    // the areas are to follow the design mode and that tab.
    void projectShown();
    // New has emptied the project: the settings apply to it afresh.
    void settingsReloadWanted();
    // The open project names a link (the gateway's or the TW controller's)
    // at `address`, which is no IPv4 address: no link is made.
    void linkAddressRefused(bool gateway, const QString& address);

private:
    void createRecentFileActions();
    // What a write of the recent files does to LastFileRefusedKey.
    enum class LastFileMark { Keep, Set, Clear };
    void writeRecentFiles(const QStringList& files, LastFileMark mark);
    // Asks to save a changed project and saves it on Yes. False when the
    // answer was Yes and the save did not happen (cancelled or failed): the
    // project must then stay, with its edits.
    bool changesSettled();
    void showFileNameInTitle();
    void openProjectFile(const QString& fileName, bool explicitOpen);
    // Tells why `fileName` did not open; `refused`: for what it holds.
    void notOpened(const QString& fileName, const QString& reason, bool refused);
    void saveProject(bool chooseFile);
    QDomDocument buildDocument() const;
    void reconnectLinks(const ProjectLoader& loader);
    void stopLinks();
    void warnOfUnresolvableReferences();

    ProjectDocument* m_project;
    WorkspaceArea* m_workspaces;
    SiteTrees* m_trees;
    AlarmsArea* m_alarms;
    ElementTreeArea* m_elementTree;
    PropertyPanel* m_panel;
    DeviceUnits* m_units;
    QWidget* m_dialogParent;
    QMenu* m_fileMenu;
    QAction* m_before;
    QAction* m_recentFilesSeparator = nullptr;
    std::array<QAction*, RecentFileCount> m_recentFileActions{};
    // The references of this project the operator was told a save cannot keep.
    QSet<QString> m_toldReferences;
    bool m_loading = false;
    std::function<ProjectWriter::Links()> m_linksToSave;
};
