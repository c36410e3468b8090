#pragma once

#include <QColor>
#include <QString>

class QSettings;

// The text alarm's look as setting.ini keeps it. The window runs it and the
// settings dialog edits it; both read it here, so that both take one default.
struct TextAlarmSettings
{
    // As the settings dialog lists them.
    enum Mode { BlinkBackground = 0, ChangeCaption = 1 };

    static constexpr int DefaultMode = ChangeCaption;
    static inline const QColor DefaultBackground{232, 194, 251, 255};
    static inline const QString DefaultCaption = QStringLiteral("ALARM!");

    int mode = DefaultMode;
    QColor background = DefaultBackground;
    QString caption = DefaultCaption;

    // A key absent, or present and refused, takes its default; a refused one
    // is named in the log.
    static TextAlarmSettings read(const QSettings& settings);
    void write(QSettings& settings) const;
};
