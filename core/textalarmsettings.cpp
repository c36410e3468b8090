#include "textalarmsettings.h"

#include "colortext.h"
#include "settingsfile.h"

#include <QSettings>

namespace {
const QString ModeKey = QStringLiteral("TextAlarmMode");
const QString BackgroundKey = QStringLiteral("TextAlarmBGColorMode");
const QString CaptionKey = QStringLiteral("AlarmCaption");
} // namespace

TextAlarmSettings TextAlarmSettings::read(const QSettings& settings)
{
    TextAlarmSettings read;
    read.mode = SettingsFile::intValue(settings, ModeKey, DefaultMode, BlinkBackground, ChangeCaption);
    read.background = SettingsFile::colorValue(settings, BackgroundKey, DefaultBackground);
    read.caption = SettingsFile::textValue(settings, CaptionKey, DefaultCaption);
    return read;
}

void TextAlarmSettings::write(QSettings& settings) const
{
    settings.setValue(ModeKey, mode);
    settings.setValue(BackgroundKey, colorToText(background));
    settings.setValue(CaptionKey, caption);
}
