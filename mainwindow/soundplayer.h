#pragma once

#include <QMetaObject>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>

class QMediaPlayer;
class QObject;

// The one player of alarm sounds. It keeps the absolute path of what it was
// last asked to play, so "is this file already playing?" compares paths, not
// URL texts. play() of the file that is already playing lets it play on.
// Tests replace the backend functions (startPlayback, stopPlayback,
// backendPlaying) by subclassing; the default uses Qt Multimedia.
// Without a working sound output (no audio device, or the player's error)
// a sound cannot play: that is logged once, naming the sound output, and
// handed once to the notifier, which tells the operator.
class SoundPlayer
{
public:
    explicit SoundPlayer(QObject* owner);
    virtual ~SoundPlayer();

    // A relative path counts from the program's directory. Empty when the
    // path is empty; a missing file logs one line per file per run.
    QString resolve(const QString& path);

    bool isPlaying() const;
    QString currentFile() const { return m_currentFile; }
    // Plays `path` (resolved); a missing or empty file plays nothing.
    void play(const QString& path);
    void stop();

    QMediaPlayer* mediaPlayer() const { return m_player; }

    using Notifier = std::function<void(const QString& why)>;
    void setUnplayableNotifier(Notifier notifier) { m_unplayable = std::move(notifier); }

protected:
    virtual void startPlayback(const QString& absolutePath);
    virtual void stopPlayback();
    virtual bool backendPlaying() const;
    // The sound output cannot play, for `why`.
    void cannotPlay(const QString& why);

private:
    QMediaPlayer* m_player = nullptr;
    QString m_currentFile;
    QSet<QString> m_reportedMissing;
    Notifier m_unplayable;
    QMetaObject::Connection m_errorConnection;
    bool m_unplayableTold = false;
};
