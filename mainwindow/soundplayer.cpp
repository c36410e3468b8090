#include "soundplayer.h"
#include "mainwindowlogging.h"

#include "apppaths.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QUrl>

SoundPlayer::SoundPlayer(QObject* owner)
    : m_player(new QMediaPlayer(owner))
{
}

SoundPlayer::~SoundPlayer() = default;

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
            qCWarning(lcMainWindow).noquote() << QStringLiteral("Alarm sound %1 not found").arg(clean);
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

void SoundPlayer::startPlayback(const QString& absolutePath)
{
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
