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
    }

    // What the views save must pass the check, or every start would drop it.
    void savedStatesFit()
    {
        const QFileInfoList seeds = QDir(QStringLiteral(LUMETRA_HEADERSTATE_CORPUS))
                                        .entryInfoList({QStringLiteral("seed-*")}, QDir::Files, QDir::Name);
        QVERIFY(!seeds.isEmpty());
        for (const QFileInfo& info : seeds) {
            QFile file(info.filePath());
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray input = file.readAll();
            QVERIFY2(HeaderState::fits(input.mid(1), quint8(input.at(0))), qPrintable(info.fileName()));
        }
    }
};

QTEST_MAIN(TestHeaderStateCorpus)
#include "tst_headerstatecorpus.moc"
