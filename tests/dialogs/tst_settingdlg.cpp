#include "settingdlg.h"

#include "alarmcondition.h"
#include "chooserhooks.h"
#include "controlunit.h"
#include "devicestatus.h"
#include "filechooserhook.h"
#include "gatewaysimulator.h"
#include "gatewaysubtree.h"
#include "graphicsscene.h"
#include "messagecatcher.h"
#include "modalanswerer.h"
#include "node.h"
#include "operatorclick.h"
#include "qtclient.h"
#include "scopedhook.h"
#include "sitemutex.h"
#include "soundpath.h"
#include "testhome.h"
#include "treemodel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QScopeGuard>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QThread>
#include <QTreeWidget>
#include <QUuid>
#include <QtTest>

namespace {

using Action = std::function<void(SettingDlg&)>;

QByteArray condition(const char* array, int i, int part, int param, const char* name, int status,
                     const char* statusName, const char* color)
{
    return QStringLiteral("%1\\%1\\%2\\AlarmPart=%3\n%1\\%1\\%2\\EnergParam=%4\n%1\\%1\\%2\\EnergParamName=%5\n"
                          "%1\\%1\\%2\\AlarmStatus=%6\n%1\\%1\\%2\\AlarmStatusName=%7\n%1\\%1\\%2\\Active=true\n"
                          "%1\\%1\\%2\\AlarmColor=\"%8\"\n")
        .arg(QLatin1String(array)).arg(i).arg(part).arg(param).arg(QLatin1String(name)).arg(status)
        .arg(QLatin1String(statusName)).arg(QLatin1String(color)).toUtf8();
}

// Three energizer conditions (the second stored with the sensor part, the
// third with a status the list does not offer) and two sensor conditions.
const QByteArray Conditions = "[General]\n"
    + condition("alarmCondition", 1, 0, EnergizerParam::FenceAlarm1, "FenceAlarm1", 1, "Warning", "rgba(1,2,3,255)")
    + condition("alarmCondition", 2, 1, 13, "Fence1 Off", 7, "Off", "rgba(4,5,6,255)")
    + condition("alarmCondition", 3, 0, 53, "NoAlarm", 0, "OK", "rgba(7,8,9,255)")
    + "alarmCondition\\alarmCondition\\size=3\n"
    + condition("alarmSensorCondition", 1, 1, 2, "Alarm", 2, "Critical", "rgba(10,11,12,255)")
    + condition("alarmSensorCondition", 2, 1, 3, "Maintenance", 3, "Failure", "rgba(13,14,15,255)")
    + "alarmSensorCondition\\alarmSensorCondition\\size=2\n";

template <typename T>
T* child(QObject& dlg, const char* name)
{
    return dlg.findChild<T*>(QLatin1String(name));
}

// Runs the dialog: `act` while it is shown, then `finish` ends it.
int run(SettingDlg& dlg, GraphicsScene* scene, const Action& act, const Action& finish)
{
    answerNextModal([&](QWidget*) {
        if (act)
            act(dlg);
        finish(dlg);
    });
    return dlg.execSettings(scene);
}

void ok(SettingDlg& dlg) { QVERIFY(operatorClick(child<QPushButton>(dlg, "btnOK"))); }

// Answers the next message box with `button`, keeping its title and text;
// `then` runs once it is answered.
void answerBox(QMessageBox::StandardButton button, QString* seen = nullptr, std::function<void()> then = {})
{
    answerNextModal([=](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (seen && box)
            *seen = box->windowTitle() + "|" + box->text();
        if (box && box->button(button))
            QVERIFY(operatorClick(box->button(button)));
        if (then)
            then();
    });
}

// Commits a line editor as Return does; the view takes it from the event loop.
void commit(QLineEdit* editor)
{
    QVERIFY(operatorKey(editor, Qt::Key_Return));
    QCoreApplication::processEvents();
}

// The editor the view has open (released ones are hidden until deleted).
template <typename T>
T* openEditor(QAbstractItemView* view)
{
    for (T* editor : view->viewport()->findChildren<T*>()) {
        if (editor->isVisibleTo(view->viewport()))
            return editor;
    }
    return nullptr;
}

// A colour chooser that picks cyan.
bool chooseCyan(QColor& c, QWidget*)
{
    c = Qt::cyan;
    return true;
}

QTreeWidgetItem* soundItem(SettingDlg& dlg, int row)
{
    return child<QTreeWidget>(dlg, "treeWidget")->topLevelItem(0)->child(row);
}

} // namespace

class TstSettingDlg : public QObject
{
    Q_OBJECT

private:
    TestHome home;
    QString ini() const { return home.filePath(QStringLiteral("setting.ini")); }
    void writeIni(const QByteArray& content)
    {
        QFile::remove(ini());
        QFile file(ini());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

private slots:
    void cleanup()
    {
        setAlarmConditions({});
    }

    void miscellaneous_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("keepDays");
        QTest::addColumn<QString>("background");
        QTest::newRow("no file") << QByteArray() << 30 << "rgba(232,194,251,255)";
        QTest::newRow("above the spin range") << QByteArray("[General]\nAL_KeepDays=365\n") << 365
                                              << "rgba(232,194,251,255)";
        QTest::newRow("not a number") << QByteArray("[General]\nAL_KeepDays=abc\nTextAlarmBGColorMode=none\n") << 30
                                      << "rgba(232,194,251,255)";
        QTest::newRow("negative") << QByteArray("[General]\nAL_KeepDays=-5\n") << 30 << "rgba(232,194,251,255)";
        QTest::newRow("unquoted colour") << QByteArray("[General]\nTextAlarmBGColorMode=rgba(1,2,3,4)\n") << 30
                                         << "rgba(1,2,3,4)";
        // Out of type or range: defaults; too many conditions: those in force.
        QTest::newRow("bad values") << QByteArray("[General]\nReverseLogic=maybe\nTextAlarmMode=7\n[alarmCondition]\n"
                                                  "alarmCondition\\size=30000000\n") << 30 << "rgba(232,194,251,255)";
    }

    // What the dialog shows from setting.ini is what OK writes back, every key.
    void miscellaneous()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, keepDays);
        QFETCH(QString, background);
        QFile::remove(ini());
        if (!content.isEmpty())
            writeIni(content);
        setAlarmConditions({AlarmCondition()});
        const bool tooMany = content.contains("size=30000000");
        if (tooMany)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("alarmCondition/size in .* is 30000000"));
        for (const char* refused : {"AL_KeepDays=abc", "AL_KeepDays=-5", "TextAlarmBGColorMode=none", "TextAlarmMode=7"})
            if (content.contains(refused))
                QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^%1 in .* refused").arg(refused)));
        SettingDlg dlg;
        QCOMPARE(child<QSpinBox>(dlg, "spnAlarm")->value(), keepDays);
        QCOMPARE(run(dlg, nullptr, {}, ok), int(QDialog::Accepted));
        QVERIFY(dlg.settingsWritten());

        QSettings s(ini(), QSettings::IniFormat);
        // Mode 1, as the window runs.
        const QVariantList expected{keepDays, 30, 30, false, true, false, 1, background, QStringLiteral("ALARM!")};
        const QStringList keys{"AL_KeepDays", "UL_KeepDays", "VL_KeepDays", "ReverseLogic", "LoadLastFile",
                               "SensorMode", "TextAlarmMode", "TextAlarmBGColorMode", "AlarmCaption"};
        for (int i = 0; i < keys.size(); ++i)
            QCOMPARE(s.value(keys[i]).toString(), expected[i].toString());
        s.beginGroup(QStringLiteral("alarmCondition"));
        QCOMPARE(s.beginReadArray(QStringLiteral("alarmCondition")), tooMany ? 1 : 0);
        QCOMPARE(alarmConditions().size(), tooMany ? 1 : 0);
    }

    // The text action's mode, background and caption are edited in the tree.
    void textAlarmSettings()
    {
        QFile::remove(ini());
        const ScopedHook chooser(&ChooserHooks::setColorChooser, chooseCyan);
        SettingDlg dlg;
        const auto edit = [](SettingDlg& d) {
            auto* tree = child<QTreeWidget>(d, "treeWidget");
            QTreeWidgetItem* text = tree->topLevelItem(0)->child(0);
            qobject_cast<QComboBox*>(tree->itemWidget(text, 1))->setCurrentIndex(1);
            tree->setCurrentItem(text->child(0), 1);
            d.treeDoubleClicked(text->child(0), 1);
            tree->setCurrentItem(text->child(1), 1);
            d.treeDoubleClicked(text->child(1), 1);
            tree->editItem(text->child(1), 1);
            auto* editor = openEditor<QLineEdit>(tree);
            QVERIFY(editor);
            editor->setText(QStringLiteral("INTRUDER"));
            commit(editor);
        };
        QCOMPARE(run(dlg, nullptr, edit, ok), int(QDialog::Accepted));
        QSettings s(ini(), QSettings::IniFormat);
        QCOMPARE(s.value("TextAlarmMode").toInt(), 1);
        QCOMPARE(s.value("TextAlarmBGColorMode").toString(), QStringLiteral("rgba(0,255,255,255)"));
        QCOMPARE(s.value("AlarmCaption").toString(), QStringLiteral("INTRUDER"));
    }

    void endingWithoutOkWritesNothing_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("Cancel") << 0;
        QTest::newRow("Escape") << 1;
        QTest::newRow("closed") << 2;
    }

    void endingWithoutOkWritesNothing()
    {
        QFETCH(int, how);
        writeIni(Conditions);
        AlarmCondition kept;
        kept.EnergParamName = QStringLiteral("kept");
        setAlarmConditions({kept});
        SettingDlg dlg;
        const auto end = [how](SettingDlg& d) {
            if (how == 0)
                QVERIFY(operatorClick(child<QPushButton>(d, "btnCancel")));
            else if (how == 1)
                QVERIFY(operatorKey(&d, Qt::Key_Escape));
            else
                d.close();
        };
        const auto edit = [](SettingDlg& d) { child<QSpinBox>(d, "spnUser")->setValue(5); };
        QCOMPARE(run(dlg, nullptr, edit, end), int(QDialog::Rejected));
        QFile file(ini());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), Conditions);
        QCOMPARE(alarmConditions().size(), 1);
    }

    // Rows in array order; on OK the arrays decide the part and an unknown
    // status keeps its number.
    void conditionsRoundTrip()
    {
        writeIni(Conditions);
        SettingDlg dlg;
        auto* table = child<QTableWidget>(dlg, "tableAlarmCond");
        QCOMPARE(table->rowCount(), 5);
        QCOMPARE(table->item(3, 0)->text(), QStringLiteral("Alarm"));
        const auto untick = [](SettingDlg& d) {
            child<QTabWidget>(d, "tabWidget")->setCurrentIndex(1);
            QVERIFY(operatorClick(child<QTableWidget>(d, "tableAlarmCond")->cellWidget(2, 3)->findChild<QCheckBox*>()));
        };
        QCOMPARE(run(dlg, nullptr, untick, ok), int(QDialog::Accepted));

        const AlarmConditionList list = alarmConditions();
        QCOMPARE(list.size(), 5);
        const QList<int> parts{0, 0, 0, 1, 1}, statuses{1, 7, 0, 2, 3};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(list[i].AlarmPart, parts[i]);
            QCOMPARE(list[i].AlarmStatus, statuses[i]);
            QCOMPARE(list[i].Active, i != 2);
        }
        QCOMPARE(list[1].AlarmColor, QColor(4, 5, 6));
        QSettings s(ini(), QSettings::IniFormat);
        QCOMPARE(s.value("alarmCondition/alarmCondition/2/AlarmPart").toInt(), 0);
        QCOMPARE(s.value("alarmCondition/alarmCondition/2/AlarmStatus").toInt(), 7);
        QCOMPARE(s.value("alarmSensorCondition/alarmSensorCondition/2/AlarmColor").toString(),
                 QStringLiteral("rgba(13,14,15,255)"));
        QCOMPARE(s.value("alarmSensorCondition/alarmSensorCondition/size").toInt(), 2);
    }

    void conditionColours_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column"); // 1: a status is chosen, else the column double-clicked
        QTest::addColumn<QString>("status");
        QTest::addColumn<QColor>("color");
        QTest::newRow("Critical, Off condition") << 1 << 1 << "Critical" << QColor(0, 38, 255);
        QTest::newRow("Critical") << 0 << 1 << "Critical" << QColor(255, 0, 0);
        QTest::newRow("Warning") << 2 << 1 << "Warning" << QColor(232, 183, 98);
        QTest::newRow("Condition double-clicked") << 0 << 0 << "" << QColor(1, 2, 3);
        QTest::newRow("Color double-clicked") << 0 << 2 << "" << QColor(Qt::cyan);
        QTest::newRow("Active double-clicked") << 0 << 3 << "" << QColor(1, 2, 3);
    }

    void conditionColours()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, status);
        QFETCH(QColor, color);
        writeIni(Conditions);
        const ScopedHook chooser(&ChooserHooks::setColorChooser, chooseCyan);
        SettingDlg dlg;
        dlg.show();
        child<QTabWidget>(dlg, "tabWidget")->setCurrentIndex(1);
        auto* table = child<QTableWidget>(dlg, "tableAlarmCond");
        if (column == 1) {
            table->setCurrentCell(row, 1);
            table->editItem(table->item(row, 1));
            auto* combo = openEditor<QComboBox>(table);
            QVERIFY(combo);
            combo->setCurrentIndex(combo->findText(status));
            QCOMPARE(table->item(row, 1)->text(), status);
        } else {
            emit table->cellDoubleClicked(row, column);
        }
        QCOMPARE(dlg.tableConditions().at(row).AlarmColor, color);
    }

    // New alarms: appended to the list, shown on top, named as first typed;
    // a new file or name reaches the alarm and its references at once.
    void soundAlarmsAddRenameAndFiles()
    {
        QFile::remove(ini());
        QList<Node*> sounds;
        GraphicsScene scene(QStringLiteral("W1"));
        scene.setSoundAlarmList(&sounds);
        const ScopedHook chooser(&FileChooserHook::setOpenFileChooser,
                                 [this](QWidget*, const QString&, const QString& dir, const QString& filter) {
                                     const bool asked = filter == QLatin1String("Sound (*.wav)") && dir == home.path();
                                     return asked ? QStringLiteral("/no/such/warn.wav") : QString();
                                 });
        SettingDlg dlg;
        const auto act = [&](SettingDlg& d) {
            auto* tree = child<QTreeWidget>(d, "treeWidget");
            auto* del = child<QToolButton>(d, "btnDelete");
            for (const char* name : {"Gate", "Yard"}) {
                QVERIFY(operatorClick(child<QToolButton>(d, "btnAddSoundAlarm")));
                auto* editor = openEditor<QLineEdit>(tree);
                QVERIFY(editor);
                editor->setText(QLatin1String(name));
                commit(editor);
            }
            QCOMPARE(soundItem(d, 0)->text(1), QStringLiteral("Yard"));
            QCOMPARE(soundItem(d, 2)->text(0), QStringLiteral("Text action"));
            tree->setCurrentItem(soundItem(d, 1));
            QVERIFY(del->isEnabled());
            tree->setCurrentItem(soundItem(d, 1)->child(1));
            QVERIFY(!del->isEnabled());

            auto* reference = new Node(QStringLiteral("Gate"), sounds[0]);
            reference->columns.resize(3);
            QTreeWidgetItem* warning = soundItem(d, 1)->child(1);
            tree->setCurrentItem(warning, 1);
            d.treeDoubleClicked(warning, 1);
            tree->editItem(warning, 1);
            QPushButton* dots = openEditor<QPushButton>(tree);
            QVERIFY(dots);
            QVERIFY(operatorClick(dots));
            QCOMPARE(warning->text(1), QStringLiteral("/no/such/warn.wav"));

            tree->setCurrentItem(soundItem(d, 1), 1);
            d.treeDoubleClicked(soundItem(d, 1), 1);
            tree->editItem(soundItem(d, 1), 1);
            auto* editor = openEditor<QLineEdit>(tree);
            QVERIFY(editor);
            editor->setText(QStringLiteral("Main gate"));
            commit(editor);
        };
        QCOMPARE(run(dlg, &scene, act, [](SettingDlg& d) { d.reject(); }), int(QDialog::Rejected));
        QVERIFY(dlg.soundAlarmsChanged());

        QCOMPARE(sounds.size(), 2);
        QCOMPARE(sounds[0]->data(0).toString(), QStringLiteral("Main gate"));
        QCOMPARE(sounds[1]->data(0).toString(), QStringLiteral("Yard"));
        QCOMPARE(sounds[0]->type, int(Node::SoundAlarm));
        QVERIFY(!sounds[0]->data(2).value<QUuid>().isNull());
        for (Node* node : {sounds[0], sounds[0]->child(0)}) {
            const SoundPath paths = node->data(1).value<SoundPath>();
            QCOMPARE(paths.warningSound, QStringLiteral("/no/such/warn.wav"));
            QVERIFY(paths.okSound.isEmpty() && paths.criticalSound.isEmpty());
        }
        QCOMPARE(sounds[0]->child(0)->data(0).toString(), QStringLiteral("Main gate"));
        qDeleteAll(sounds);
    }

    void soundAlarmDeletion_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("referenced");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("answered No") << false << false << false;
        QTest::newRow("referenced on another workspace") << true << true << false;
        QTest::newRow("unreferenced") << true << false << true;
    }

    void soundAlarmDeletion()
    {
        QFETCH(bool, yes);
        QFETCH(bool, referenced);
        QFETCH(bool, deleted);
        QFile::remove(ini());
        TreeModel elements;
        elements.setRootNode(new Node(QStringLiteral("Name")));
        g_elementTreeModel = &elements;
        const auto restore = qScopeGuard([] { g_elementTreeModel = nullptr; });
        auto* sound = new Node;
        sound->type = Node::SoundAlarm;
        sound->columns = {QStringLiteral("Siren"), QVariant::fromValue(SoundPath()), QUuid::createUuid()};
        QList<Node*> sounds{sound};
        if (referenced) {
            // A copy read from the project file under a sector of another workspace.
            Node* sector = new Node(QStringLiteral("Sector1"),
                                    new Node(QStringLiteral("Energ1"), new Node(QStringLiteral("W2"), elements.rootNode())));
            Node* copy = sound->clone(sector);
            QVERIFY(copy);
        }
        GraphicsScene scene(QStringLiteral("W1"));
        scene.setSoundAlarmList(&sounds);
        QString warning;
        SettingDlg dlg;
        const auto act = [&](SettingDlg& d) {
            child<QTreeWidget>(d, "treeWidget")->setCurrentItem(soundItem(d, 0));
            answerBox(yes ? QMessageBox::Yes : QMessageBox::No, nullptr, [&] {
                if (referenced)
                    answerBox(QMessageBox::Ok, &warning);
            });
            d.deleteAction();
        };
        run(dlg, &scene, act, [](SettingDlg& d) { d.reject(); });

        QCOMPARE(sounds.isEmpty(), deleted);
        QCOMPARE(warning, referenced ? QStringLiteral("Error|Could not delete alarm action\n as there is reference with energizers")
                                     : QString());
        qDeleteAll(sounds);
    }

    // An unwritable setting.ini is said, naming the file; the conditions in
    // force stay as they were.
    void unwritableSettingsAreReported()
    {
        QFile::remove(ini());
        setAlarmConditions({AlarmCondition()});
        QVERIFY(QDir(home.path()).mkdir(QStringLiteral("setting.ini")));
        QString seen;
        SettingDlg dlg;
        const auto accept = [&](SettingDlg& d) {
            answerBox(QMessageBox::Ok, &seen);
            ok(d);
        };
        MessageCatcher catcher;
        QCOMPARE(run(dlg, nullptr, {}, accept), int(QDialog::Accepted));
        QVERIFY(QDir(home.path()).rmdir(QStringLiteral("setting.ini")));
        QVERIFY(!dlg.settingsWritten());
        QVERIFY2(seen.startsWith(QStringLiteral("Error|")) && seen.contains(ini()), qPrintable(seen));
        QVERIFY(catcher.contains(ini()));
        QCOMPARE(alarmConditions().size(), 1);
    }

    // A running control unit takes the new conditions with the next data it gets.
    void runningUnitUsesNewConditions()
    {
        AlarmCondition fence;
        fence.EnergParam = EnergizerParam::FenceAlarm1;
        fence.AlarmStatus = Node::Warning;
        fence.Active = true;
        setAlarmConditions({fence});
        QByteArray record(32, '\0');
        record[0] = 1;
        record[12] = char(0x80);
        record[13] = record[20] = char(0x82);
        GatewaySimulator sim;
        sim.setDeviceCounts(1, 0);
        sim.setBlock(1, record);
        QVERIFY(sim.listen(QHostAddress(QStringLiteral("127.0.0.61"))));

        TreeModel model;
        model.setRootNode(new Node(QStringLiteral("Name")));
        GatewaySubtree gateway(sim.address().toString());
        Node* row = gateway.statusNode.release();
        model.insertNode(model.rootNode(), -1, row);
        QThread thread;
        auto unit = std::make_unique<ControlUnit>();
        unit->energizerModel = &model;
        // The unit is bound to its client before its thread runs, as the window does.
        qtClient client(0);
        unit->connectClient(&client, Qt::QueuedConnection);
        unit->moveToThread(&thread);
        thread.start();
        const auto stop = qScopeGuard([&thread] {
            thread.quit();
            thread.wait();
        });
        LinkTiming timing;
        timing.sweepStartDelayMs = 10;
        client.setTiming(timing);
        client.setPort(sim.port());
        client.moveTo(sim.address().toString());
        QVERIFY(sim.waitForConnection());
        sim.sendHeartbeat();
        QTRY_VERIFY_WITH_TIMEOUT(client.dataValid, 10000);
        const auto status = [row] {
            SiteLocker lock;
            return row->child(0)->data(Node::kStatusColumn).toInt();
        };
        sim.pushWrite(1);
        QTRY_COMPARE_WITH_TIMEOUT(status(), int(Node::Warning), 10000);

        writeIni("[General]\n" + condition("alarmCondition", 1, 0, EnergizerParam::FenceAlarm1, "FenceAlarm1", 2,
                                           "Critical", "rgba(255,0,0,255)")
                 + "alarmCondition\\alarmCondition\\size=1\n");
        SettingDlg dlg;
        QCOMPARE(run(dlg, nullptr, {}, ok), int(QDialog::Accepted));
        sim.pushWrite(1);
        QTRY_COMPARE_WITH_TIMEOUT(status(), int(Node::Critical), 5000);
        client.closeConnection();
    }
};

QTEST_MAIN(TstSettingDlg)
#include "tst_settingdlg.moc"
