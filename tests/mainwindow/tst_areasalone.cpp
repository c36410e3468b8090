// The window's areas are built here from their collaborators alone, with
// no window: what an area needs it must be given.
#include "dialoglaunchers.h"
#include "fakemainwindow.h"
#include "graphicsscene.h"
#include "messageboxanswerer.h"
#include "node.h"
#include "sitetrees.h"
#include "treemodel.h"
#include "workspaceactions.h"
#include "workspacearea.h"

#include <QTabWidget>
#include <QtTest>

class TstAreasAlone : public QObject
{
    Q_OBJECT

private slots:
    // Deleting a tab of three shifts the later workspace's TW system with it
    // and tells the panels and the log, all through what the area was given.
    void workspaceDeletionWithoutWindow()
    {
        FakeMainWindow host;
        SiteTrees trees(nullptr);
        QTabWidget tabs;
        WorkspaceArea workspaces(&tabs, &host, &host, trees.elementModel(), trees.energizerModel());
        std::unique_ptr<DialogLaunchers> launchers = std::make_unique<DialogLaunchers>(&host);
        WorkspaceActions actions(&workspaces, &trees, launchers, &host);
        QStringList announced;  // each tab's caption as it comes to the front, the first as it is added
        connect(&tabs, &QTabWidget::currentChanged, this, [&](int index) { announced << workspaces.caption(index); });
        for (int tab = 0; tab < 3; ++tab) {
            workspaces.addWorkspace(QString());
            trees.buildTWSensorTree(tabs.tabText(tab), tab, workspaces.currentWorkplace());
        }
        QCOMPARE(tabs.tabText(2), QStringLiteral("Untitled 3"));
        QCOMPARE(announced, (QStringList{"Untitled 1", "Untitled 2", "Untitled 3"}));

        const Node* emptied = nullptr;
        connect(&actions, &WorkspaceActions::workplaceEmptying, this, [&](const Node* node) { emptied = node; });
        QSignalSpy logged(&actions, &WorkspaceActions::userAction);
        QSignalSpy modified(&actions, &WorkspaceActions::projectModified);
        const Node* deleted = workspaces.sceneAt(1)->workplaceNode();
        tabs.setCurrentIndex(1);
        {
            MessageBoxAnswerer yes(QMessageBox::Yes);
            actions.deleteWorkspace();
        }
        QCOMPARE(workspaces.count(), 2);
        QCOMPARE(emptied, deleted);
        QCOMPARE(logged.value(0).value(1).toString(), QStringLiteral("Workspace Untitled 2 deleted"));
        QCOMPARE(modified.size(), 1);
        Node* last = trees.twSensorRoot()->child(1);
        QCOMPARE(last->data(3).toInt(), 1);
        QCOMPARE(last->deviceNode->parent(), workspaces.sceneAt(1)->workplaceNode());
        qDeleteAll(workspaces.scenes());
    }
};

QTEST_MAIN(TstAreasAlone)
#include "tst_areasalone.moc"
