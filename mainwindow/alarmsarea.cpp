#include "alarmsarea.h"

#include "colortext.h"
#include "commondlg.h"
#include "node.h"
#include "settingsfile.h"
#include "soundalarmsettings.h"

#include <QMediaPlayer>
#include <QSettings>

const std::array<QColor, AlarmsArea::StatusColorCount> AlarmsArea::DefaultStatusColors{
    QColor(0, 255, 0, 255), QColor(232, 183, 98, 255), QColor(255, 0, 0, 255), QColor(255, 165, 0, 255),
    QColor(255, 0, 255, 255)};
const QColor AlarmsArea::DefaultTextAlarmBackground(232, 194, 251, 255);

AlarmsArea::AlarmsArea(QWidget* window)
    : m_window(window)
{
    alarmConfirmDlg = new CommonDlg(window);
    alarmConfirmDlg->hide();
}

AlarmsArea::~AlarmsArea()
{
    qDeleteAll(soundAlarmNodes);
    qDeleteAll(m_retiredSoundAlarms);
}

void AlarmsArea::createPlayer()
{
    player = new QMediaPlayer(m_window);
}

void AlarmsArea::load()
{
    statusColors = DefaultStatusColors;
    textAlarmBackground = DefaultTextAlarmBackground;
    {
        auto settings = SettingsFile::open();
        soundAlarmActive = settings->value(QStringLiteral("SoundAlarmActive"), true).toBool();
        textAlarmMode = settings->value(QStringLiteral("TextAlarmMode"), true).toInt();
        textAlarmBackground = SettingsFile::colorValue(settings->value(QStringLiteral("TextAlarmBGColorMode")),
                                                       DefaultTextAlarmBackground);
        alarmCaption = settings->value(QStringLiteral("AlarmCaption"), DefaultAlarmCaption).toString();
    }
    replaceSoundAlarms(SoundAlarmSettings::load());
}

void AlarmsArea::replaceSoundAlarms(const QList<Node*>& nodes)
{
    m_retiredSoundAlarms.append(soundAlarmNodes);
    soundAlarmNodes = nodes;
}

void AlarmsArea::write(QSettings& settings) const
{
    settings.setValue(QStringLiteral("TextAlarmMode"), textAlarmMode);
    settings.setValue(QStringLiteral("TextAlarmBGColorMode"), colorToText(textAlarmBackground));
    settings.setValue(QStringLiteral("AlarmCaption"), alarmCaption);
    SoundAlarmSettings::write(settings, soundAlarmNodes);
}
