#include "settingsfile.h"
#include "corelogging.h"

#include "colortext.h"
#include "loggedtext.h"
#include "renameover.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QSettings>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <unistd.h>

namespace SettingsFile {

namespace {

std::unique_ptr<QSettings> openIni(const QString& path)
{
    auto settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    settings->setIniCodec("UTF-8");
    return settings;
}

// Values read back from the file come as text where they went in as numbers
// or flags; a value of the same type is compared as it is.
bool sameValue(const QVariant& written, const QVariant& read)
{
    if (written.userType() == read.userType())
        return written == read;
    return written.toString() == read.toString();
}

// Every key of `expected` is in the file at `path` with its value, and
// nothing else is: a file cut short loses its last keys or values.
bool readsBackAs(const QString& path, const QVariantMap& expected)
{
    const auto readBack = openIni(path);
    if (readBack->status() != QSettings::NoError)
        return false;
    const QStringList keys = readBack->allKeys();
    if (keys.size() != expected.size())
        return false;
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        if (!readBack->contains(it.key()) || !sameValue(it.value(), readBack->value(it.key())))
            return false;
    }
    return true;
}

// Empty when done, else why not.
QString copyFile(const QString& from, QFile& to)
{
    QFile source(from);
    if (!source.exists())
        return QString();
    if (!source.open(QIODevice::ReadOnly))
        return QStringLiteral("%1 could not be read: %2").arg(from, source.errorString());
    const QByteArray content = source.readAll();
    return to.write(content) == content.size() && to.flush() ? QString() : to.errorString();
}

// QSettings caches a file it has read and reads it again only when its size
// or its modification time (in milliseconds) has changed. The file system
// stamps files with a coarse clock, so a new file of the same size written
// just after the old one could look unchanged and the cache would keep
// serving the old values.
void stampNewer(const QString& path, const QFileInfo& previous)
{
    QDateTime stamp = QDateTime::currentDateTime();
    if (previous.exists() && stamp <= previous.lastModified())
        stamp = previous.lastModified().addMSecs(1);
    QFile file(path);
    if (file.open(QIODevice::ReadWrite))
        file.setFileTime(stamp, QFileDevice::FileModificationTime);
}

// The lock QSettings itself takes while it writes the file: a write here
// and one through a plain QSettings exclude each other, and a lock left by
// a killed process is taken over (its owner is gone).
std::unique_ptr<QLockFile> writeLock(const QString& path)
{
    auto lock = std::make_unique<QLockFile>(path + QStringLiteral(".lock"));
    lock->setStaleLockTime(StaleLockMs);
    return lock;
}

// A lock is made and filled in within microseconds, so one that has stayed
// empty for long was left by a killed write. Qt cannot remove it while a
// live owner still holds the file itself.
bool takeLock(QLockFile& lock, const QString& path, int waitMs)
{
    if (lock.tryLock(waitMs))
        return true;
    qint64 pid = 0;
    QString host;
    QString application;
    const QFileInfo lockFile(path + QStringLiteral(".lock"));
    if (lock.error() != QLockFile::LockFailedError || lock.getLockInfo(&pid, &host, &application)
        || lockFile.lastModified().msecsTo(QDateTime::currentDateTime()) < EmptyLockStaleMs)
        return false;
    return lock.removeStaleLockFile() && lock.tryLock(0);
}

// The temporary copy a write makes beside the file: "setting.ini.AbC123.tmp".
QString tempTemplate(const QString& path)
{
    return path + QStringLiteral(".XXXXXX.tmp");
}

// Whether six letters, as QTemporaryFile and QSaveFile draw them, are cased
// as an operator would write a word ("backup", "Backup", "BACKUP").
bool isWordLike(const QString& letters)
{
    const QString rest = letters.mid(1);
    return letters == letters.toLower() || letters == letters.toUpper()
        || (letters.at(0).isUpper() && rest == rest.toLower());
}

// Whether `name` is what a write killed half-way leaves beside `fileName`:
// its temporary copy ("setting.ini.aBcDeF.tmp"), the copy renamed for the
// check (".check"), the lock QSettings took on the copy (".lock") or the
// file QSaveFile was writing for it (six more letters). Earlier versions
// left the same without ".tmp"; there the six letters may also be an
// operator's name for a copy, and a name whose letters read as a word is
// kept ("setting.ini.Backup"), as is any name with other characters.
bool isLeftover(const QString& name, const QString& fileName)
{
    const QString base = QLatin1Char('^') + QRegularExpression::escape(fileName);
    static const QString letters = QStringLiteral("\\.([A-Za-z]{6})");
    static const QString marks = QStringLiteral("(\\.check|\\.lock|\\.([A-Za-z]{6}))?$");
    const QRegularExpression current(base + letters + QStringLiteral("\\.tmp") + marks);
    const QRegularExpression earlier(base + letters + marks);
    if (current.match(name).hasMatch())
        return true;
    const QRegularExpressionMatch match = earlier.match(name);
    return match.hasMatch() && !isWordLike(match.captured(1))
        && (match.captured(3).isEmpty() || !isWordLike(match.captured(3)));
}

// Only ever called under the file's lock, when no write can be using them.
void removeLeftovers(const QString& path)
{
    const QFileInfo file(path);
    QDir dir = file.absoluteDir();
    const QStringList names = dir.entryList({file.fileName() + QStringLiteral(".*")}, QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        if (!isLeftover(name, file.fileName()))
            continue;
        if (dir.remove(name))
            qCDebug(lcCore) << "Removed" << name << "left by an interrupted settings write";
        else
            qCWarning(lcCore) << "Could not remove" << dir.filePath(name) << "left by an interrupted settings write";
    }
}

// QLockFile and QSettings tell that a write failed, not why. A write made
// beside the file, synced as theirs are, meets the same cause (a full disk,
// a file size limit, a failing disk) and names it; empty when it meets none.
QString writeFailureCause(const QString& path)
{
    QTemporaryFile probe(tempTemplate(path));
    if (!probe.open())
        return probe.errorString();
    // Through the handle: Qt tells a short write without its cause.
    const QByteArray block(WriteProbeBytes, '\n');
    for (qint64 done = 0; done < block.size();) {
        const ssize_t wrote = ::write(probe.handle(), block.constData() + done, size_t(block.size() - done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return QString::fromLocal8Bit(std::strerror(wrote < 0 ? errno : EIO));
        done += wrote;
    }
    if (::fsync(probe.handle()) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    return QString();
}

// `what` failed, with the cause when a write beside the file finds one.
QString writeFailure(const QString& what, const QString& path)
{
    const QString cause = writeFailureCause(path);
    return cause.isEmpty() ? what : what + QStringLiteral(": ") + cause;
}

QString lockFailure(const QLockFile& lock, const QString& path)
{
    const QString lockPath = path + QStringLiteral(".lock");
    switch (lock.error()) {
    case QLockFile::LockFailedError:
        return QStringLiteral("the file is locked by another write");
    case QLockFile::PermissionError:
        return QStringLiteral("the lock file %1 may not be made (no permission, or a read-only disk)").arg(lockPath);
    default:
        return writeFailure(QStringLiteral("the lock file %1 could not be written").arg(lockPath), path);
    }
}

bool fail(const QString& path, const QString& why, const QString& tempPath)
{
    if (!tempPath.isEmpty())
        QFile::remove(tempPath);
    qCWarning(lcCore).noquote() << "Settings not saved, " + path + " left as it was:" << why;
    return false;
}

SetAsideNotice& setAsideNotice()
{
    static SetAsideNotice notice;
    return notice;
}

// The file's keys, or `carried` where the file is gone, and those `fill`
// sets, in a new temporary file beside it (`tempPath`), so that the rename
// that puts it in place replaces the old file in one step. Empty when
// written, else why not; `unreadable` when the file's own content does not
// parse.
QString writeCopy(const QString& path, const std::function<void(QSettings&)>& fill, QString* tempPath,
                  QVariantMap* expected, bool* unreadable, const QVariantMap& carried = QVariantMap())
{
    QTemporaryFile temp(tempTemplate(path));
    temp.setAutoRemove(false);
    if (!temp.open())
        return temp.errorString();
    *tempPath = temp.fileName();
    const QString notCopied = copyFile(path, temp);
    if (!notCopied.isEmpty())
        return notCopied;
    temp.close();
    const auto settings = openIni(*tempPath);
    for (auto it = carried.cbegin(); it != carried.cend(); ++it)
        settings->setValue(it.key(), it.value());
    fill(*settings);
    settings->sync();
    // Read leniently, such a file gives keys of its bytes; only writing it
    // back parses it whole.
    *unreadable = settings->status() == QSettings::FormatError;
    if (*unreadable)
        return QStringLiteral("the file could not be read");
    if (settings->status() != QSettings::NoError)
        return writeFailure(QStringLiteral("the new content could not be written"), path);
    // Never a file the next read would set aside.
    const qint64 bytes = QFileInfo(*tempPath).size();
    if (bytes > MaxFileBytes)
        return QStringLiteral("the settings would take %1 bytes, more than the %2 the program reads")
            .arg(bytes)
            .arg(MaxFileBytes);
    for (const QString& key : settings->allKeys())
        expected->insert(key, settings->value(key));
    return QString();
}

// Why the file at `path` is not read at all, before anything parses it;
// empty when it may be read.
QString tooLarge(const QString& path)
{
    const qint64 bytes = QFileInfo(path).size();
    return bytes <= MaxFileBytes
        ? QString()
        : QStringLiteral("is %1 bytes, more than the %2 the program reads").arg(bytes).arg(MaxFileBytes);
}

// A name the program, or an operator with an editor, may give a key: the
// keys a damaged file gives of bytes that are no text are debris, which no
// read asks for.
bool isKeyName(const QString& key)
{
    return std::all_of(key.cbegin(), key.cend(), [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7f; });
}

// What a file that does not parse as a whole still gives, read as every
// read of this run read it.
QVariantMap valuesStillGiven(const QString& path)
{
    QVariantMap values;
    const auto settings = openIni(path);
    for (const QString& key : settings->allKeys()) {
        if (isKeyName(key))
            values.insert(key, settings->value(key));
    }
    return values;
}

// Under the file's lock. Empty when the file, which is not read (`reason`:
// "could not be read", or why not), is now kept under another name
// (`keptAs`); else why it is still in the way.
QString setAside(const QString& path, const QString& reason, QString* keptAs)
{
    constexpr int MostKept = 100;
    for (int n = 1; n <= MostKept; ++n) {
        const QString name = path + QStringLiteral(".unreadable") + (n > 1 ? QStringLiteral(".%1").arg(n) : QString());
        if (QFileInfo::exists(name))
            continue;
        QFile file(path);
        if (!file.rename(name))
            return QStringLiteral("the file %1, nor can it be kept as %2: %3").arg(reason, name, file.errorString());
        qCWarning(lcCore).noquote() << QStringLiteral("%1 %2; it is kept as %3").arg(path, reason, name);
        *keptAs = name;
        return QString();
    }
    return QStringLiteral("the file %1, and %2 files beside it already keep unreadable ones").arg(reason).arg(MostKept);
}

// A file too large to read goes aside before any reader parses it, as one
// that does not parse goes at the next write. False while it stays in the
// way, which is logged once.
bool setAsideTooLarge(const QString& path)
{
    QString keptAs;
    QString why;
    {
        const auto lock = writeLock(path);
        const QString reason = tooLarge(path);
        if (!takeLock(*lock, path, LockWaitMs))
            why = QStringLiteral("the file %1, and %2").arg(reason, lockFailure(*lock, path));
        else if (!reason.isEmpty())
            why = setAside(path, reason, &keptAs);
    }
    if (!keptAs.isEmpty() && setAsideNotice())
        setAsideNotice()(path, keptAs, QStringList(), false);
    static QSet<QString> reported;
    if (why.isEmpty() || reported.contains(path))
        return why.isEmpty();
    reported.insert(path);
    qCWarning(lcCore).noquote() << QStringLiteral("%1 is not read, the defaults are used: %2").arg(path, why);
    return false;
}

// "recentFileList", "MainWindow" for the keys "recentFileList", "MainWindow/geometry", …
QStringList topLevelNames(const QVariantMap& keys)
{
    QStringList names;
    for (auto it = keys.cbegin(); it != keys.cend(); ++it) {
        const QString name = it.key().section(QLatin1Char('/'), 0, 0);
        if (!names.contains(name))
            names.append(name);
    }
    return names;
}

} // namespace

void setSetAsideNotice(SetAsideNotice notice)
{
    setAsideNotice() = std::move(notice);
}

bool write(const std::function<void(QSettings&)>& fill, const QString& path)
{
    // Told once the lock is let go: the notice may write the file in turn.
    QString keptAs;
    QStringList written;
    QVariantMap carried;
    const auto tell = qScopeGuard([&] {
        if (!keptAs.isEmpty() && setAsideNotice())
            setAsideNotice()(path, keptAs, written, !carried.isEmpty());
    });
    const auto lock = writeLock(path);
    if (!takeLock(*lock, path, LockWaitMs))
        return fail(path, lockFailure(*lock, path), QString());
    removeLeftovers(path);

    QString tempPath;
    QVariantMap expected;
    bool unreadable = false;
    const QString large = tooLarge(path);
    QString why = large.isEmpty() ? QString() : setAside(path, large, &keptAs);
    if (why.isEmpty())
        why = writeCopy(path, fill, &tempPath, &expected, &unreadable);
    // Every read of this run took what the file still gives: the new file
    // keeps it, so that the reads after this write get the same values.
    if (unreadable) {
        QFile::remove(tempPath);
        tempPath.clear();
        carried = valuesStillGiven(path);
        why = setAside(path, QStringLiteral("could not be read"), &keptAs);
        if (why.isEmpty())
            why = writeCopy(path, fill, &tempPath, &expected, &unreadable, carried);
    }
    if (!why.isEmpty())
        return fail(path, why, tempPath);

    // QSettings keeps what it wrote in a cache under the file's name; read
    // back under another name, the check sees what reached the disk.
    const QString checkPath = tempPath + QStringLiteral(".check");
    if (!renameOver(tempPath, checkPath))
        return fail(path, QString::fromLocal8Bit(std::strerror(errno)), tempPath);
    if (!readsBackAs(checkPath, expected))
        return fail(path, writeFailure(QStringLiteral("the new content was not written completely"), path), checkPath);

    const QFileInfo previous(path);
    if (previous.exists())
        QFile::setPermissions(checkPath, QFile::permissions(path));
    stampNewer(checkPath, previous);
    if (!renameOver(checkPath, path))
        return fail(path, QString::fromLocal8Bit(std::strerror(errno)), checkPath);
    if (!keptAs.isEmpty()) {
        written = topLevelNames(expected);
        const QString kept = carried.isEmpty()
            ? QStringLiteral("with the settings of this session only")
            : QStringLiteral("with the values %1 still gave and the changes of this session").arg(keptAs);
        qCWarning(lcCore).noquote() << QStringLiteral("%1 written anew %2: %3").arg(path, kept, written.join(", "));
    }
    return true;
}

bool setValues(const QVariantMap& values, const QString& path)
{
    return write(
        [&values](QSettings& settings) {
            for (auto it = values.cbegin(); it != values.cend(); ++it)
                settings.setValue(it.key(), it.value());
        },
        path);
}

std::unique_ptr<QSettings> open(const QString& path)
{
    // The first read of a run clears what writes killed in earlier runs
    // left; a write under way elsewhere keeps its files.
    static QSet<QString> cleaned;
    if (!cleaned.contains(path)) {
        cleaned.insert(path);
        const auto lock = writeLock(path);
        if (takeLock(*lock, path, 0))
            removeLeftovers(path);
    }
    // Its size is enough to refuse it: parsing it would cost what the
    // bound is there to spare. Where it cannot go aside, nothing is read.
    if (!tooLarge(path).isEmpty() && !setAsideTooLarge(path))
        return openIni(QString());
    auto settings = openIni(path);
    static QSet<QString> reported;
    if (settings->status() == QSettings::FormatError && !reported.contains(path)) {
        reported.insert(path);
        qCWarning(lcCore).noquote() << QStringLiteral("%1 could not be read whole; the values it still gives are "
                                                      "used for the whole run, and kept when it is written anew")
                                           .arg(path);
    }
    return settings;
}

namespace {

// A value written by hand without quotes is split by the INI reader at its
// commas into a list; the list is joined back.
QString asText(const QVariant& value)
{
    return value.type() == QVariant::StringList ? value.toStringList().join(QLatin1Char(',')) : value.toString();
}

// A value present but refused: the operator who edited the file finds why
// his value has no effect. Every refused value of the file is logged here.
template <typename T> T refused(const QSettings& settings, const QString& key, const QString& why, const T& fallback)
{
    const QString text = asText(settings.value(key));
    const QString name = settings.group().isEmpty() ? key : settings.group() + QLatin1Char('/') + key;
    qCWarning(lcCore).noquote() << QStringLiteral("%1=%2 in %3 refused, %4; the default is used")
                                       .arg(name, loggedText(text), settings.fileName(), why);
    return fallback;
}

} // namespace

int intValue(const QSettings& settings, const QString& key, int fallback, int min, int max)
{
    const QVariant value = settings.value(key);
    if (!value.isValid())
        return fallback;
    bool whole = false;
    const int number = value.toString().trimmed().toInt(&whole);
    if ((value.type() == QVariant::String || value.type() == QVariant::Int) && whole && number >= min && number <= max)
        return number;
    return refused(settings, key, QStringLiteral("not a whole number from %1 to %2").arg(min).arg(max), fallback);
}

bool boolValue(const QSettings& settings, const QString& key, bool fallback)
{
    const QVariant value = settings.value(key);
    if (!value.isValid())
        return fallback;
    if (value.type() == QVariant::Bool)
        return value.toBool();
    const QString text = value.toString().trimmed().toLower();
    const bool typed = value.type() == QVariant::String || value.type() == QVariant::Int;
    if (typed && (text == QLatin1String("true") || text == QLatin1String("1")))
        return true;
    if (typed && (text == QLatin1String("false") || text == QLatin1String("0")))
        return false;
    return refused(settings, key, QStringLiteral("not true or false"), fallback);
}

QString textValue(const QSettings& settings, const QString& key, const QString& fallback)
{
    const QVariant value = settings.value(key);
    if (!value.isValid())
        return fallback;
    if (value.type() == QVariant::StringList || value.type() == QVariant::String)
        return asText(value);
    return refused(settings, key, QStringLiteral("not a text"), fallback);
}

QString choiceValue(const QSettings& settings, const QString& key, const QStringList& choices, const QString& fallback)
{
    const QVariant value = settings.value(key);
    if (!value.isValid())
        return fallback;
    if (choices.contains(asText(value)))
        return asText(value);
    return refused(settings, key, QStringLiteral("not one of ") + choices.join(QStringLiteral(", ")), fallback);
}

int beginReadArray(QSettings& settings, const QString& name, int max)
{
    const int size = settings.beginReadArray(name);
    if (size <= max)
        return size;
    qCWarning(lcCore).noquote() << QStringLiteral("%1/size in %2 is %3, more than the %4 entries the program holds; "
                                                  "the defaults are used")
                                       .arg(settings.group(), settings.fileName())
                                       .arg(size)
                                       .arg(max);
    return -1;
}

QColor colorValue(const QSettings& settings, const QString& key, const QColor& fallback)
{
    const QVariant value = settings.value(key);
    if (!value.isValid())
        return fallback;
    const QColor color = textToColor(asText(value));
    return color.isValid() ? color : refused(settings, key, QStringLiteral("not a colour"), fallback);
}

} // namespace SettingsFile
