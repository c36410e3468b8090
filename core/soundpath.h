#pragma once

#include <QMetaType>
#include <QString>

// The sound files of one sound alarm. An empty field means no sound for
// that state. Paths stand as the operator chose or typed them; nothing here
// checks that they exist.
struct SoundPath
{
    QString okSound;
    QString warningSound;   // played for status 1 (Warning)
    QString criticalSound;  // played for statuses 2 (Critical) and 4 (Tamper)
};
Q_DECLARE_METATYPE(SoundPath)
