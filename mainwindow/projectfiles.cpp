#include "projectfiles.h"
#include "mainwindowlogging.h"

#include "apppaths.h"
#include "controlunit.h"
#include "deviceunits.h"
#include "graphicsscene.h"
#include "mainwindow.h"
#include "node.h"
#include "projectdocument.h"
#include "projectloader.h"
#include "projectwriter.h"
#include "propertypanel.h"
#include "propertyset.h"
#include "qtclient.h"
#include "qtclienttw.h"
#include "settingsfile.h"
#include "sitetrees.h"
#include "timerunit.h"
#include "treemodel.h"
#include "twcontrolunit.h"
#include "variantmanager.h"
#include "windowsettings.h"
#include "workplacewriter.h"
#include "workspacearea.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QSettings>
#include <QTabWidget>
#include <QUndoStack>

ProjectFiles::ProjectFiles(ProjectDocument* project, WorkspaceArea* workspaces, SiteTrees* trees, AlarmsArea* alarms,
                           ElementTreeArea* elementTree, PropertyPanel* panel, DeviceUnits* units,
                           QWidget* dialogParent, QMenu* fileMenu, QAction* before)
    : QObject(dialogParent)
    , m_project(project)
    , m_workspaces(workspaces)
    , m_trees(trees)
    , m_alarms(alarms)
    , m_elementTree(elementTree)
    , m_panel(panel)
    , m_units(units)
    , m_dialogParent(dialogParent)
    , m_fileMenu(fileMenu)
    , m_before(before)
{
    createRecentFileActions();
}

void ProjectFiles::createRecentFileActions()
{
    for (QAction*& action : m_recentFileActions) {
        action = new QAction(this);
        action->setVisible(false);
        m_fileMenu->insertAction(m_before, action);
        connect(action, &QAction::triggered, this, [this, action] { openRecentFile(action->data().toString()); });
    }
    m_recentFilesSeparator = m_fileMenu->addSeparator();
    updateRecentFileActions();
    m_fileMenu->insertAction(m_before, m_recentFilesSeparator);
}

void ProjectFiles::openLastProject()
{
    const auto settings = SettingsFile::open();
    if (!SettingsFile::boolValue(*settings, QStringLiteral("LoadLastFile"), true)
        || SettingsFile::boolValue(*settings, LastFileRefusedKey, false))
        return;
    // It runs once the window stands: by then the operator may have begun
    // a project of his own, which it must not replace.
    if (m_project->isModified() || !m_project->currentFileName.isEmpty())
        return;
    openProjectFile(m_recentFileActions.front()->data().toString(), false);
}

void ProjectFiles::updateRecentFileActions()
{
    const QStringList files = SettingsFile::open()->value(QStringLiteral("recentFileList")).toStringList();
    const int shown = std::min<int>(files.size(), RecentFileCount);
    for (int i = 0; i < RecentFileCount; ++i) {
        QAction* action = m_recentFileActions.at(size_t(i));
        if (i < shown) {
            action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(files.at(i)).fileName()));
            action->setData(files.at(i));
        }
        action->setVisible(i < shown);
    }
    m_recentFilesSeparator->setVisible(shown > 0);
}

void ProjectFiles::addRecentFile(const QString& fileName)
{
    emit filePathChanged(fileName);
    QStringList files = SettingsFile::open()->value(QStringLiteral("recentFileList")).toStringList();
    files.removeAll(fileName);
    files.prepend(fileName);
    while (files.size() > RecentFileCount)
        files.removeLast();
    writeRecentFiles(files, LastFileMark::Clear);
}

// The first entry is the project reopened at the next start. When it goes,
// the project kept running takes its place; without one, the next entry is
// no project the operator left open, so none is reopened.
void ProjectFiles::removeRecentFile(const QString& fileName)
{
    QStringList files = SettingsFile::open()->value(QStringLiteral("recentFileList")).toStringList();
    const bool wasLast = !files.isEmpty() && files.first() == fileName;
    if (files.removeAll(fileName) == 0)
        return;
    const QString running = m_project->currentFileName;
    if (!wasLast) {
        writeRecentFiles(files, LastFileMark::Keep);
    } else if (!running.isEmpty() && running != fileName) {
        files.removeAll(running);
        files.prepend(running);
        writeRecentFiles(files, LastFileMark::Clear);
    } else {
        writeRecentFiles(files, LastFileMark::Set);
    }
}

void ProjectFiles::writeRecentFiles(const QStringList& files, LastFileMark mark)
{
    WindowSettings::write([&files, mark](QSettings& settings) {
        settings.setValue(QStringLiteral("recentFileList"), files);
        if (mark == LastFileMark::Set)
            settings.setValue(LastFileRefusedKey, true);
        else if (mark == LastFileMark::Clear)
            settings.remove(LastFileRefusedKey);
    });
    updateRecentFileActions();
}

void ProjectFiles::openRecentFile(const QString& fileName)
{
    openProjectFile(fileName, false);
}

void ProjectFiles::openFile()
{
    if (!changesSettled())
        return;
    const QString chosen = ProjectDocument::chooseOpenFileName(m_dialogParent, QStringLiteral("Select File"),
                                                               AppPaths::homeDir(), QStringLiteral("XML (*.xml)"));
    // A cancelled dialog keeps the project and the name it was saved under.
    if (!chosen.isEmpty())
        openProjectFile(chosen, true);
}

void ProjectFiles::reopenCurrentFile()
{
    openProjectFile(m_project->currentFileName, false);
}

bool ProjectFiles::hasChanges()
{
    m_panel->finishEdits();
    return m_project->isModified();
}

bool ProjectFiles::changesSettled()
{
    if (!hasChanges())
        return true;
    const auto answer = QMessageBox::question(m_dialogParent, MainWindow::tr("Saving"),
                                              tr("The file was changed.\nSave the it?"),
                                              QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return true;
    saveFile();
    return !m_project->isModified();
}

void ProjectFiles::showFileNameInTitle()
{
    emit titleChanged(QApplication::applicationName() + QLatin1Char(' ') + QApplication::applicationVersion()
                      + QLatin1Char(' ') + m_project->currentFileName);
}

// The file is read and parsed in full before anything of the running
// project, its links or its title changes; a file that cannot be read
// changes nothing, and the operator is told why. The units run on: what
// they report meanwhile reaches the logs (heartbeats of rows about to go are
// dropped by the window while the load runs, see isLoading).
void ProjectFiles::openProjectFile(const QString& fileName, bool explicitOpen)
{
    if (fileName.isEmpty() || (!explicitOpen && !changesSettled()))
        return;
    QDomDocument document;
    QString error;
    bool refused = false;
    if (!ProjectDocument::read(fileName, document, &error, &refused)) {
        if (!QFileInfo::exists(fileName))
            m_project->currentFileName.clear();
        notOpened(fileName, error, refused);
        return;
    }
    addRecentFile(fileName);
    stopLinks();
    emit projectClosed();
    m_project->currentFileName = fileName;
    showFileNameInTitle();
    emit userAction(MainWindow::LogSubject, MainWindow::tr("Opening file %1").arg(fileName));
    ProjectLoader loader(m_workspaces, m_trees, m_alarms, m_elementTree, m_panel, m_units->timerUnit(),
                         m_dialogParent);
    {
        const QScopedValueRollback<bool> loading(m_loading, true);
        loader.load(document);
    }
    m_toldReferences.clear();
    m_project->workspaceDocument = document;
    m_trees->rebuildEnergizerModel(*m_workspaces);
    m_project->setModified(false);
    {
        // The window takes the tab in front once the project shows.
        const QSignalBlocker quietTabs(m_workspaces->tabs());
        m_workspaces->tabs()->setCurrentIndex(0);
    }
    if (GraphicsScene* scene = m_workspaces->sceneAt(0))
        emit workplaceModeChanged(m_workspaces->workplaceMode(scene));
    reconnectLinks(loader);
    emit projectShown();
}

// Only a file refused for what it holds leaves the recent list: one that is
// missing or unreadable now may open next time. A missing last project is
// not reopened at the next start, though, which would only tell the
// operator again; opening or saving a project lifts that.
void ProjectFiles::notOpened(const QString& fileName, const QString& reason, bool refused)
{
    if (refused) {
        removeRecentFile(fileName);
    } else if (!QFileInfo::exists(fileName)) {
        const QStringList files = SettingsFile::open()->value(QStringLiteral("recentFileList")).toStringList();
        if (!files.isEmpty() && files.first() == fileName)
            writeRecentFiles(files, LastFileMark::Set);
    }
    QMessageBox::warning(m_dialogParent, MainWindow::tr("Project not opened"),
                         MainWindow::tr("%1 was not opened: %2.").arg(fileName, reason));
}

// The links follow the open project, each to the address the loader chose
// for it, and only to a dotted quad. A project without one has no such
// link; nothing of the previous project's is kept. A link the project names
// at an address that is no dotted quad is not made, and its status field
// says so.
void ProjectFiles::reconnectLinks(const ProjectLoader& loader)
{
    if (qtClient* client = m_units->fenceClient())
        client->moveTo(loader.gatewayAddress());
    if (qtClientTW* twClient = m_units->twClient())
        twClient->moveTo(loader.twAddress());
    if (loader.gatewayAddress().isEmpty() && !loader.refusedGatewayAddress().isEmpty())
        emit linkAddressRefused(true, loader.refusedGatewayAddress());
    if (loader.twAddress().isEmpty() && !loader.refusedTWAddress().isEmpty())
        emit linkAddressRefused(false, loader.refusedTWAddress());
}

// Closed for good: a retry or an attempt under way must not bring the
// previous project's link back. The gateway link forgets its address too:
// no box of the project that goes is followed any more.
void ProjectFiles::stopLinks()
{
    if (qtClient* client = m_units->fenceClient()) {
        client->stopLink();
        client->moveTo(QString());
    }
    if (qtClientTW* twClient = m_units->twClient())
        twClient->stopLink();
}

void ProjectFiles::saveFile()
{
    saveProject(m_project->currentFileName.isEmpty());
}

void ProjectFiles::saveFileAs()
{
    saveProject(true);
}

void ProjectFiles::saveProject(bool chooseFile)
{
    m_panel->finishEdits();
    QString fileName = m_project->currentFileName;
    if (chooseFile) {
        fileName = ProjectDocument::chooseSaveFileName(m_dialogParent, MainWindow::tr("Save File"), QString(),
                                                       tr("XML Files (*.xml)"));
        if (fileName.isEmpty())
            return;
    }
    // Built once the name is chosen: what changed while the dialog was open
    // is in the file that the project is then marked as saved to.
    const QDomDocument document = buildDocument();
    QString error;
    if (!ProjectDocument::write(fileName, document, &error)) {
        // The project stays changed and keeps its file: nothing of it reached the new one.
        QMessageBox::warning(m_dialogParent, MainWindow::tr("File writting error"), error, QMessageBox::Ok);
        return;
    }
    m_project->currentFileName = fileName;
    addRecentFile(fileName);
    m_project->workspaceDocument = document;
    m_project->setModified(false);
    // The next edit on a map leaves its stack's clean state and marks the project changed again.
    for (GraphicsScene* scene : m_workspaces->scenes())
        scene->undoStack()->setClean();
    showFileNameInTitle();
    warnOfUnresolvableReferences();
}

void ProjectFiles::writeUnsavedCopy()
{
    const QString copy = ProjectDocument::unsavedCopyName(m_project->currentFileName);
    const QDomDocument document = buildDocument();
    QString error;
    if (ProjectDocument::write(copy, document, &error)) {
        emit userAction(MainWindow::LogSubject, MainWindow::tr("Unsaved changes written to %1").arg(copy));
        return;
    }
    qCWarning(lcMainWindow).noquote() << "Unsaved changes not written to" << copy << error;
    emit userAction(MainWindow::LogSubject,
                    MainWindow::tr("Unsaved changes could not be written to %1: %2").arg(copy, error));
}

// The file names where each link dials, while a box or a TW system of the
// project stands at its address: an empty name keeps the reopened
// project's link closed.
QDomDocument ProjectFiles::buildDocument() const
{
    const ProjectWriter::Links links = m_linksToSave ? m_linksToSave() : ProjectWriter::Links();
    return ProjectWriter(m_workspaces, m_trees, m_alarms, m_units->timerUnit(), links).build();
}

// Once for each reference: the operator renames or links an element, or
// keeps the file as it is knowingly. Each line says which case holds.
void ProjectFiles::warnOfUnresolvableReferences()
{
    QStringList untold;
    for (const WorkplaceWriter::UnresolvableReference& reference :
         WorkplaceWriter::unresolvableReferences(m_workspaces->scenes())) {
        const QString named = QStringLiteral("%1: \"%2\"").arg(reference.referrer, reference.name);
        const QString line = reference.bearers == 0 ? MainWindow::tr("%1 is not found: no element bears the name").arg(named)
                             : reference.bearers == 1
                                 ? MainWindow::tr("%1 would bind another element of that name").arg(named)
                                 : MainWindow::tr("%1 is ambiguous: %2 elements bear the name").arg(named).arg(reference.bearers);
        if (!m_toldReferences.contains(line))
            untold.append(line);
    }
    if (untold.isEmpty())
        return;
    m_toldReferences.unite(QSet<QString>(untold.cbegin(), untold.cend()));
    QMessageBox::warning(m_dialogParent, MainWindow::tr("Unresolved references"),
                         MainWindow::tr("The project was saved, but opening it will not bind these references "
                                        "to the element they name now:\n%1")
                             .arg(untold.join(QLatin1Char('\n'))));
}

void ProjectFiles::newFile()
{
    if (!changesSettled())
        return;
    m_project->setModified(false);
    stopLinks();
    emit projectClosed();
    ProjectLoader::dropWorkspaces(m_workspaces, m_panel);
    m_trees->energizerModel()->clear();
    m_trees->twSensorModel()->clear();
    m_trees->elementModel()->clear();
    if (TimerUnit* timers = m_units->timerUnit())
        timers->setDefaultTimers();
    const int index = m_workspaces->tabs()->currentIndex();
    const QString caption = MainWindow::tr("Untitled %1").arg(index + 1);
    if (GraphicsScene* scene = m_workspaces->currentScene()) {
        scene->createWorkplaceNode(caption);
        m_workspaces->setWorkplaceMode(scene, 0);
    }
    PropertySet* docked = m_panel->dockedSet();
    if (docked && docked->manager) {
        // Quietly: an emptied picture row must neither add an image box nor mark the project changed.
        const QSignalBlocker blocker(docked->manager);
        docked->setValue(QStringLiteral("Bground image"), QString());
    }
    m_trees->buildTWSensorTree(caption, index, m_workspaces->currentWorkplace());
    // Named once its TW system stands: every view that knows the workspace
    // by its caption hears of the new one.
    m_workspaces->renameWorkspace(index, caption);
    m_trees->rebuildEnergizerModel(*m_workspaces);
    m_project->workspaceDocument.clear();
    m_toldReferences.clear();
    m_project->currentFileName.clear();
    showFileNameInTitle();
    emit settingsReloadWanted();
}
