// Replays the setting.ini files the fuzzer found interesting.
#include "settingsfilefuzz.h"
#include "ui_mainwindow.h"

#include "corpusrows.h"

#include <QtTest>

class TestSettingsFileCorpus : public QObject
{
    Q_OBJECT
private slots:
    void replay_data() { addCorpusRows(QStringLiteral(LUMETRA_SETTINGS_CORPUS)); }

    void replay()
    {
        QFETCH(QByteArray, input);
        QVERIFY(SettingsFileFuzz::run(input));
    }
};

QTEST_MAIN(TestSettingsFileCorpus)
#include "tst_settingsfilecorpus.moc"
