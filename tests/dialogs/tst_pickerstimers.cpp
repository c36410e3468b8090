#include "commondlg.h"
#include "filechooserhook.h"
#include "messageboxanswerer.h"
#include "modalanswerer.h"
#include "gatewaysubtree.h"
#include "node.h"
#include "resources.h"
#include "timerdlg.h"
#include "treemodel.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimeEdit>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

namespace {

template<typename T> T* child(QWidget* dialog, const char* name)
{
    return dialog->findChild<T*>(QLatin1String(name));
}

void click(QWidget* dialog, const char* button)
{
    child<QPushButton>(dialog, button)->click();
}

void selectRow(QTreeView* tree, const QString& name)
{
    QAbstractItemModel* model = tree->model();
    const QModelIndexList hits = model->match(model->index(0, 0), Qt::DisplayRole, name, 1,
                                              Qt::MatchRecursive | Qt::MatchExactly);
    QVERIFY2(!hits.isEmpty(), qPrintable(name));
    tree->scrollTo(hits.first());
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(hits.first()).center());
}

// Answers the element page that opens next by picking `name`, or cancels it.
void pickNext(const QString& name)
{
    answerNextModal([name](QWidget* picker) {
        if (name.isEmpty())
            return click(picker, "btnCancel");
        selectRow(child<QTreeView>(picker, "treeView"), name);
        click(picker, "btnOK");
    });
}

} // namespace

class TstPickersTimers : public QObject
{
    Q_OBJECT

    TreeModel m_elements;
    QHash<QString, Node*> m_nodes;

    Node* add(const QString& name, int type, Node* parent)
    {
        auto* node = new Node(name);
        node->type = type;
        m_elements.insertNode(parent, -1, node);
        return m_nodes[name] = node;
    }

private slots:
    // A workplace with a gateway, a fence line and a TW system with one sensor.
    void initTestCase()
    {
        initLumetraResources();
        m_elements.setRootNode(new Node(QStringLiteral("Name")));
        g_elementTreeModel = &m_elements;
        Node* site = add(QStringLiteral("Site"), Node::Workplace, m_elements.rootNode());
        GatewaySubtree gateway(QStringLiteral("192.168.100.100"));
        m_nodes[QStringLiteral("192.168.100.100")] = gateway.elementNode.get();
        m_elements.insertNode(site, -1, gateway.elementNode.release());
        add(QStringLiteral("Fence A"), Node::FenceLine, site);
        add(QStringLiteral("Sensor1"), Node::TWSensor, add(QStringLiteral("TW"), Node::TWSystem, site));
        for (Node* device : m_nodes[QStringLiteral("192.168.100.100")]->children)
            m_nodes[device->data(0).toString()] = device;
    }

    void cleanupTestCase() { g_elementTreeModel = nullptr; }

    void buttonAction_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QList<int>>("offered");
        QTest::addColumn<int>("expected");
        QTest::newRow("IO card") << "IOCard33" << "ActivateRelay3" << QList<int>{12, 13, 14, 15, 16, 17, 18, 19} << 14;
        QTest::newRow("energizer") << "Energ1" << "ClrAlms" << QList<int>{4, 5, 6, 8, 9, 11} << 11;
        QTest::newRow("gateway") << "192.168.100.100" << "EnergizersHi/Lo" << QList<int>{10, 1, 7, 11} << 7;
        QTest::newRow("TW system") << "TW" << "SoundAlarmActive" << QList<int>{10, 11} << 10;
        QTest::newRow("workplace") << "Site" << "" << QList<int>{} << 0;
        // The list follows a current row moved with the keys, not only the row clicked last.
        QTest::newRow("moved off an energizer") << "Energ1>IOCard34" << "ActivateRelay8" << QList<int>{12, 13, 14, 15, 16, 17, 18, 19} << 19;
    }

    void buttonAction()
    {
        QFETCH(QString, target);
        QFETCH(QString, command);
        QFETCH(QList<int>, offered);
        QFETCH(int, expected);
        const QString clicked = target.section('>', 0, 0), current = target.section('>', -1);
        CommonDlg dialog;
        QList<int> shown;
        answerNextModal([&](QWidget* w) {
            auto* tree = child<QTreeView>(w, "treeTarget");
            selectRow(tree, clicked);
            if (current != clicked) {
                const QModelIndexList hits = tree->model()->match(tree->model()->index(0, 0), Qt::DisplayRole, current,
                                                                  1, Qt::MatchRecursive | Qt::MatchExactly);
                tree->setCurrentIndex(hits.value(0));
            }
            auto* list = child<QListWidget>(w, "listAction");
            for (int i = 0; i < list->count(); ++i)
                shown << list->item(i)->data(Qt::UserRole).toInt();
            const auto items = list->findItems(command, Qt::MatchExactly);
            list->setCurrentItem(items.value(0));
            click(w, "btnOK");
        });
        const ButtonAction action = dialog.selectButtonAction();
        QCOMPARE(shown, offered);
        QCOMPARE(dialog.result(), expected ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QCOMPARE(action.node, expected ? m_nodes.value(current) : nullptr);
        QCOMPARE(action.command, expected);
        QCOMPARE(action.name, expected ? command : QString());
    }

    void elementPageWantsItsKind()
    {
        MessageBoxAnswerer boxes;
        CommonDlg dialog;
        QString title;
        bool stayedOpen = false;
        answerNextModal([&](QWidget* w) {
            title = w->windowTitle();
            selectRow(child<QTreeView>(w, "treeView"), QStringLiteral("Energ2"));
            click(w, "btnOK");
            stayedOpen = w->isVisible();
            selectRow(child<QTreeView>(w, "treeView"), QStringLiteral("Fence A"));
            click(w, "btnOK");
        });
        QCOMPARE(dialog.selectElement(CommonDlg::FenceKind), m_nodes.value(QStringLiteral("Fence A")));
        QCOMPARE(title, QStringLiteral("Select Fence"));
        QVERIFY(stayedOpen);
        QCOMPARE(boxes.seen(), QStringList{QStringLiteral("Error:You must select Fence")});

        CommonDlg cancelled;
        pickNext(QString());
        QCOMPARE(cancelled.selectElement(CommonDlg::SensorKind), nullptr);
        QCOMPARE(boxes.seen().size(), 1);
    }

    void globalCommand_data()
    {
        QTest::addColumn<int>("answer");   // 2 x on + hi, or -1 to cancel
        QTest::newRow("on, high") << 3;
        QTest::newRow("on, low") << 2;
        QTest::newRow("off, high") << 1;
        QTest::newRow("off, low") << 0;
        QTest::newRow("cancel") << -1;
    }

    void globalCommand()
    {
        QFETCH(int, answer);
        CommonDlg dialog;
        QString text;
        answerNextModal([&](QWidget* w) {
            text = child<QLabel>(w, "label_14")->text();
            child<QCheckBox>(w, "chkF1On")->setChecked(answer & 2);
            child<QCheckBox>(w, "chkF1Hi")->setChecked(answer & 1);
            click(w, answer < 0 ? "btnCancel" : "btnOK");
        });
        QCOMPARE(dialog.globalCommand(1), answer);
        QVERIFY(text.endsWith(QStringLiteral("what condition should be set for of all energizers")));
    }

    void workspacePage()
    {
        QString caption = QStringLiteral("Yard"), image = QStringLiteral("old.png");
        int mode = 2;
        bool modeShown = false;
        QString afterCancelledChooser;
        CommonDlg dialog;
        answerNextModal([&](QWidget* w) {
            modeShown = child<QRadioButton>(w, "rbWmode2")->isChecked() && child<QLineEdit>(w, "edtFileName")->text().isEmpty();
            FileChooserHook::setOpenFileChooser([](QWidget*, const QString&, const QString&, const QString&) { return QString(); });
            child<QLineEdit>(w, "edtFileName")->setText(QStringLiteral("typed.png"));
            child<QToolButton>(w, "btnSelectImage")->click();
            afterCancelledChooser = child<QLineEdit>(w, "edtFileName")->text();
            FileChooserHook::setOpenFileChooser([](QWidget*, const QString&, const QString&, const QString&) { return QStringLiteral("/maps/north.png"); });
            child<QToolButton>(w, "btnSelectImage")->click();
            child<QLineEdit>(w, "edtWorkspaceCaption")->setText(QStringLiteral("North"));
            child<QRadioButton>(w, "rbWmode1")->setChecked(true);
            click(w, "btnOK");
        });
        QCOMPARE(dialog.workspaceSetup(caption, image, mode), int(QDialog::Accepted));
        FileChooserHook::setOpenFileChooser({});
        QVERIFY(modeShown);
        QVERIFY(afterCancelledChooser.isEmpty());
        QCOMPARE(caption + '|' + image + '|' + QString::number(mode), QStringLiteral("North|/maps/north.png|1"));

        CommonDlg cancelled;
        answerNextModal([](QWidget* w) {
            child<QLineEdit>(w, "edtWorkspaceCaption")->setText(QStringLiteral("Lost"));
            click(w, "btnCancel");
        });
        QCOMPARE(cancelled.workspaceSetup(caption, image, mode), int(QDialog::Rejected));
        QCOMPARE(caption + '|' + image + '|' + QString::number(mode), QStringLiteral("North|/maps/north.png|1"));
    }

    // A default timer (no card, relay -1) gets its days, relay and card.
    void timerPage()
    {
        TimerData timer;
        timer.setAllDays(true);
        timer.cardNo = -1;
        timer.relayNo = -1;
        int relayShown = 0;
        QString keptAfterCancelledPick;
        CommonDlg dialog;
        answerNextModal([&](QWidget* w) {
            auto* relay = child<QSpinBox>(w, "spnRelayNo");
            relayShown = relay->value();
            relay->setValue(9);
            for (const char* day : {"chckMon", "chckWed", "chckThu", "chckFri", "chckSat"})
                child<QCheckBox>(w, day)->setChecked(false);
            pickNext(QString());
            click(w, "btnSelectCard");
            keptAfterCancelledPick = child<QLineEdit>(w, "edtCardNo")->text();
            pickNext(QStringLiteral("IOCard33"));
            click(w, "btnSelectCard");
            click(w, "btnOK");
        });
        QCOMPARE(dialog.timerSetting(timer), int(QDialog::Accepted));
        QCOMPARE(relayShown, 1);
        QCOMPARE(keptAfterCancelledPick, QStringLiteral("-1"));
        QCOMPARE(timer.relayNo, 8);
        const QList<bool> days{timer.dayMon, timer.dayTue, timer.dayWed, timer.dayThu, timer.dayFri, timer.daySat, timer.daySun};
        QCOMPARE(days, (QList<bool>{false, true, false, false, false, false, true}));
        QCOMPARE(timer.IP + '|' + timer.cardName + '|' + QString::number(timer.cardNo),
                 QStringLiteral("192.168.100.100|IOCard33|33"));
    }

    void timerList_data()
    {
        QTest::addColumn<bool>("close");
        QTest::newRow("Close keeps the edit") << true;
        QTest::newRow("Escape drops it") << false;
    }

    void timerList()
    {
        QFETCH(bool, close);
        TimerData lights;
        lights.name = QStringLiteral("Lights");
        lights.from = QDateTime::fromString(QStringLiteral("07:30"), QStringLiteral("hh:mm"));
        lights.active = true;
        const QList<TimerData> before{lights, TimerData{}};
        QStringList rows;
        bool enabledCellsLocked = false;
        TimerDlg dialog;
        answerNextModal([&](QWidget* w) {
            auto* table = child<QTableWidget>(w, "tableWidget");
            enabledCellsLocked = !table->cellWidget(0, 3)->isEnabled() && !table->cellWidget(1, 3)->isEnabled();
            answerNextModal([](QWidget* page) {
                child<QLineEdit>(page, "edtTaskName")->setText(QStringLiteral("Gate"));
                child<QTimeEdit>(page, "tpFrom")->setTime(QTime(6, 15));
                click(page, "btnOK");
            });
            const QPoint cell = table->visualItemRect(table->item(1, 2)).center();
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell);
            QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell);
            for (int r = 0; r < table->rowCount(); ++r)
                rows << QStringList{table->item(r, 0)->text(), table->item(r, 1)->text(), table->item(r, 2)->text()}.join('|');
            if (close)
                click(w, "btnClose");
            else
                QTest::keyClick(w, Qt::Key_Escape);
        });
        QCOMPARE(dialog.editTimers(before), close ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QVERIFY(enabledCellsLocked);
        // An invalid time shows an empty cell; the page's editor gives it a time of day.
        QCOMPARE(rows, (QStringList{QStringLiteral("Lights|07:30|"), QStringLiteral("Gate|06:15|00:00")}));
        QCOMPARE(dialog.timers().at(1).name, QStringLiteral("Gate"));
        QCOMPARE(dialog.timers().at(0).name, QStringLiteral("Lights"));
    }
};

QTEST_MAIN(TstPickersTimers)
#include "tst_pickerstimers.moc"
