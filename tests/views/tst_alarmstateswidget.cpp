#include "alarmstateswidget.h"
#include "apppaths.h"
#include "messagecatcher.h"
#include "pdfprobe.h"
#include "node.h"
#include "operatorclick.h"
#include "paintrecorder.h"
#include "reportcapture.h"
#include "resources.h"
#include "scopedhook.h"
#include "shownrownames.h"
#include "sitemutex.h"
#include "statestreeview.h"
#include "testhome.h"
#include "treemodel.h"

#include <QHeaderView>
#include <QSettings>
#include <QStandardItemModel>
#include <QToolButton>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include <memory>

namespace {

const char* const kHeaders[] = {"Name", "Status", "Sector1", "Voltage1", "Sector2", "Voltage2",
                                "Gate", "Duration", "Attemts", "Last Try", "Workspace", "IP"};

Node* addRow(Node* parent, const QString& name, const QString& status, const QString& workspace, bool enabled = true)
{
    auto* node = new Node(name, parent);
    node->type = parent->parent() ? Node::StatusRow : Node::MapElement;
    node->columns = {name, status, "S1 " + name, "", "S2 " + name, "", "", "00:01:0" + name.right(1),
                     "att " + name, "last " + name, workspace, "10.0.0." + name.right(1)};
    node->enabled = enabled;
    return node;
}

} // namespace

class TestAlarmStatesWidget : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void firstStartWidths();
    void tableShowsTheIpColumnFirst();
    void workspaceAndAlarmButtonsFilter();
    void printListsEveryDeviceRow();
    void shippedReportFitsIpAndLastTry();
    void headerStateSurvivesRestart();
    void changedCellsArePaintedAgain_data();
    void changedCellsArePaintedAgain();
    void cellsPaintAsQtPaintsThem();

private:
    QTreeView* tree(AlarmStatesWidget& widget) { return widget.findChild<QTreeView*>(QStringLiteral("statesAlarmTree")); }
    [[nodiscard]] bool click(AlarmStatesWidget& widget, const char* button)
    {
        return operatorClick(widget.findChild<QToolButton*>(QLatin1String(button)));
    }
    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<TreeModel> m_model;
};

void TestAlarmStatesWidget::initTestCase()
{
    initLumetraResources();
    m_home = std::make_unique<TestHome>();
    QVERIFY(m_home->isValid());
}

void TestAlarmStatesWidget::init()
{
    QSettings(AppPaths::settings(), QSettings::IniFormat).clear();
    m_model = std::make_unique<TreeModel>();
    auto* root = new Node;
    root->columns.clear();
    for (const char* header : kHeaders)
        root->columns.append(QString::fromLatin1(header));
    m_model->setRootNode(root);
    Node* g1 = addRow(root, "G1", "", "WS1");
    addRow(g1, "E1", "OK", "WS1");
    addRow(g1, "E2", "Critical", "WS1");
    addRow(g1, "E3", "Warning", "WS1", false);
    Node* g2 = addRow(root, "G2", "", "WS2");
    addRow(g2, "E4", "OK", "WS2");
    addRow(g2, "E5", "Failure", "WS2");
}

void TestAlarmStatesWidget::cleanup()
{
    m_model.reset();
}

void TestAlarmStatesWidget::cleanupTestCase()
{
    m_home.reset();
}

void TestAlarmStatesWidget::firstStartWidths()
{
    AlarmStatesWidget widget(m_model.get());
    QHeaderView* header = tree(widget)->header();
    const QList<QPair<int, int>> widths{{0, 200}, {1, 80}, {2, 90}, {3, 80}, {4, 90}, {5, 80}, {9, 120}};
    for (const auto& [section, width] : widths)
        QCOMPARE(header->sectionSize(section), width);
    QVERIFY(header->isSectionHidden(AlarmStatesWidget::kIpColumn));
    QCOMPARE(shownRowNames(*tree(widget)->model()), (QStringList{"G1", "E1", "E2", "G2", "E4", "E5"}));
}

void TestAlarmStatesWidget::tableShowsTheIpColumnFirst()
{
    AlarmStatesWidget widget(m_model.get());
    QHeaderView* header = tree(widget)->header();
    for (int round = 0; round < 2; ++round) {
        QVERIFY(click(widget, "btnShowTable"));
        QCOMPARE(header->logicalIndex(0), AlarmStatesWidget::kIpColumn);
        QVERIFY(!header->isSectionHidden(AlarmStatesWidget::kIpColumn));
        QCOMPARE(header->sectionSize(AlarmStatesWidget::kIpColumn), 120);
        QCOMPARE(shownRowNames(*tree(widget)->model()), (QStringList{"E1", "E2", "E4", "E5"}));
        QCOMPARE(tree(widget)->model()->index(1, AlarmStatesWidget::kIpColumn).data().toString(),
                 QStringLiteral("10.0.0.2"));

        QVERIFY(click(widget, "btnShowTable"));
        QVERIFY(header->isSectionHidden(AlarmStatesWidget::kIpColumn));
        QCOMPARE(header->logicalIndex(0), 0);
        QCOMPARE(shownRowNames(*tree(widget)->model()), (QStringList{"G1", "E1", "E2", "G2", "E4", "E5"}));
    }
}

void TestAlarmStatesWidget::workspaceAndAlarmButtonsFilter()
{
    AlarmStatesWidget widget(m_model.get());
    widget.showWorkspace(QStringLiteral("WS2"));
    // Unchecked: the workspace name is not applied.
    QCOMPARE(shownRowNames(*tree(widget)->model()), (QStringList{"G1", "E1", "E2", "G2", "E4", "E5"}));

    QVERIFY(click(widget, "btnShowCurrentWorkSpaceAlarm"));
    QCOMPARE(shownRowNames(*tree(widget)->model()), (QStringList{"G2", "E4", "E5"}));

    QVERIFY(click(widget, "btnShowAllAlarms"));
    QCOMPARE(shownRowNames(*tree(widget)->model()), (QStringList{"G2", "E5"}));

    QVERIFY(click(widget, "btnShowTable"));
    QCOMPARE(shownRowNames(*tree(widget)->model()), (QStringList{"E5"}));

    QVERIFY(click(widget, "btnShowCurrentWorkSpaceAlarm"));
    QCOMPARE(shownRowNames(*tree(widget)->model()), (QStringList{"E2", "E5"}));

    // A node update reaches the view when the main window refreshes it.
    m_model->rootNode()->child(0)->child(0)->setData(1, QStringLiteral("Critical"));
    widget.refresh();
    QCOMPARE(shownRowNames(*tree(widget)->model()), (QStringList{"E1", "E2", "E5"}));
}

void TestAlarmStatesWidget::printListsEveryDeviceRow()
{
    QVERIFY(ReportCapture::writeTemplate(m_home->filePath(QStringLiteral("AlarmStateReport.xml")),
                                         {"ip", "name", "state", "duration", "attemts", "attempts", "lastTry",
                                          "sector1", "sector2"}));
    AlarmStatesWidget widget(m_model.get());
    widget.showWorkspace(QStringLiteral("WS2"));
    QVERIFY(click(widget, "btnShowCurrentWorkSpaceAlarm"));
    QVERIFY(click(widget, "btnShowAllAlarms"));
    QCOMPARE(shownRowNames(*tree(widget)->model()), (QStringList{"G2", "E5"}));

    ReportCapture capture;
    // A heartbeat after the print started is not printed.
    capture.beforeRender = [this](ReportEngine&) { m_model->rootNode()->child(0)->child(1)->columns[1] = "OK"; };
    MessageCatcher catcher;
    QVERIFY(click(widget, "btnPrintPreview"));
    QCOMPARE(capture.recordsCount, QList<int>{4});
    const QStringList expected{"ip", "10.0.0.2", "name", "E2", "state", "Critical", "duration", "00:01:02",
                               "attemts", "att E2", "lastTry", "last E2", "sector1", "S1 E2", "sector2", "S2 E2"};
    for (int i = 0; i < expected.size(); i += 2)
        QCOMPARE(capture.answer(1, expected.at(i)).toString(), expected.at(i + 1));
    QCOMPARE(capture.answer(3, QStringLiteral("name")).toString(), QStringLiteral("E5"));
    QVERIFY(capture.asked(0, QStringLiteral("attempts")));
    QVERIFY(!capture.answer(0, QStringLiteral("attempts")).isValid());
    QVERIFY(!catcher.contains(QStringLiteral("Report file not found")));
    QVERIFY(!widget.findChild<ReportEngine*>());

    QFile::remove(m_home->filePath(QStringLiteral("AlarmStateReport.xml")));
    widget.print();
    QVERIFY(catcher.contains(QStringLiteral("Report file not found")));
    QCOMPARE(capture.prints, 2);
}

// The widest address and a last try as the control unit writes it stay on
// one line of their cells, clear of the next column.
void TestAlarmStatesWidget::shippedReportFitsIpAndLastTry()
{
    const QString shipped = m_home->filePath(QStringLiteral("AlarmStateReport.xml"));
    QFile::remove(shipped);
    QVERIFY(QFile::copy(QStringLiteral(LUMETRA_TEMPLATES "/AlarmStateReport.xml"), shipped));
    Node* e2 = m_model->rootNode()->child(0)->child(1);
    e2->columns[9] = QStringLiteral("09:05:07 06.03.2026");
    e2->columns[11] = QStringLiteral("192.168.100.200");
    AlarmStatesWidget widget(m_model.get());
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("states.pdf"));
    const ScopedHook preview(&ReportEngine::setPreviewHook, [&pdf](ReportEngine& report) { report.printPDF(pdf, false); });
    widget.print();
    QHash<QString, QRectF> boxes;
    for (const PdfProbe::Word& word : PdfProbe::words(pdf, 1))
        boxes.insert(word.text, word.box);
    QVERIFY(boxes.contains("09:05:07") && boxes.contains("06.03.2026") && boxes.contains("192.168.100.200"));
    QCOMPARE(boxes.value("06.03.2026").top(), boxes.value("09:05:07").top());
    QVERIFY(boxes.value("192.168.100.200").right() < boxes.value("E2").left());
}

void TestAlarmStatesWidget::headerStateSurvivesRestart()
{
    {
        AlarmStatesWidget widget(m_model.get());
        tree(widget)->header()->resizeSection(7, 55);
        tree(widget)->header()->moveSection(tree(widget)->header()->visualIndex(8), 2);
    }
    QSettings settings(AppPaths::settings(), QSettings::IniFormat);
    QVERIFY(!settings.value(QStringLiteral("AlarmStatesWidgetState")).toByteArray().isEmpty());
    AlarmStatesWidget widget(m_model.get());
    QCOMPARE(tree(widget)->header()->sectionSize(7), 55);
    QCOMPARE(tree(widget)->header()->visualIndex(8), 2);
    QCOMPARE(tree(widget)->header()->sectionSize(0), 200);
}

QTEST_MAIN(TestAlarmStatesWidget)
#include "tst_alarmstateswidget.moc"

// Every refresh writes E1's and E2's Duration and Attempts ("" keeps the
// value); the view repaints each cell that shows another text than it
// painted, and no cell that shows what it painted.
void TestAlarmStatesWidget::changedCellsArePaintedAgain_data()
{
    QTest::addColumn<QStringList>("first");
    QTest::addColumn<QStringList>("second");
    QTest::addColumn<QStringList>("repainted");
    QTest::newRow("one cell of the rows' range") << QStringList{"", "", "", ""} << QStringList{"", "", "", "a"}
                                                 << QStringList{"E2/8"};
    QTest::newRow("back to the painted text") << QStringList{"x", "", "", ""} << QStringList{"00:01:01", "", "", ""}
                                              << QStringList{"E1/7"};
    QTest::newRow("cells of both rows") << QStringList{"", "", "", ""} << QStringList{"9", "", "", "b"}
                                        << QStringList{"E1/7", "E2/8"};
}

void TestAlarmStatesWidget::changedCellsArePaintedAgain()
{
    QFETCH(QStringList, first);
    QFETCH(QStringList, second);
    QFETCH(QStringList, repainted);
    AlarmStatesWidget widget(m_model.get());
    widget.resize(1600, 400);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    QTreeView* view = tree(widget);
    view->expandAll();
    Node* rows[] = {m_model->rootNode()->child(0)->child(0), m_model->rootNode()->child(0)->child(1)};
    PaintRecorder recorder;
    view->viewport()->installEventFilter(&recorder);
    const auto write = [&](const QStringList& values) {
        for (int i = 0; i < 4; ++i) {
            if (!values.at(i).isEmpty()) {
                SiteLocker lock;
                rows[i / 2]->setData(7 + i % 2, values.at(i));
            }
        }
        for (Node* row : rows)
            m_model->refreshChanges(row);
    };
    write(first);
    QCoreApplication::processEvents();
    view->viewport()->repaint();
    recorder.painted = {};
    write(second);
    const auto cell = [&](const QString& name) {
        const QString row = name.section('/', 0, 0);
        const int column = name.section('/', 1).toInt();
        const QModelIndex parent = view->model()->index(0, 0);
        for (int r = 0; r < view->model()->rowCount(parent); ++r) {
            if (view->model()->index(r, 0, parent).data().toString() == row)
                return view->visualRect(view->model()->index(r, column, parent));
        }
        return QRect();
    };
    for (const QString& name : repainted)
        QTRY_VERIFY2(recorder.painted.contains(cell(name)), qPrintable(name));
    for (const QString name : {"E1/7", "E1/8", "E2/7", "E2/8"}) {
        if (!repainted.contains(name))
            QVERIFY2(!recorder.painted.intersects(cell(name)), qPrintable(name));
    }
}

// Each cell, kept text or not (fits, elided, wrapped, right to left), paints as Qt's own view paints it.
void TestAlarmStatesWidget::cellsPaintAsQtPaintsThem()
{
    QStandardItemModel model(12, 3);
    QPixmap tallIcon(8, 36);  // a taller row, where the vertical alignment shows
    tallIcon.fill(Qt::darkGreen);
    const Qt::Alignment aligned[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter, Qt::AlignVCenter, Qt::AlignTop, Qt::AlignBottom};
    const QStringList texts{"6125", "00:01:02", "Fence alarm in sector one", "a\nb", "\u05E9\u05DC\u05D5\u05DD", "Ok"};
    for (int cell = 0; cell < 36; ++cell) {  // each alignment, background, state
        auto* item = new QStandardItem(texts.at((cell / 3 + cell % 3) % texts.size()));
        item->setTextAlignment(aligned[cell % 3] | aligned[3 + cell / 3 % 3]);
        item->setEnabled(cell / 3 != 4);
        item->setIcon(cell % 6 == 0 ? QIcon(tallIcon) : QIcon());
        item->setBackground(cell / 3 % 4 == 1 ? QBrush(QColor(200, 40 * (cell % 3), 90)) : QBrush());
        model.setItem(cell / 3, cell % 3, item);
    }
    QWidget window;
    QTreeView qtView(&window);
    StatesTreeView view(&window);
    for (QTreeView* tree : std::initializer_list<QTreeView*>{&qtView, &view}) {
        tree->setModel(&model);
        tree->setIconSize(tallIcon.size());
        tree->setFocusPolicy(Qt::NoFocus);
        tree->setGeometry(tree == &view ? 400 : 0, 0, 390, 480);
        tree->selectionModel()->select(model.index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Into a pixmap (kept layouts) and into images of the backing store's
    // formats, where a plain cell seen twice is kept as painted and then
    // copied, also after the colours changed.
    const auto rendered = [](QTreeView& tree, QImage::Format format) {
        QImage image(tree.viewport()->size(), format);
        tree.viewport()->render(&image);
        return image;
    };
    QPalette yellow = window.palette();
    yellow.setColor(QPalette::Base, QColor(255, 250, 205));
    QPalette blue = window.palette();
    blue.setColor(QPalette::Text, Qt::darkBlue);
    const QPalette palettes[] = {window.palette(), yellow, blue};
    for (int pointSize : {7, 9, 11, 14}) {
        window.setFont(QFont(window.font().family(), pointSize));
        for (const QPalette& palette : palettes) {  // kept cells met in another palette
            window.setPalette(palette);
            for (int pass = 0; pass < 3; ++pass) {
                const QString where = QString::number(pointSize);
                QVERIFY2(view.viewport()->grab().toImage() == qtView.viewport()->grab().toImage(), qPrintable(where));
                for (QImage::Format format : {QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB32})
                    QVERIFY2(rendered(view, format) == rendered(qtView, format), qPrintable(where));
            }
        }
    }
    QVERIFY(view.copiedCells() > 0);
}
