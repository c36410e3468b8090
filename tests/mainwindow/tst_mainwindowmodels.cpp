#include "mainwindow.h"
#include "node.h"
#include "testhome.h"
#include "treemodel.h"

#include <QtTest>

// The main window builds the three site tree models with their header roots.
class TestMainWindowModels : public QObject
{
    Q_OBJECT
private slots:
    void createsTheThreeModels();
};

void TestMainWindowModels::createsTheThreeModels()
{
    TestHome home;
    QVERIFY(home.openDatabase());
    {
        MainWindow window;
        const QList<QPair<TreeModel*, QStringList>> expected = {
            {g_elementTreeModel, {"Name"}},
            {g_energizerModel,
             {"Name", "Status", "Sector1", "Voltage1", "Sector2", "Voltage2", "Gate", "Duration", "Attemts",
              "Last Try", "Workspace", "IP"}},
            {g_twSensorModel, {"Name", "Status", "Workplace", "WorkplaceID"}},
        };
        for (const auto& entry : expected) {
            TreeModel* model = entry.first;
            QVERIFY(model);
            QCOMPARE(model->parent(), &window);
            QVERIFY(model->rootNode());
            QCOMPARE(model->columnCount(), entry.second.size());
            // The element tree and the TW sensor model start with the first workspace's node and TW system.
            QCOMPARE(model->rowCount(), model == g_energizerModel ? 0 : 1);
            for (int section = 0; section < entry.second.size(); ++section)
                QCOMPARE(model->headerData(section, Qt::Horizontal).toString(), entry.second.at(section));
        }
        QVERIFY(g_elementTreeModel != g_energizerModel && g_energizerModel != g_twSensorModel);
    }
    QVERIFY(!g_elementTreeModel);
    QVERIFY(!g_energizerModel);
    QVERIFY(!g_twSensorModel);
    home.closeDatabase();
}

QTEST_MAIN(TestMainWindowModels)
#include "tst_mainwindowmodels.moc"
