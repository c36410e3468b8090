#pragma once

#include <QMetaType>
#include <QString>

// The sound files of one sound alarm, by the state they announce. Kept in a
// QVariant in column 1 of a sound-alarm node.
struct SoundPath
{
    QString okSound;
    QString warningSound;
    QString criticalSound;
};
Q_DECLARE_METATYPE(SoundPath)
