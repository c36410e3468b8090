#pragma once

#include <QColor>
#include <QList>
#include <QString>

#include <array>

class CommonDlg;
class Node;
class QMediaPlayer;
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
    static const QColor DefaultTextAlarmBackground; // (232,194,251,255)
    static inline const QString DefaultAlarmCaption = QStringLiteral("ALARM!");

    explicit AlarmsArea(QWidget* window);
    ~AlarmsArea();

    void createPlayer();

    // The alarm part of loading the settings: colours back to their
    // defaults, the text-alarm keys and the sound alarms from setting.ini.
    void load();
    // Takes `nodes` as the sound alarms; the earlier ones are retired, not
    // deleted, since map items may still point at them.
    void replaceSoundAlarms(const QList<Node*>& nodes);
    // The keys closing writes back.
    void write(QSettings& settings) const;

    std::array<QColor, StatusColorCount> statusColors;
    QColor textAlarmBackground;
    QString alarmCaption;
    int textAlarmMode = 1;
    bool soundAlarmActive = true;
    // Owned here. Nodes of an earlier load stay alive until the window goes:
    // map items may still point at them.
    QList<Node*> soundAlarmNodes;
    CommonDlg* alarmConfirmDlg = nullptr;
    QMediaPlayer* player = nullptr;

private:
    QWidget* m_window;
    QList<Node*> m_retiredSoundAlarms;
};
