#include "gatewaysubtree.h"
#include "mainwindow.h"
#include "mappingdlg.h"
#include "modalanswerer.h"
#include "node.h"
#include "testhome.h"
#include "treemodel.h"

#include <QtTest>
#include <QtWidgets>

// The main window builds the three site tree models with their header roots.
class TestMainWindowModels : public QObject
{
    Q_OBJECT
private slots:
    void createsTheThreeModels();
    void mappingPickerOffersTheEditedGateway();
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

// Two gateways whose devices share their default names: mapping gateway A's
// energizer offers A's IO cards only, and a picked card is stored by its id.
void TestMainWindowModels::mappingPickerOffersTheEditedGateway()
{
    TestHome home;
    QVERIFY(home.openDatabase());
    GatewaySubtree a(QStringLiteral("10.0.0.1")), b(QStringLiteral("10.0.0.2"));
    MainWindow window;
    Node* gatewayA = a.elementNode.release();
    Node* gatewayB = b.elementNode.release();
    for (Node* gateway : {gatewayB, gatewayA})
        QVERIFY(g_elementTreeModel->insertNode(g_elementTreeModel->rootNode()->child(0), -1, gateway));
    QStringList offered;
    answerNextModal([&offered](QWidget* picker) {
        auto* tree = picker->findChild<QTreeView*>(QStringLiteral("treeView"));
        QAbstractItemModel* model = tree->model();
        for (int row = 0; row < model->rowCount(tree->rootIndex()); ++row)
            offered << model->index(row, 0, tree->rootIndex()).data().toString();
        tree->setCurrentIndex(model->match(model->index(0, 0, tree->rootIndex()), Qt::DisplayRole,
                                           QStringLiteral("IOCard40"), 1, Qt::MatchRecursive | Qt::MatchExactly)
                                  .value(0));
        picker->findChild<QPushButton*>(QStringLiteral("btnOK"))->click();
    });
    MappingDlg dialog;
    Node* energizer = gatewayA->child(0);
    dialog.prepareEnergizerPage(energizer);
    dialog.findChild<QToolButton*>(QStringLiteral("btnAddCard"))->click();
    QCOMPARE(offered.size(), GatewaySubtree::DeviceCount - GatewaySubtree::EnergizerCount);
    QCOMPARE(energizer->outputMappings.value(0).id, quint16(40));
}

QTEST_MAIN(TestMainWindowModels)
#include "tst_mainwindowmodels.moc"
