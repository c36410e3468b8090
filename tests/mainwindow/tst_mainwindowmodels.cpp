#include "gatewaysubtree.h"
#include "mainwindow.h"
#include "mappingdlg.h"
#include "modalanswerer.h"
#include "node.h"
#include "operatorclick.h"
#include "sitetrees.h"
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
        SiteTrees* trees = window.trees();
        const QList<QPair<TreeModel*, QStringList>> expected = {
            {trees->elementModel(), {"Name"}},
            {trees->energizerModel(),
             {"Name", "Status", "Sector1", "Voltage1", "Sector2", "Voltage2", "Gate", "Duration", "Attemts",
              "Last Try", "Workspace", "IP"}},
            {trees->twSensorModel(), {"Name", "Status", "Workplace", "WorkplaceID"}},
        };
        for (const auto& entry : expected) {
            TreeModel* model = entry.first;
            QVERIFY(model);
            QCOMPARE(model->parent(), &window);
            QVERIFY(model->rootNode());
            QCOMPARE(model->columnCount(), entry.second.size());
            // The element tree and the TW sensor model start with the first workspace's node and TW system.
            QCOMPARE(model->rowCount(), model == trees->energizerModel() ? 0 : 1);
            for (int section = 0; section < entry.second.size(); ++section)
                QCOMPARE(model->headerData(section, Qt::Horizontal).toString(), entry.second.at(section));
        }
        QVERIFY(trees->elementModel() != trees->energizerModel() && trees->energizerModel() != trees->twSensorModel());
        // The process-wide pointers, for code without a window, name these while it lives and nothing after.
        const QList<TreeModel*> named{g_elementTreeModel, g_energizerModel, g_twSensorModel};
        QCOMPARE(named, (QList<TreeModel*>{trees->elementModel(), trees->energizerModel(), trees->twSensorModel()}));
    }
    QCOMPARE((QList<TreeModel*>{g_elementTreeModel, g_energizerModel, g_twSensorModel}), (QList<TreeModel*>{nullptr, nullptr, nullptr}));
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
    TreeModel* elements = window.trees()->elementModel();
    for (Node* gateway : {gatewayB, gatewayA})
        QVERIFY(elements->insertNode(elements->rootNode()->child(0), -1, gateway));
    QStringList offered;
    answerNextModal([&offered](QWidget* picker) {
        auto* tree = picker->findChild<QTreeView*>(QStringLiteral("treeView"));
        QAbstractItemModel* model = tree->model();
        for (int row = 0; row < model->rowCount(tree->rootIndex()); ++row)
            offered << model->index(row, 0, tree->rootIndex()).data().toString();
        tree->setCurrentIndex(model->match(model->index(0, 0, tree->rootIndex()), Qt::DisplayRole,
                                           QStringLiteral("IOCard40"), 1, Qt::MatchRecursive | Qt::MatchExactly)
                                  .value(0));
        QVERIFY(operatorClick(picker->findChild<QPushButton*>(QStringLiteral("btnOK"))));
    });
    MappingDlg dialog;
    Node* energizer = gatewayA->child(0);
    dialog.prepareEnergizerPage(energizer);
    QVERIFY(operatorClick(dialog.findChild<QToolButton*>(QStringLiteral("btnAddCard"))));
    QCOMPARE(offered.size(), GatewaySubtree::DeviceCount - GatewaySubtree::EnergizerCount);
    QCOMPARE(energizer->outputMappings.value(0).id, quint16(40));
}

QTEST_MAIN(TestMainWindowModels)
#include "tst_mainwindowmodels.moc"
