// Replays the column layouts the fuzzer found interesting, with the states
// the three views really save among them.
#include "headerstatefuzz.h"

#include "corpusrows.h"

#include <QtTest>

class TestHeaderStateCorpus : public QObject
{
    Q_OBJECT
private slots:
    void replay_data() { addCorpusRows(QStringLiteral(LUMETRA_HEADERSTATE_CORPUS)); }

    void replay()
    {
        QFETCH(QByteArray, input);
        QVERIFY(HeaderStateFuzz::run(input));
        // What the views save must fit, or every start would drop it.
        if (QByteArray(QTest::currentDataTag()).startsWith("seed-"))
            QVERIFY(HeaderState::fits(input.mid(1), quint8(input.at(0))));
    }
};

QTEST_MAIN(TestHeaderStateCorpus)
#include "tst_headerstatecorpus.moc"
