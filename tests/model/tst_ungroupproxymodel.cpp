#include "node.h"
#include "treemodel.h"
#include "ungroupproxymodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QtTest>

#include <memory>

namespace {

// A top-level row named `name` with `children` children "name0", "name1", ...
QList<QStandardItem*> group(const QString& name, int children)
{
    auto* top = new QStandardItem(name);
    for (int i = 0; i < children; ++i)
        top->appendRow({new QStandardItem(name + QString::number(i)), new QStandardItem(QStringLiteral("v%1").arg(i))});
    return {top, new QStandardItem(name + QStringLiteral("-info"))};
}

QStringList column0(const QAbstractItemModel& model)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.index(row, 0).data().toString();
    return texts;
}

} // namespace

class TestUngroupProxyModel : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void mapsBothWays();
    void indexesOutsideTheTableAreInvalid();
    void childRowsAreAnnouncedAtTheirFlatPosition();
    void topLevelRemovalAnnouncesTheChildren();
    void childlessTopLevelRemovalAnnouncesNothing();
    void newTopLevelRowReachesProxiesAbove();
    void layoutChangeOfTheSourceIsFollowed();
    void dataChangesAreMapped();
    void followsTheSiteTreeModel();
    void headersShowWithoutRows();

private:
    std::unique_ptr<QStandardItemModel> m_source;
    std::unique_ptr<UngroupProxyModel> m_proxy;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

void TestUngroupProxyModel::init()
{
    m_source = std::make_unique<QStandardItemModel>();
    m_source->setColumnCount(2);
    m_source->appendRow(group(QStringLiteral("A"), 2));
    m_source->appendRow(group(QStringLiteral("B"), 3));
    m_proxy = std::make_unique<UngroupProxyModel>();
    m_proxy->setSourceModel(m_source.get());
    m_tester = std::make_unique<QAbstractItemModelTester>(m_proxy.get(),
                                                          QAbstractItemModelTester::FailureReportingMode::QtTest);
}

void TestUngroupProxyModel::cleanup()
{
    m_tester.reset();
    m_proxy.reset();
    m_source.reset();
}

void TestUngroupProxyModel::mapsBothWays()
{
    QCOMPARE(m_proxy->rowCount(), 5);
    QCOMPARE(m_proxy->columnCount(), 2);
    QCOMPARE(column0(*m_proxy), (QStringList{"A0", "A1", "B0", "B1", "B2"}));
    QCOMPARE(m_proxy->index(3, 1).data().toString(), QStringLiteral("v1"));

    const QModelIndex b = m_source->index(1, 0);
    QCOMPARE(m_proxy->mapFromSource(m_source->index(0, 1, b)), m_proxy->index(2, 1));
    QCOMPARE(m_proxy->mapToSource(m_proxy->index(4, 0)), m_source->index(2, 0, b));
    QCOMPARE(m_proxy->mapToSource(m_proxy->index(1, 0)), m_source->index(1, 0, m_source->index(0, 0)));
    // Top-level rows have no flat row.
    QVERIFY(!m_proxy->mapFromSource(b).isValid());
    QVERIFY(!m_proxy->parent(m_proxy->index(2, 0)).isValid());
}

void TestUngroupProxyModel::indexesOutsideTheTableAreInvalid()
{
    QVERIFY(!m_proxy->index(5, 0).isValid());
    QVERIFY(!m_proxy->index(0, 2).isValid());
    QVERIFY(!m_proxy->index(-1, 0).isValid());
    QVERIFY(!m_proxy->index(0, 0, m_proxy->index(0, 0)).isValid());
    QCOMPARE(m_proxy->rowCount(m_proxy->index(0, 0)), 0);

    UngroupProxyModel empty;
    QCOMPARE(empty.rowCount(), 0);
    QCOMPARE(empty.columnCount(), 0);
    QVERIFY(!empty.index(0, 0).isValid());
}

void TestUngroupProxyModel::childRowsAreAnnouncedAtTheirFlatPosition()
{
    QSignalSpy inserted(m_proxy.get(), &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(m_proxy.get(), &QAbstractItemModel::rowsAboutToBeRemoved);

    m_source->item(1)->insertRows(1, {new QStandardItem(QStringLiteral("Bx")), new QStandardItem(QStringLiteral("By"))});
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.at(0).at(1).toInt(), 3);
    QCOMPARE(inserted.at(0).at(2).toInt(), 4);
    QCOMPARE(column0(*m_proxy), (QStringList{"A0", "A1", "B0", "Bx", "By", "B1", "B2"}));

    m_source->item(0)->removeRow(0);
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.at(0).at(1).toInt(), 0);
    QCOMPARE(removed.at(0).at(2).toInt(), 0);
    QCOMPARE(column0(*m_proxy), (QStringList{"A1", "B0", "Bx", "By", "B1", "B2"}));
}

void TestUngroupProxyModel::topLevelRemovalAnnouncesTheChildren()
{
    m_source->clear();
    m_source->setColumnCount(2);
    m_source->appendRow(group(QStringLiteral("A"), 2));
    m_source->appendRow(group(QStringLiteral("B"), 3));
    m_source->appendRow(group(QStringLiteral("C"), 4));
    QCOMPARE(m_proxy->rowCount(), 9);

    QSignalSpy aboutToRemove(m_proxy.get(), &QAbstractItemModel::rowsAboutToBeRemoved);
    QSignalSpy removed(m_proxy.get(), &QAbstractItemModel::rowsRemoved);
    QVERIFY(m_source->removeRows(1, 2));
    QCOMPARE(aboutToRemove.count(), 1);
    QCOMPARE(aboutToRemove.at(0).at(1).toInt(), 2);
    QCOMPARE(aboutToRemove.at(0).at(2).toInt(), 8);
    QCOMPARE(removed.count(), 1);
    QCOMPARE(column0(*m_proxy), (QStringList{"A0", "A1"}));
}

void TestUngroupProxyModel::childlessTopLevelRemovalAnnouncesNothing()
{
    m_source->insertRow(1, group(QStringLiteral("E"), 0));
    QSignalSpy aboutToRemove(m_proxy.get(), &QAbstractItemModel::rowsAboutToBeRemoved);
    QSignalSpy removed(m_proxy.get(), &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(m_proxy.get(), &QAbstractItemModel::modelReset);
    QVERIFY(m_source->removeRow(1));
    QCOMPARE(aboutToRemove.count(), 0);
    QCOMPARE(removed.count(), 0);
    QCOMPARE(reset.count(), 0);
    QCOMPARE(m_proxy->rowCount(), 5);
}

void TestUngroupProxyModel::newTopLevelRowReachesProxiesAbove()
{
    QSortFilterProxyModel above;
    above.setSourceModel(m_proxy.get());
    QAbstractItemModelTester aboveTester(&above, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(above.rowCount(), 5);

    // The new row arrives with its children already in place.
    m_source->insertRow(1, group(QStringLiteral("N"), 2));
    QCOMPARE(m_proxy->rowCount(), 7);
    QCOMPARE(above.rowCount(), 7);
    QCOMPARE(column0(above), (QStringList{"A0", "A1", "N0", "N1", "B0", "B1", "B2"}));
}

void TestUngroupProxyModel::layoutChangeOfTheSourceIsFollowed()
{
    QSortFilterProxyModel above;
    above.setSourceModel(m_proxy.get());
    QAbstractItemModelTester aboveTester(&above, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(above.rowCount(), 5);

    m_source->sort(0, Qt::DescendingOrder); // B before A, children reversed
    QCOMPARE(column0(*m_proxy), (QStringList{"B2", "B1", "B0", "A1", "A0"}));
    QCOMPARE(column0(above), column0(*m_proxy));
}

void TestUngroupProxyModel::dataChangesAreMapped()
{
    QSignalSpy changed(m_proxy.get(), &QAbstractItemModel::dataChanged);
    m_source->item(1)->child(1, 1)->setText(QStringLiteral("changed"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toModelIndex(), m_proxy->index(3, 1));
    QCOMPARE(m_proxy->index(3, 1).data().toString(), QStringLiteral("changed"));

    // A top-level row's change and a change without a range go on without
    // a range, as they came (Qt's model tester refuses such a signal, which
    // the site tree model sends by design, so it stops watching here).
    m_tester.reset();
    changed.clear();
    m_source->item(0)->setText(QStringLiteral("A renamed"));
    emit m_source->dataChanged(QModelIndex(), QModelIndex());
    QCOMPARE(changed.count(), 2);
    for (const QList<QVariant>& signal : qAsConst(changed))
        QVERIFY(!signal.at(0).toModelIndex().isValid() && !signal.at(1).toModelIndex().isValid());
}

void TestUngroupProxyModel::followsTheSiteTreeModel()
{
    TreeModel model;
    auto* root = new Node(QStringLiteral("Name"));
    root->columns.append(QStringLiteral("Status"));
    model.setRootNode(root);
    auto gateway = [](const QString& name, int devices) {
        auto* node = new Node(name);
        node->columns.append(QString());
        for (int i = 0; i < devices; ++i) {
            auto* device = new Node(name + QString::number(i), node);
            device->type = Node::StatusRow;
            device->columns.append(QStringLiteral("OK"));
        }
        return node;
    };
    QVERIFY(model.insertNode(root, -1, gateway(QStringLiteral("A"), 2)));

    UngroupProxyModel table;
    table.setSourceModel(&model);
    auto tester = std::make_unique<QAbstractItemModelTester>(&table, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSortFilterProxyModel above;
    above.setSourceModel(&table);
    QAbstractItemModelTester aboveTester(&above, QAbstractItemModelTester::FailureReportingMode::QtTest);

    Node* b = gateway(QStringLiteral("B"), 3);
    QVERIFY(model.insertNode(root, -1, b));
    QCOMPARE(column0(above), (QStringList{"A0", "A1", "B0", "B1", "B2"}));

    QVERIFY(model.moveNode(root, b)); // B first
    QCOMPARE(column0(above), (QStringList{"B0", "B1", "B2", "A0", "A1"}));

    Node* a1 = root->child(1)->child(1);
    QSignalSpy changed(&table, &QAbstractItemModel::dataChanged);
    a1->setData(1, QStringLiteral("Critical"));
    QVERIFY(model.refreshNode(a1));
    QTRY_COMPARE(changed.count(), 1);
    QCOMPARE(changed.first().at(0).toModelIndex(), table.index(4, 0));
    QCOMPARE(above.index(4, 1).data().toString(), QStringLiteral("Critical"));

    model.takeNode(b);
    delete b;
    QCOMPARE(column0(above), (QStringList{"A0", "A1"}));
    model.clear();
    QCOMPARE(above.rowCount(), 0);
}

// The column titles come from the source whether or not a row exists: an
// empty table (no gateway on any map yet) still shows them.
void TestUngroupProxyModel::headersShowWithoutRows()
{
    TreeModel model;
    auto* root = new Node(QStringLiteral("Name"));
    root->columns.append(QStringLiteral("Status"));
    model.setRootNode(root);
    UngroupProxyModel flat;
    flat.setSourceModel(&model);
    QSortFilterProxyModel above;
    above.setSourceModel(&flat);
    QCOMPARE(flat.rowCount(), 0);
    QCOMPARE(flat.columnCount(), 2);
    QCOMPARE(flat.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Name"));
    QCOMPARE(flat.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Status"));
    QCOMPARE(above.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Status"));

    // With rows the titles are the same.
    auto* gateway = new Node(QStringLiteral("A"));
    gateway->columns.append(QString());
    auto* device = new Node(QStringLiteral("A0"), gateway);
    device->columns.append(QStringLiteral("OK"));
    QVERIFY(model.insertNode(root, -1, gateway));
    QCOMPARE(flat.rowCount(), 1);
    QCOMPARE(flat.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Status"));
    QCOMPARE(above.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Name"));
}

QTEST_MAIN(TestUngroupProxyModel)
#include "tst_ungroupproxymodel.moc"
