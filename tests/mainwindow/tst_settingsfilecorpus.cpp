// Replays the setting.ini files the fuzzer found interesting.
#include "settingsfilefuzz.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QtTest>

class TestSettingsFileCorpus : public QObject
{
    Q_OBJECT
private slots:
    void replay_data()
    {
        QTest::addColumn<QByteArray>("input");
        const QFileInfoList files =
            QDir(QStringLiteral(LUMETRA_SETTINGS_CORPUS)).entryInfoList(QDir::Files, QDir::Name);
        QVERIFY2(!files.isEmpty(), LUMETRA_SETTINGS_CORPUS);
        for (const QFileInfo& info : files) {
            QFile file(info.filePath());
            QVERIFY(file.open(QIODevice::ReadOnly));
            QTest::newRow(qPrintable(info.fileName())) << file.readAll();
        }
    }

    void replay()
    {
        QFETCH(QByteArray, input);
        QVERIFY(SettingsFileFuzz::run(input));
    }
};

QTEST_MAIN(TestSettingsFileCorpus)
#include "tst_settingsfilecorpus.moc"
