// Replays the project files the fuzzer found interesting.
#include "projectfilefuzz.h"

#include "corpusrows.h"

#include <QtTest>

class TestProjectFileCorpus : public QObject
{
    Q_OBJECT
private slots:
    void replay_data() { addCorpusRows(QStringLiteral(LUMETRA_PROJECT_CORPUS)); }

    void replay()
    {
        QFETCH(QByteArray, input);
        QVERIFY(ProjectFileFuzz::run(input));
    }
};

QTEST_MAIN(TestProjectFileCorpus)
#include "tst_projectfilecorpus.moc"
