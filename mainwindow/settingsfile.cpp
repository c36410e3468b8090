#include "settingsfile.h"

#include "apppaths.h"
#include "colortext.h"

#include <QDebug>
#include <QFileInfo>
#include <QSet>
#include <QSettings>

namespace SettingsFile {

QString path()
{
    return AppPaths::settings();
}

static std::unique_ptr<QSettings> openStore()
{
    auto settings = std::make_unique<QSettings>(path(), QSettings::IniFormat);
    settings->setIniCodec("UTF-8");
    return settings;
}

std::unique_ptr<QSettings> open()
{
    auto settings = openStore();
    static QSet<QString> reported;
    if (settings->status() == QSettings::FormatError && !reported.contains(path())) {
        reported.insert(path());
        qWarning().noquote() << QStringLiteral("%1 could not be read; the defaults are used").arg(path());
    }
    return settings;
}

bool write(const std::function<void(QSettings&)>& write)
{
    auto settings = openStore();
    write(*settings);
    settings->sync();
    if (settings->status() == QSettings::NoError)
        return true;
    qWarning().noquote() << QStringLiteral("%1 could not be written: %2")
                                .arg(path(), settings->status() == QSettings::AccessError
                                                 ? QStringLiteral("access denied")
                                                 : QStringLiteral("format error"));
    return false;
}

QColor colorValue(const QVariant& value, const QColor& fallback)
{
    const QString text = value.type() == QVariant::StringList ? value.toStringList().join(QLatin1Char(','))
                                                              : value.toString();
    const QColor color = textToColor(text);
    return color.isValid() ? color : fallback;
}

} // namespace SettingsFile
