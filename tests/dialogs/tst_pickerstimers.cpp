#include "commondlg.h"
#include "filechooserhook.h"
#include "gatewaysubtree.h"
#include "messageboxanswerer.h"
#include "modalanswerer.h"
#include "node.h"
#include "operatorclick.h"
#include "resources.h"
#include "scopedhook.h"
#include "timerdlg.h"
#include "treemodel.h"

#include <QtTest>
#include <QtWidgets>

namespace {

template<typename T = QPushButton> T* w(QWidget* dialog, const char* name)
{
    return dialog->findChild<T*>(QLatin1String(name));
}

void selectRow(QTreeView* tree, const QString& name, bool click = true)
{
    const QModelIndex row = tree->model()->match(tree->model()->index(0, 0), Qt::DisplayRole, name, 1,
                                                 Qt::MatchRecursive | Qt::MatchExactly).value(0);
    tree->scrollTo(row);
    if (click)
        QVERIFY(operatorClick(tree->viewport(), tree->visualRect(row).center()));
    else
        tree->setCurrentIndex(row);
}

// Answers the element page that opens next by picking `name`, or cancels it.
void pickNext(const QString& name)
{
    answerNextModal([name](QWidget* picker) {
        if (!name.isEmpty())
            selectRow(w<QTreeView>(picker, "treeView"), name);
        QVERIFY(operatorClick(w(picker, name.isEmpty() ? "btnCancel" : "btnOK")));
    });
}

} // namespace

class TstPickersTimers : public QObject
{
    Q_OBJECT

    TreeModel m_elements;
    QHash<QString, Node*> m_nodes;

private slots:
    // A workplace with a gateway, a fence line and a TW system.
    void initTestCase()
    {
        initLumetraResources();
        m_elements.setRootNode(new Node(QStringLiteral("Name")));
        g_elementTreeModel = &m_elements;
        GatewaySubtree gateway(QStringLiteral("192.168.100.100"));
        const QList<QPair<QString, int>> nodes{{"Site", Node::Workplace}, {"Fence A", Node::FenceLine}, {"TW", Node::TWSystem}};
        for (const auto& [name, type] : nodes) {
            auto* node = m_nodes[name] = new Node(name);
            node->type = type;
            m_elements.insertNode(type ? m_nodes["Site"] : m_elements.rootNode(), -1, node);
        }
        Node* element = m_nodes["192.168.100.100"] = gateway.elementNode.release();
        m_elements.insertNode(m_nodes["Site"], -1, element);
        for (Node* device : element->children)
            m_nodes[device->data(0).toString()] = device;
    }

    void cleanupTestCase() { g_elementTreeModel = nullptr; }

    void buttonAction_data()
    {
        QTest::addColumn<QString>("target");   // clicked row, then ">" a row made current by the keys
        QTest::addColumn<QString>("command");
        QTest::addColumn<QList<int>>("offered");
        QTest::addColumn<int>("expected");
        const QList<int> relays{12, 13, 14, 15, 16, 17, 18, 19};
        QTest::newRow("IO card") << "IOCard33" << "ActivateRelay3" << relays << 14;
        QTest::newRow("energizer") << "Energ1" << "ClrAlms" << QList<int>{4, 5, 6, 8, 9, 11} << 11;
        QTest::newRow("gateway") << "192.168.100.100" << "EnergizersHi/Lo" << QList<int>{10, 1, 7, 11} << 7;
        QTest::newRow("TW system") << "TW" << "SoundAlarmActive" << QList<int>{10, 11} << 10;
        QTest::newRow("workplace") << "Site" << "" << QList<int>{} << 0;
        QTest::newRow("moved off an energizer") << "Energ1>IOCard34" << "ActivateRelay8" << relays << 19;
    }

    void buttonAction()
    {
        QFETCH(QString, target);
        QFETCH(QString, command);
        QFETCH(QList<int>, offered);
        QFETCH(int, expected);
        const QString current = target.section('>', -1);
        CommonDlg dialog;
        QList<int> shown;
        answerNextModal([&](QWidget* d) {
            selectRow(w<QTreeView>(d, "treeTarget"), target.section('>', 0, 0));
            selectRow(w<QTreeView>(d, "treeTarget"), current, false);
            auto* list = w<QListWidget>(d, "listAction");
            for (int i = 0; i < list->count(); ++i)
                shown << list->item(i)->data(Qt::UserRole).toInt();
            list->setCurrentItem(list->findItems(command, Qt::MatchExactly).value(0));
            QVERIFY(operatorClick(w(d, "btnOK")));
        });
        const ButtonAction action = dialog.selectButtonAction();
        QCOMPARE(shown, offered);
        QCOMPARE(dialog.result(), expected ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QCOMPARE(action.node, expected ? m_nodes.value(current) : nullptr);
        QCOMPARE(action.name + QString::number(action.command), (expected ? command : QString()) + QString::number(expected));
    }

    void elementPageWantsItsKind()
    {
        MessageBoxAnswerer boxes;
        CommonDlg dialog, cancelled;
        QString title;
        answerNextModal([&](QWidget* d) {
            title = d->windowTitle();
            selectRow(w<QTreeView>(d, "treeView"), QStringLiteral("Energ2"));
            QVERIFY(operatorClick(w(d, "btnOK")));
            title += d->isVisible() ? " stays" : " closed";
            selectRow(w<QTreeView>(d, "treeView"), QStringLiteral("Fence A"));
            QVERIFY(operatorClick(w(d, "btnOK")));
        });
        QCOMPARE(dialog.selectElement(CommonDlg::FenceKind), m_nodes.value(QStringLiteral("Fence A")));
        QCOMPARE(title, QStringLiteral("Select Fence stays"));
        pickNext(QString());
        QCOMPARE(cancelled.selectElement(CommonDlg::SensorKind), nullptr);
        QCOMPARE(boxes.seen(), QStringList{QStringLiteral("Error:You must select Fence")});
    }

    void globalCommand()
    {
        for (int answer : {3, 2, 1, 0, -1}) {
            CommonDlg dialog;
            QString text;
            answerNextModal([&](QWidget* d) {
                text = w<QLabel>(d, "label_14")->text();
                w<QCheckBox>(d, "chkF1On")->setChecked(answer & 2);
                w<QCheckBox>(d, "chkF1Hi")->setChecked(answer & 1);
                QVERIFY(operatorClick(w(d, answer < 0 ? "btnCancel" : "btnOK")));
            });
            QCOMPARE(dialog.globalCommand(1), answer);
            QVERIFY(text.endsWith(QStringLiteral("should be set for of all energizers")));
        }
    }

    // The chooser's cancel empties the picture field; Cancel changes nothing.
    // Return and Escape are OK and Cancel, and the labels show whole.
    void workspacePage()
    {
        QString caption = QStringLiteral("Yard"), image = QStringLiteral("old.png"), shown;
        int mode = 2;
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
            CommonDlg dialog;
            answerNextModal([&](QWidget* d) {
                shown += QString::number(w<QRadioButton>(d, "rbWmode2")->isChecked()) + w<QLineEdit>(d, "edtFileName")->text();
                for (const QString& chosen : {QStringLiteral("/maps/north.png"), QString()}) {
                    const ScopedHook chooser(&FileChooserHook::setOpenFileChooser,
                                             [chosen](QWidget*, auto&, auto&, auto&) { return chosen; });
                    QVERIFY(operatorClick(w<QToolButton>(d, "btnSelectImage")));
                    shown += '|' + w<QLineEdit>(d, "edtFileName")->text();
                }
                w<QLineEdit>(d, "edtWorkspaceCaption")->setText(QStringLiteral("North"));
                w<QRadioButton>(d, "rbWmode1")->setChecked(true);
                for (QLabel* label : {w<QLabel>(d, "label_9"), w<QLabel>(d, "label_10")})
                    QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
                QVERIFY(operatorKey(w<QLineEdit>(d, "edtWorkspaceCaption"), key));
                QVERIFY2(!d->isVisible() || !d->close(), "the key left the page open; it is closed here");
            });
            dialog.workspaceSetup(caption, image, mode);
            QCOMPARE(caption + '|' + image + '|' + QString::number(mode), QStringLiteral("North||1"));
        }
        QCOMPARE(shown, QStringLiteral("1|/maps/north.png|0|/maps/north.png|"));
    }

    // A default timer (no card, relay -1) gets its days, relay and card.
    void timerPage()
    {
        TimerData timer;
        timer.setAllDays(true);
        timer.cardNo = timer.relayNo = -1;
        QString shown;
        CommonDlg dialog;
        answerNextModal([&](QWidget* d) {
            shown = QString::number(w<QSpinBox>(d, "spnRelayNo")->value());
            w<QSpinBox>(d, "spnRelayNo")->setValue(9);
            for (const char* day : {"chckMon", "chckWed", "chckThu", "chckFri", "chckSat"})
                w<QCheckBox>(d, day)->setChecked(false);
            for (const QString& card : {QString(), QStringLiteral("IOCard33")}) {
                pickNext(card);
                QVERIFY(operatorClick(w(d, "btnSelectCard")));
                shown += '|' + w<QLineEdit>(d, "edtCardNo")->text();
            }
            QVERIFY(operatorClick(w(d, "btnOK")));
        });
        QCOMPARE(dialog.timerSetting(timer), int(QDialog::Accepted));
        QCOMPARE(shown, QStringLiteral("1|-1|33"));
        const QList<bool> days{timer.dayMon, timer.dayTue, timer.dayWed, timer.dayThu, timer.dayFri, timer.daySat, timer.daySun};
        QCOMPARE(days, (QList<bool>{false, true, false, false, false, false, true}));
        QCOMPARE(QStringLiteral("%1|%2|%3|%4").arg(timer.IP, timer.cardName).arg(timer.cardNo).arg(timer.relayNo),
                 QStringLiteral("192.168.100.100|IOCard33|33|8"));
    }

    // "Close" accepts, Escape rejects; either way the row shows the edit at once.
    void timerList()
    {
        TimerData lights;
        lights.name = QStringLiteral("Lights");
        lights.from = QDateTime::fromString(QStringLiteral("07:30"), QStringLiteral("hh:mm"));
        for (bool close : {true, false}) {
            QStringList rows;
            TimerDlg dialog;
            answerNextModal([&](QWidget* d) {
                auto* table = w<QTableWidget>(d, "tableWidget");
                rows << QString::number(table->cellWidget(0, 3)->isEnabled());
                answerNextModal([](QWidget* page) {
                    w<QLineEdit>(page, "edtTaskName")->setText(QStringLiteral("Gate"));
                    w<QTimeEdit>(page, "tpFrom")->setTime(QTime(6, 15));
                    QVERIFY(operatorClick(w(page, "btnOK")));
                });
                const QPoint cell = table->visualItemRect(table->item(1, 2)).center();
                QVERIFY(operatorClick(table->viewport(), cell));
                QVERIFY(operatorDoubleClick(table->viewport(), cell));
                for (int r = 0; r < table->rowCount(); ++r)
                    rows << table->item(r, 0)->text() + '|' + table->item(r, 1)->text() + '|' + table->item(r, 2)->text();
                if (close)
                    QVERIFY(operatorClick(w(d, "btnClose")));
                else
                    QVERIFY(operatorKey(d, Qt::Key_Escape));
            });
            QCOMPARE(dialog.editTimers({lights, TimerData{}}), close ? int(QDialog::Accepted) : int(QDialog::Rejected));
            // An invalid time shows an empty cell; the page's editor gives it a time of day.
            QCOMPARE(rows, (QStringList{"0", "Lights|07:30|", "Gate|06:15|00:00"}));
        }
    }
};

QTEST_MAIN(TstPickersTimers)
#include "tst_pickerstimers.moc"
