#include "soundplayer.h"
#include "mainwindowlogging.h"

#include "apppaths.h"
#include "loggedtext.h"

#include <QAudioDeviceInfo>
#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QUrl>

#include <utility>

SoundPlayer::SoundPlayer(QObject* owner)
    : m_player(new QMediaPlayer(owner))
{
    m_errorConnection = QObject::connect(m_player, qOverload<QMediaPlayer::Error>(&QMediaPlayer::error), [this] {
        const QString why = m_player->errorString();
        cannotPlay(why.isEmpty() ? QCoreApplication::translate("SoundPlayer", "the player failed") : why);
    });
}

SoundPlayer::~SoundPlayer()
{
    QObject::disconnect(m_errorConnection);
}

QString SoundPlayer::resolve(const QString& path)
{
    if (path.isEmpty())
        return QString();
    const QString absolute = QFileInfo(path).isRelative() ? QDir(AppPaths::homeDir()).absoluteFilePath(path)
                                                          : path;
    const QString clean = QDir::cleanPath(absolute);
    if (!QFileInfo::exists(clean)) {
        // An alarm repeats every second: one line per file is enough.
        if (!m_reportedMissing.contains(clean)) {
            m_reportedMissing.insert(clean);
            qCWarning(lcMainWindow).noquote() << QStringLiteral("Alarm sound %1 not found").arg(loggedText(clean));
        }
        return QString();
    }
    return clean;
}

bool SoundPlayer::isPlaying() const
{
    return backendPlaying();
}

void SoundPlayer::play(const QString& path)
{
    const QString file = resolve(path);
    if (file.isEmpty())
        return;
    if (isPlaying() && file == m_currentFile)
        return;
    if (isPlaying())
        stopPlayback();
    m_currentFile = file;
    startPlayback(file);
}

void SoundPlayer::stop()
{
    stopPlayback();
}

void SoundPlayer::cannotPlay(const QString& why)
{
    // An alarm repeats every second; the first tells all there is.
    if (std::exchange(m_unplayableTold, true))
        return;
    qCWarning(lcMainWindow).noquote() << QStringLiteral("Sound output: %1; sound alarms cannot play").arg(why);
    if (m_unplayable)
        m_unplayable(why);
}

void SoundPlayer::startPlayback(const QString& absolutePath)
{
    // Without one the media backend only warns of a failed connection, at
    // every alarm, and plays nothing.
    if (QAudioDeviceInfo::defaultOutputDevice().isNull()) {
        cannotPlay(QCoreApplication::translate("SoundPlayer", "no audio output device was found"));
        return;
    }
    m_player->setMedia(QUrl::fromLocalFile(absolutePath));
    m_player->play();
}

void SoundPlayer::stopPlayback()
{
    m_player->stop();
}

bool SoundPlayer::backendPlaying() const
{
    return m_player->state() == QMediaPlayer::PlayingState;
}
