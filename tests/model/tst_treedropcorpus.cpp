// Replays the drops the fuzzer found interesting.
#include "treedropfuzz.h"

#include <QDir>
#include <QtTest>

class TestTreeDropCorpus : public QObject
{
    Q_OBJECT
private slots:
    void replay_data()
    {
        QTest::addColumn<QByteArray>("input");
        const QFileInfoList files =
            QDir(QStringLiteral(LUMETRA_TREEDROP_CORPUS)).entryInfoList(QDir::Files, QDir::Name);
        QVERIFY2(!files.isEmpty(), LUMETRA_TREEDROP_CORPUS);
        for (const QFileInfo& info : files) {
            QFile file(info.filePath());
            QVERIFY(file.open(QIODevice::ReadOnly));
            QTest::newRow(qPrintable(info.fileName())) << file.readAll();
        }
    }

    void replay()
    {
        QFETCH(QByteArray, input);
        QVERIFY(TreeDropFuzz::run(input));
    }
};

QTEST_GUILESS_MAIN(TestTreeDropCorpus)
#include "tst_treedropcorpus.moc"
