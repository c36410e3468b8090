#include "settingsfile.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

// Writes that are killed half-way leave nothing that piles up beside setting.ini.
class TestSettingsFile : public QObject
{
    Q_OBJECT
private slots:
    void leftoversRemoved();
    void killedWritesDoNotAccumulate();
};

namespace {

const char* const WriterVariable = "SETTINGS_FILE_WRITER";

void touch(const QString& path, const QByteArray& content = "x")
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QStringList filesIn(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

// A run that ended while writing left its copies and the lock of a process
// that is gone: the next write takes the lock over and clears the copies,
// the operator's own files stay.
void TestSettingsFile::leftoversRemoved()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("setting.ini"));
    touch(ini, "[General]\nKeep=1\n");
    const QStringList leftovers{"setting.ini.AbC123.tmp", "setting.ini.AbC123.tmp.lock", "setting.ini.Qq9zz1.tmp.check",
                                "setting.ini.Qq9zz1.tmp.XyZ789", "setting.ini.aB3dE5", "setting.ini.aB3dE5.check",
                                "setting.ini.aB3dE5.lock"};
    const QStringList kept{"other.ini.AbC123.tmp", "setting.ini", "setting.ini.backup", "setting.ini.orig"};
    for (const QString& name : leftovers + kept.mid(2))
        touch(dir.filePath(name));
    QProcess gone;
    gone.start(QStringLiteral("true"), QStringList());
    QVERIFY(gone.waitForStarted());
    const qint64 pid = gone.processId();
    QVERIFY(gone.waitForFinished());
    touch(ini + QStringLiteral(".lock"), QByteArray::number(pid) + "\ngone\n\n");

    QVERIFY(SettingsFile::setValue(QStringLiteral("Added"), 2, ini));
    QCOMPARE(filesIn(dir.path()), QStringList(kept.mid(1)));
    QCOMPARE(SettingsFile::open(ini)->value(QStringLiteral("Keep")).toInt(), 1);
}

// Killed again and again while writing, the writes leave at most the files
// of one interrupted write at any time, and the file always reads back whole.
void TestSettingsFile::killedWritesDoNotAccumulate()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("setting.ini"));
    QVERIFY(SettingsFile::setValue(QStringLiteral("Count"), 0, ini));
    constexpr int Kills = 15;
    for (int kill = 0; kill < Kills; ++kill) {
        QProcess writer;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QLatin1String(WriterVariable), ini);
        writer.setProcessEnvironment(environment);
        writer.start(QCoreApplication::applicationFilePath(), QStringList());
        QVERIFY(writer.waitForReadyRead());
        writer.kill();
        QVERIFY(writer.waitForFinished());
        QVERIFY2(filesIn(dir.path()).size() <= 5, qPrintable(filesIn(dir.path()).join(' ')));
        QVERIFY(SettingsFile::open(ini)->contains(QStringLiteral("Count")));
    }
    QVERIFY(SettingsFile::setValue(QStringLiteral("Done"), true, ini));
    QCOMPARE(filesIn(dir.path()), QStringList{QStringLiteral("setting.ini")});
}

// The writer the test kills: it says it has begun, then writes until killed.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString writerPath = qEnvironmentVariable(WriterVariable);
    if (!writerPath.isEmpty()) {
        const QString padding(4000, QLatin1Char('p'));
        for (int count = 1;; ++count) {
            SettingsFile::setValues({{QStringLiteral("Count"), count}, {QStringLiteral("Padding"), padding}}, writerPath);
            if (count == 1)
                fputs("writing\n", stdout), fflush(stdout);
        }
    }
    TestSettingsFile test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_settingsfile.moc"
