#include "filesizelimit.h"
#include "messagecatcher.h"
#include "scopedhook.h"
#include "settingsfile.h"

#include <QDateTime>
#include <QDir>
#include <QLockFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const char* const WriterVariable = "SETTINGS_FILE_WRITER";
}

// Writes killed half-way, again and again, leave nothing that piles up
// beside setting.ini, and the file always reads back whole.
class TestSettingsFile : public QObject
{
    Q_OBJECT
private slots:
    void killedWritesLeaveNothingBehind()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("setting.ini"));
        QVERIFY(SettingsFile::setValue(QStringLiteral("Count"), 0, ini));
        // What earlier versions left, and files of the operator's own.
        const QStringList own{"setting.ini.BACKUP", "setting.ini.Backup", "setting.ini.backup", "setting.ini.old123"};
        for (const QString& name : own + QStringList{"setting.ini.aBcDeF", "setting.ini.aBcDeF.check",
                                                      "setting.ini.QqWzzE.lock", "setting.ini.aBcDeF.xYzWvU"})
            QVERIFY(QFile(dir.filePath(name)).open(QIODevice::WriteOnly));
        const auto files = [&dir] { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); };
        for (int kill = 0; kill < 15; ++kill) {
            QProcess writer;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QLatin1String(WriterVariable), ini);
            writer.setProcessEnvironment(environment);
            writer.start(QCoreApplication::applicationFilePath(), QStringList());
            QVERIFY(writer.waitForReadyRead(-1));
            writer.kill();
            QVERIFY(writer.waitForFinished(-1));
            QVERIFY2(files().size() <= 5 + own.size(), qPrintable(files().join(' ')));
            QVERIFY(SettingsFile::open(ini)->contains(QStringLiteral("Count")));
        }
        QVERIFY(SettingsFile::setValue(QStringLiteral("Done"), true, ini));
        QCOMPARE(files(), QStringList{"setting.ini"} + own);
    }

    // A write that fails for a cause other than another write's lock (a
    // file size limit, as a full disk) names it, and leaves the file.
    void failedWriteSaysWhy_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("why");
        QTest::newRow("lock") << 1 << "setting.ini.lock could not be written: File too large";
        QTest::newRow("content") << 1024 << "the new content was not written completely: File too large";
    }

    void failedWriteSaysWhy()
    {
        QFETCH(int, limit);
        QFETCH(QString, why);
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("setting.ini"));
        QVERIFY(SettingsFile::setValue(QStringLiteral("Count"), 1, ini));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(why) + '$'));
        {
            const FileSizeLimit limited(limit);
            QVERIFY(limited.isSet());
            QVERIFY(!SettingsFile::setValue(QStringLiteral("Padding"), QString(4000, 'p'), ini));
        }
        QCOMPARE(SettingsFile::open(ini)->allKeys(), QStringList{"Count"});
    }

    // A file no INI reader parses is kept beside it, the operator told once,
    // and every later write takes; a second one is kept beside the first.
    void unreadableFileIsKeptAside()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("setting.ini"));
        QStringList told;
        const ScopedHook notice(&SettingsFile::setSetAsideNotice,
                                [&told](auto& path, auto& kept, auto& keys, bool) { told << path + " " + kept + " " + keys.join(','); });
        for (const QString& keptAs : {ini + ".unreadable", ini + ".unreadable.2"}) {
            QByteArray bytes(4096, '\0');
            QRandomGenerator(told.size() + 1).fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
            QFile file(ini);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
            file.close();
            QTest::ignoreMessage(QtWarningMsg, qPrintable(ini + " could not be read; it is kept as " + keptAs));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("setting.ini written anew with .*: Count, Group"));
            for (int count = 1; count <= 3; ++count)
                QVERIFY(SettingsFile::setValues({{QStringLiteral("Count"), count}, {QStringLiteral("Group/a"), 1},
                                                 {QStringLiteral("Group/b"), 2}}, ini));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(SettingsFile::open(ini)->value(QStringLiteral("Count")).toInt(), 3);
            QFile kept(keptAs);
            QVERIFY(kept.open(QIODevice::ReadOnly) && kept.readAll() == bytes);
            // The new file keeps what the write that set the old one aside set, and
            // what the old one still gave as keys (of its bytes).
            QVERIFY(told.last().startsWith(ini + " " + keptAs + " Count,Group"));
        }
        QCOMPARE(told.size(), 2);
    }

    // A file larger than the program reads is kept aside unparsed, the
    // operator told once, and the defaults used; one just within is read,
    // its refused value logged cut to a few hundred characters with its
    // length. No write makes a file the next read refuses.
    void tooLargeFileIsKeptAside_data()
    {
        QTest::addColumn<int>("bytes");
        QTest::newRow("just within") << int(SettingsFile::MaxFileBytes);
        QTest::newRow("just over") << int(SettingsFile::MaxFileBytes) + 1;
    }

    void tooLargeFileIsKeptAside()
    {
        QFETCH(int, bytes);
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("setting.ini"));
        const QByteArray content = "[General]\nScale=3\nLineWidth=" + QByteArray(bytes - 29, '7') + '\n';
        QFile file(ini);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == bytes && file.flush());
        QStringList told;
        const ScopedHook notice(&SettingsFile::setSetAsideNotice,
                                [&told](auto&, auto& kept, auto& keys, bool) { told << kept + keys.join(','); });
        MessageCatcher catcher;
        const bool over = bytes > SettingsFile::MaxFileBytes;
        for (int read = 0; read < 2; ++read)
            QCOMPARE(SettingsFile::intValue(*SettingsFile::open(ini), QStringLiteral("Scale"), 2, 0, 6), over ? 2 : 3);
        SettingsFile::intValue(*SettingsFile::open(ini), QStringLiteral("LineWidth"), 2, 0, 20);
        const QStringList refused = catcher.messages().filter(QStringLiteral("LineWidth="));
        const QString cut = QString(200, '7') + QStringLiteral("… (cut, %1 characters in all) in").arg(bytes - 29);
        QVERIFY(over ? refused.isEmpty() : refused.size() == 1 && refused[0].size() < 400 && refused[0].contains(cut));
        QCOMPARE(told, over ? QStringList{ini + ".unreadable"} : QStringList());
        QFile kept(ini + ".unreadable");
        QCOMPARE(kept.open(QIODevice::ReadOnly) && kept.readAll() == content, over);
        QVERIFY(!SettingsFile::setValue(QStringLiteral("Padding"), QString(bytes, 'p'), ini) && QFile::exists(ini) != over);
    }

    // A live writer's lock (here without a native lock) is not taken however long
    // its write, nor are its files; one left empty by a killed writer names no owner.
    void liveWritersLockIsKept()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("setting.ini"));
        QFile lockFile(ini + QStringLiteral(".lock"));
        auto lock = std::make_unique<QLockFile>(lockFile.fileName());
        QVERIFY(lock->tryLock(0) && lockFile.open(QIODevice::ReadOnly));
        const QByteArray owner = lockFile.readAll(); // this process
        lockFile.close();
        lock.reset();
        const QDateTime old = QDateTime::currentDateTime().addSecs(-10);
        QVERIFY(lockFile.open(QIODevice::WriteOnly) && lockFile.write(owner) == owner.size() && lockFile.flush());
        QVERIFY(lockFile.setFileTime(old, QFileDevice::FileModificationTime));
        QVERIFY(QFile(ini + QStringLiteral(".aBcDeF.tmp")).open(QIODevice::WriteOnly));
        SettingsFile::open(ini);
        QVERIFY(QFile::exists(ini + QStringLiteral(".aBcDeF.tmp")));
        QVERIFY(lockFile.resize(0) && lockFile.setFileTime(old, QFileDevice::FileModificationTime));
        QVERIFY(SettingsFile::setValue(QStringLiteral("Count"), 1, ini));
    }
};

// The writer the test kills: it says it has begun, then writes until killed.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString writerPath = qEnvironmentVariable(WriterVariable);
    for (int count = 1; !writerPath.isEmpty(); ++count) {
        SettingsFile::setValues({{QStringLiteral("Count"), count}, {QStringLiteral("Padding"), QString(4000, 'p')}},
                                writerPath);
        if (count == 1)
            fputs("writing\n", stdout), fflush(stdout);
    }
    TestSettingsFile test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_settingsfile.moc"
