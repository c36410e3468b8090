#pragma once

#include "textalarmsettings.h"

#include <QColor>
#include <QList>
#include <QString>

#include <array>
#include <memory>

class CommonDlg;
class GraphicsScene;
class Node;
class QMediaPlayer;
class SoundPlayer;
struct SoundPath;
class QSettings;
class QWidget;

// What the window keeps for visual and sound alarms: the status colours, the
// text-alarm settings, the sound alarms, the player that sounds them and the
// hidden dialog where alarms are confirmed.
class AlarmsArea
{
public:
    enum StatusColor { OkColor, WarningColor, CriticalColor, FailureColor, TamperColor, StatusColorCount };

    static const std::array<QColor, StatusColorCount> DefaultStatusColors;

    explicit AlarmsArea(QWidget* window);
    ~AlarmsArea();

    void createPlayer();
    // Tests put a recording player in place of the real one.
    void setSoundPlayer(std::unique_ptr<SoundPlayer> player);
    SoundPlayer* soundPlayer() const { return m_soundPlayer.get(); }

    // Colours and blinks the map items attached to `node` on `currentScene`
    // by `status`, and sounds the alarm that belongs to it.
    void activateVisualAlarm(Node* node, int status, GraphicsScene* currentScene);
    // The warning file for status 1, the critical file for 2 and 4. While a
    // sound plays, another file replaces it only for a TW sector, a device
    // whose row evaluates to Critical, or an energizer in Tamper.
    void playAlarmSound(Node* node, int status, const SoundPath& sound);

    // The alarm part of loading the settings: colours back to their
    // defaults, the text-alarm keys and the sound alarms from setting.ini.
    void load();

    // The colours of the statuses, in StatusColor order, that a project may name.
    const std::array<QColor, StatusColorCount>& statusColors() const { return m_statusColors; }
    void setStatusColor(StatusColor status, const QColor& color);

    // The text-alarm look as setting.ini holds it; forgets edits made here.
    void loadTextAlarm(const QSettings& settings);
    QColor textAlarmBackground() const { return m_textAlarmBackground; }
    QString alarmCaption() const { return m_alarmCaption; }
    int textAlarmMode() const { return m_textAlarmMode; }
    // The text-alarm look edited in a panel: the window's own until written.
    void setTextAlarmBackground(const QColor& color);
    void setAlarmCaption(const QString& caption);
    void setTextAlarmMode(int mode);
    // The caption an opened project names: shown, but no edit that closing writes.
    void setProjectCaption(const QString& caption);
    // Writes the text-alarm keys edited here; false when writing failed.
    bool saveTextAlarmEdits();

    bool soundAlarmActive() const { return m_soundAlarmActive; }
    void setSoundAlarmActive(bool active);
    // The sound alarms, owned here.
    const QList<Node*>& soundAlarmNodes() const { return m_soundAlarmNodes; }
    // The list itself, which the window hands to the scenes: the settings
    // dialog adds sound alarms to it and deletes unreferenced ones there.
    QList<Node*>* editableSoundAlarms() { return &m_soundAlarmNodes; }
    // Takes `nodes` as the sound alarms; the earlier ones are retired, not
    // deleted, since map items may still point at them.
    void replaceSoundAlarms(const QList<Node*>& nodes);
    // A sound alarm node about to be deleted elsewhere leaves the list.
    void forgetSoundAlarm(Node* node);

    // The keys closing writes back: the sound alarms, and the text-alarm
    // look only when it was edited here (the settings dialog writes its own).
    void write(QSettings& settings) const;

    // A child of the window, made here. Its sound choice (a command) and the
    // confirmed alarms (user actions) are wired by the window.
    CommonDlg* alarmConfirmDlg() const { return m_alarmConfirmDlg; }
    QMediaPlayer* player() const;

private:
    void writeTextAlarm(QSettings& settings) const;
    void showSoundNote(const QString& why);
    void showOnMap(Node* node, Node* child, int status, GraphicsScene* currentScene);

    QWidget* m_window;
    std::array<QColor, StatusColorCount> m_statusColors;
    QColor m_textAlarmBackground;
    QString m_alarmCaption;
    int m_textAlarmMode = TextAlarmSettings::DefaultMode;
    bool m_soundAlarmActive = true;
    // Owned here. Nodes of an earlier load stay alive until the window goes:
    // map items may still point at them.
    QList<Node*> m_soundAlarmNodes;
    CommonDlg* m_alarmConfirmDlg = nullptr;
    std::unique_ptr<SoundPlayer> m_soundPlayer;
    QList<Node*> m_retiredSoundAlarms;
    bool m_textAlarmEdited = false;
};
