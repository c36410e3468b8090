#include "soundalarmsettings.h"

#include "node.h"
#include "settingsfile.h"
#include "soundpath.h"

#include <QCoreApplication>
#include <QSettings>
#include <QUuid>

namespace SoundAlarmSettings {

static Node* makeSoundAlarm(const QString& nodeName, const QString& caption, const SoundPath& sounds,
                            const QString& id)
{
    auto* node = new Node(nodeName);
    node->type = Node::SoundAlarm;
    node->columns = {caption, QVariant::fromValue(sounds), id};
    return node;
}

static QList<Node*> builtIns()
{
    const auto tr = [](const char* text) { return QCoreApplication::translate("MainWindow", text); };
    return {makeSoundAlarm(QStringLiteral("name1"), tr("Sound alarm1"),
                           {QString(), QStringLiteral("./AlarmSounds/Warning/Beep3.wav"),
                            QStringLiteral("./AlarmSounds/Critical/Siren.wav")},
                           QUuid::createUuid().toString()),
            makeSoundAlarm(QStringLiteral("name2"), tr("Sound alarm2"),
                           {QString(), QStringLiteral("./AlarmSounds/Warning/Alarm.wav"),
                            QStringLiteral("./AlarmSounds/Critical/Alarm1.wav")},
                           QUuid::createUuid().toString())};
}

QList<Node*> load()
{
    QList<Node*> soundAlarms;
    auto settings = SettingsFile::open();
    settings->beginGroup(Group);
    const int size = SettingsFile::beginReadArray(*settings, Group, MaxSoundAlarms);
    for (int i = 0; i < size; ++i) {
        settings->setArrayIndex(i);
        const QString name = SettingsFile::textValue(*settings, QStringLiteral("soundName"));
        const SoundPath sounds{SettingsFile::textValue(*settings, QStringLiteral("soundOk")),
                               SettingsFile::textValue(*settings, QStringLiteral("soundWarning")),
                               SettingsFile::textValue(*settings, QStringLiteral("soundCritical"))};
        soundAlarms.append(makeSoundAlarm(name, name, sounds, SettingsFile::textValue(*settings, QStringLiteral("soundId"))));
    }
    settings->endArray();
    settings->endGroup();
    return soundAlarms.isEmpty() ? builtIns() : soundAlarms;
}

void write(QSettings& settings, const QList<Node*>& soundAlarms)
{
    settings.beginGroup(Group);
    settings.beginWriteArray(Group);
    for (int i = 0; i < soundAlarms.size(); ++i) {
        const Node* node = soundAlarms.at(i);
        const SoundPath sounds = node->data(1).value<SoundPath>();
        settings.setArrayIndex(i);
        settings.setValue(QStringLiteral("soundName"), node->data(0).toString());
        settings.setValue(QStringLiteral("soundId"), node->data(2).toString());
        settings.setValue(QStringLiteral("soundOk"), sounds.okSound);
        settings.setValue(QStringLiteral("soundWarning"), sounds.warningSound);
        settings.setValue(QStringLiteral("soundCritical"), sounds.criticalSound);
    }
    settings.endArray();
    settings.endGroup();
}

} // namespace SoundAlarmSettings
