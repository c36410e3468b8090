#include "messagecatcher.h"
#include "reportengine.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestReportEngine : public QObject
{
    Q_OBJECT
private slots:
    void loadingReportsItsFailures();
    void asksEveryRecordOfEveryPage();
    void failedPdfIsNotReportedWritten();

private:
    QString write(const QString& name, const QByteArray& text)
    {
        QFile file(m_dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            return QString();
        return file.fileName();
    }
    QTemporaryDir m_dir;
};

void TestReportEngine::loadingReportsItsFailures()
{
    MessageCatcher catcher;
    ReportEngine report;
    QVERIFY(!report.loadReport(m_dir.filePath(QStringLiteral("missing.xml"))));
    QVERIFY(catcher.messages().isEmpty());

    QVERIFY(!report.loadReport(write(QStringLiteral("broken.xml"), "<Reports><Page>")));
    QVERIFY(catcher.contains(QStringLiteral("Report file not found")));
}

void TestReportEngine::asksEveryRecordOfEveryPage()
{
    const QString path = write(QStringLiteral("two.xml"),
        "<Reports>"
        "<Page><ReportBand type=\"PageHeader\"><Field value=\"[title]\"/></ReportBand>"
        "<ReportBand type=\"MasterData\"><Field value=\"[a] and [b]\"/><Field value=\"&lt;Page&gt; [a]\"/></ReportBand></Page>"
        "<Page><ReportBand type=\"MasterData\"><Field value=\"[c]\"/></ReportBand></Page>"
        "<Page><ReportBand type=\"MasterData\"><Field value=\"[never]\"/></ReportBand></Page>"
        "</Reports>");
    ReportEngine report;
    report.recordsCount << 2 << 1;
    QVERIFY(report.loadReport(path));
    QCOMPARE(report.pageVariables(), (QList<QStringList>{{"a", "b"}, {"c"}, {"never"}}));

    QStringList asked;
    connect(&report, &ReportEngine::setValue, [&asked](int recNo, QString name, QVariant& value, int page) {
        asked << QStringLiteral("%1/%2/%3").arg(page).arg(recNo).arg(name);
        if (name != QLatin1String("b"))
            value = QStringLiteral("<%1%2>").arg(name).arg(recNo);
    });
    const QString output = m_dir.filePath(QStringLiteral("out.html"));
    QVERIFY(report.printToFile(output));
    QCOMPARE(asked, (QStringList{"0/0/a", "0/0/b", "0/1/a", "0/1/b", "1/0/c"}));

    QFile file(output);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    QVERIFY(html.contains(QStringLiteral("&lt;a1&gt;")));
    QVERIFY(html.contains(QStringLiteral("&lt;c0&gt;")));

    // The preview hook takes the report in place of the dialog.
    int hooked = 0;
    ReportEngine::setPreviewHook([&hooked](ReportEngine&) { ++hooked; });
    report.printExec(true, false, QString());
    ReportEngine::setPreviewHook({});
    QCOMPARE(hooked, 1);
}

// A PDF that cannot be written is a failure, also where something of that
// name is already in the way.
void TestReportEngine::failedPdfIsNotReportedWritten()
{
    const QString path = write(QStringLiteral("one.xml"),
        "<Reports><Page><ReportBand type=\"MasterData\"><Field value=\"[a]\"/></ReportBand></Page></Reports>");
    ReportEngine report;
    report.recordsCount << 1;
    QVERIFY(report.loadReport(path));

    const QString blocked = m_dir.filePath(QStringLiteral("blocked.pdf"));
    QVERIFY(QDir().mkpath(blocked));
    MessageCatcher catcher;
    QVERIFY(!report.printToFile(blocked));
    QVERIFY(catcher.contains(QStringLiteral("Could not write the report")));

    const QString written = m_dir.filePath(QStringLiteral("written.pdf"));
    QVERIFY(report.printToFile(written));
    QFile file(written);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.read(5), QByteArray("%PDF-"));
}

QTEST_MAIN(TestReportEngine)
#include "tst_reportengine.moc"
