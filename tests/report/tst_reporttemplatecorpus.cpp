// Replays the template inputs the fuzzer found interesting.
#include "reporttemplatefuzz.h"
#include "scopedhook.h"
#include "timedscript.h"

#include <QDir>
#include <QtTest>

class TestReportTemplateCorpus : public QObject
{
    Q_OBJECT
private slots:
    void replay_data();
    void replay();
};

void TestReportTemplateCorpus::replay_data()
{
    QTest::addColumn<QByteArray>("input");
    const QFileInfoList files = QDir(QStringLiteral(LUMETRA_REPORT_CORPUS)).entryInfoList(QDir::Files, QDir::Name);
    QVERIFY2(!files.isEmpty(), LUMETRA_REPORT_CORPUS);
    for (const QFileInfo& info : files) {
        QFile file(info.filePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTest::newRow(qPrintable(info.fileName())) << file.readAll();
    }
}

void TestReportTemplateCorpus::replay()
{
    QFETCH(QByteArray, input);
    const ScopedHook timeLimit(&ReportEngine::setScriptTimeLimit, 50, TimedScript::DefaultTimeLimitMs);
    QVERIFY(ReportTemplateFuzz::run(input));
}

QTEST_MAIN(TestReportTemplateCorpus)
#include "tst_reporttemplatecorpus.moc"
