// Replays the drops the fuzzer found interesting.
#include "treedropfuzz.h"

#include "corpusrows.h"

#include <QtTest>

class TestTreeDropCorpus : public QObject
{
    Q_OBJECT
private slots:
    void replay_data() { addCorpusRows(QStringLiteral(LUMETRA_TREEDROP_CORPUS)); }

    void replay()
    {
        QFETCH(QByteArray, input);
        QVERIFY(TreeDropFuzz::run(input));
    }
};

QTEST_GUILESS_MAIN(TestTreeDropCorpus)
#include "tst_treedropcorpus.moc"
