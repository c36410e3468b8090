#pragma once

#include "alarmcondition.h"
#include "textalarmsettings.h"

#include <QColor>
#include <QDialog>
#include <QList>
#include <QString>

#include <memory>

class BtnDelegate;
class ComboboxDelegate;
class GraphicsScene;
class ItemDelegate;
class Node;
class QItemDelegate;
class QSettings;
class QTreeWidgetItem;

namespace Ui {
class SettingDlg;
}

// The settings dialog: the sound and text alarm actions, the alarm
// conditions of energizers and TW sensors, and the log, input-logic,
// start-up and sensor-mode options.
//
// Everything but the sound alarms goes to setting.ini only on OK; once it
// is written, the alarm conditions also replace the conditions in force (a
// write that fails changes nothing, and the operator is told). Sound alarms
// are the main window's live nodes: adding, renaming, giving files and
// deleting act on them at once and are not undone by Cancel.
class SettingDlg : public QDialog
{
    Q_OBJECT
public:
    // Keys in the user role of tree column 1: what a value row edits.
    static inline const QString CaptionKey = QStringLiteral("AlarmCaption");
    static inline const QString ColorKey = QStringLiteral("color");
    static inline const QString SoundKey = QStringLiteral("sound");

    static constexpr int KeepDaysSpinMaximum = 99;
    static inline const QString EnergizerConditionArray = QStringLiteral("alarmCondition");
    static inline const QString SensorConditionArray = QStringLiteral("alarmSensorCondition");
    // Conditions whose name holds this always show in OffColor.
    static inline const QString OffMarker = QStringLiteral(" Off");
    static inline const QColor OffColor{0, 38, 255, 255};

    // Columns of the condition table.
    enum ConditionColumn { ConditionNameColumn = 0, PriorityColumn = 1, ColorColumn = 2, ActiveColumn = 3 };
    // Column 1 of a condition row also keeps the status it was loaded with.
    static constexpr int LoadedStatusRole = Qt::UserRole + 1;

    explicit SettingDlg(QWidget* parent = nullptr);
    ~SettingDlg() override;

    // Lists the sound alarms of the scene's list, runs the dialog and, when
    // accepted, replaces the conditions in force and writes setting.ini.
    // Without a scene no sound alarm can be listed or added. Returns the
    // dialog's result.
    int execSettings(GraphicsScene* currentScene);

    // Whether the last accepted run wrote setting.ini completely.
    bool settingsWritten() const { return m_settingsWritten; }
    // Whether a sound alarm was added, renamed, given a file or deleted.
    bool soundAlarmsChanged() const { return m_soundAlarmsChanged; }

    // The conditions the table holds: energizer rows, then sensor rows, each in table order.
    AlarmConditionList tableConditions() const;

public slots:
    void selectFile();
    void selectColor(int row, int col);
    void addAlarmAction();
    void deleteAction();
    void editorClosed(QItemDelegate* item);
    void comboClosed();
    void itemChanged(QTreeWidgetItem* item, int col);
    void treeDoubleClicked(QTreeWidgetItem* item, int col);
    void currentTextAlarmModeChanged(int index);
    void currentItemChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);

private:
    static std::unique_ptr<QSettings> openSettings();
    void readMiscellaneous(QSettings& settings);
    void setUpConditionTable();
    void loadConditions(QSettings& settings);
    void appendConditionRow(const AlarmCondition& condition, int part);
    void listSoundAlarms();
    QTreeWidgetItem* addSoundAlarmItem(Node* node, int index);
    void addTextAction(QSettings& settings);
    // The one place that writes setting.ini; warns, naming the file, when it could not.
    bool writeSettings(const AlarmConditionList& conditions);
    void saveAccepted();

    Node* soundNodeOf(const QTreeWidgetItem* item) const;
    bool isSoundAlarmReferenced(Node* sound) const;
    void applySoundName(QTreeWidgetItem* item);
    void applySoundFile(QTreeWidgetItem* item);

    std::unique_ptr<Ui::SettingDlg> form;
    QTreeWidgetItem* rootItem = nullptr;
    BtnDelegate* btnDelegate = nullptr;
    ItemDelegate* itemDelegate = nullptr;
    ComboboxDelegate* statusDelegate = nullptr;
    bool editing = false;
    QString alarmCaption;
    int textAlarmMode = TextAlarmSettings::DefaultMode;
    QColor textAlarmBackground;
    GraphicsScene* scene = nullptr;
    QList<Node*>* soundAlarms = nullptr;
    bool m_settingsWritten = false;
    bool m_soundAlarmsChanged = false;
};
