// Replays the project files the fuzzer found interesting.
#include "projectfilefuzz.h"

#include <QDir>
#include <QtTest>

class TestProjectFileCorpus : public QObject
{
    Q_OBJECT
private slots:
    void replay_data()
    {
        QTest::addColumn<QByteArray>("input");
        const QFileInfoList files =
            QDir(QStringLiteral(LUMETRA_PROJECT_CORPUS)).entryInfoList(QDir::Files, QDir::Name);
        QVERIFY2(!files.isEmpty(), LUMETRA_PROJECT_CORPUS);
        for (const QFileInfo& info : files) {
            QFile file(info.filePath());
            QVERIFY(file.open(QIODevice::ReadOnly));
            QTest::newRow(qPrintable(info.fileName())) << file.readAll();
        }
    }

    void replay()
    {
        QFETCH(QByteArray, input);
        QVERIFY(ProjectFileFuzz::run(input));
    }
};

QTEST_MAIN(TestProjectFileCorpus)
#include "tst_projectfilecorpus.moc"
