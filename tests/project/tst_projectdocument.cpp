// The project file without a window: reading within the limits, the safe
// write, the unsaved copy, and the workspaces' items read and written back.
#include "projectdocument.h"
#include "projectfilefuzz.h"
#include "projectlimits.h"
#include "workplacereader.h"

#include "filesizelimit.h"
#include "messagecatcher.h"
#include "testhome.h"

#include <QtTest>

#include <cerrno>

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray project(const QByteArray& workspaces)
{
    return "<Project><Workplaces>" + workspaces + "</Workplaces></Project>";
}

QByteArray workspace(const QByteArray& items)
{
    return "<Workplace name=\"W\">" + items + "</Workplace>";
}

// `count` workspaces with names long enough that 100 of them pass 4 KiB.
QDomDocument workspaces(int count)
{
    QDomDocument document;
    document.setContent(project(QByteArray("<Workplace name=\"A workspace of the north fence\"/>").repeated(count)));
    return document;
}

} // namespace

class TestProjectDocument : public QObject
{
    Q_OBJECT

    TestHome home;

private slots:
    // Refused while it is parsed: past what breaks the limit the file is not
    // even well-formed, yet the limit is named. The document stays as it was.
    void refusedWhileParsing_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        QTest::newRow("repeated attribute") << project("<Workplace name=\"a\" name=\"b\"/>") << QString("redefined");
        QTest::newRow("too deep") << QByteArray("<a>").repeated(100000) + QByteArray("</a>").repeated(100000)
                                  << QStringLiteral("nested deeper than 256 levels");
        QTest::newRow("50 MB") << QByteArray() << QStringLiteral("more than the 41943040");
        QTest::newRow("items") << project(workspace(QByteArray("<Item itemType=\"Text\"/>").repeated(5001)))
                               << QStringLiteral("more than 5000 items in workspace \"W\"");
        QTest::newRow("items in all") << project(workspace(QByteArray("<Item/>").repeated(5000)).repeated(5))
                                      << QStringLiteral("more than 20000 items in the project");
        QTest::newRow("gateways") << project(workspace(QByteArray("<Item itemType=\"OsprelVell\"/>").repeated(65)))
                                  << QStringLiteral("more than 64 gateway boxes");
        QTest::newRow("points") << project(workspace("<Item itemType=\"line\" name=\"fence1\">"
                                                     + QByteArray("<Point/>").repeated(5001) + "</Item>"))
                                << QStringLiteral("more than 5000 points in line \"fence1\"");
        // One long word took minutes to lay out.
        QTest::newRow("caption") << project(workspace("<Item itemType=\"Button\" name=\"box1\" ButtonCaption=\"\" caption=\""
                                                      + QByteArray(1 << 20, 'w') + "\"/>"))
                                 << QStringLiteral("\"caption\" of Item \"box1\" longer than 32767 characters (line 1)");
        // Every other text too: a name held the window for seconds at each start.
        const QByteArray megabyte(1 << 20, 'n');
        QTest::newRow("workspace name") << project("<Workplace name=\"" + megabyte + "\"/>")
                                        << QStringLiteral("\"name\" of Workplace longer than 32767 characters (line 1)");
        QTest::newRow("sensor name") << project(workspace("<TWSensors><Sensor name=\"" + megabyte + "\"/></TWSensors>"))
                                     << QStringLiteral("\"name\" of Sensor longer than 32767");
        QTest::newRow("sound file") << "<Project><SoundAlarm name=\"Bell\" okSound=\"" + megabyte + "\"/></Project>"
                                    << QStringLiteral("\"okSound\" of SoundAlarm \"Bell\" longer than 32767");
        QTest::newRow("sensors") << project(workspace("<TWSensors>" + QByteArray("<Sensor/>").repeated(1001)
                                                      + "</TWSensors>"))
                                 << QStringLiteral("more than 1000 elements in one \"TWSensors\"");
        QTest::newRow("elements") << project(workspace(("<Item>" + QByteArray("<Point/>").repeated(5000) + "</Item>")
                                                           .repeated(60)))
                                  << QStringLiteral("more than 300000 elements in the file");
    }

    // A picture is data, not text: only the file's size bounds it.
    void pictureIsNoText()
    {
        const QByteArray picture(ProjectLimits::MaxTextLength + 1, 'A');
        QVERIFY(ProjectLimits::refusal(project(workspace("<Item itemType=\"image\" picture=\"" + picture + "\"/>"))).isEmpty());
    }

    void refusedWhileParsing()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        const QString name = home.filePath(QStringLiteral("refused.xml"));
        QFile file(name);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QVERIFY(content.isEmpty() ? file.resize(50 * 1000 * 1000) : file.write(content + "<broken") > 0);
        file.close();
        QDomDocument document(QStringLiteral("kept"));
        QString error;
        bool refused = false;
        QVERIFY(!ProjectDocument::read(name, document, &error, &refused) && refused);
        QVERIFY2(error.contains(reason), qPrintable(error));
        QCOMPARE(document.doctype().name(), QStringLiteral("kept"));
    }

    // A save that cannot be written in full (a file size limit), or that
    // opening would refuse, says why and leaves the previous file whole,
    // with nothing beside it.
    void failedWriteKeepsTheFile_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("reason");
        QTest::newRow("file size limit") << 100 << qt_error_string(EFBIG);
        QTest::newRow("over a limit") << 101 << QStringLiteral("would be refused when opened: more than 100 workspaces");
    }

    void failedWriteKeepsTheFile()
    {
        QFETCH(int, count);
        QFETCH(QString, reason);
        const QString name = home.filePath(QStringLiteral("kept.xml"));
        QVERIFY(ProjectDocument::write(name, workspaces(1)));
        const QByteArray before = contents(name);
        QString error;
        {
            const FileSizeLimit limit(4096);
            QVERIFY(limit.isSet());
            QVERIFY(!ProjectDocument::write(name, workspaces(count), &error));
        }
        QVERIFY2(error.contains(reason), qPrintable(error));
        QCOMPARE(contents(name), before);
        QCOMPARE(QDir(home.path()).entryList({QStringLiteral("kept.xml*")}, QDir::Files), QStringList{"kept.xml"});
    }

    void unsavedCopyName()
    {
        QCOMPARE(ProjectDocument::unsavedCopyName("/sites/north.v2.xml"), QString("/sites/north.v2.unsaved.xml"));
        QCOMPARE(ProjectDocument::unsavedCopyName(QString()), home.filePath(QStringLiteral("unsaved.xml")));
    }

    // The items an open reads and a save writes back: saved again, the same
    // file byte for byte. A button aimed at a device of one of two gateways,
    // which share their device names, keeps its gateway.
    void workplacesRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("saved");
        QTest::newRow("hand-written site") << contents(QStringLiteral(LUMETRA_SOURCE_DIR "/tests/data/handwritten-project.xml"))
                                           << QByteArray("<Action actRefGateway=\"127.0.0.7\" actRefObj=\"North gate\"");
        for (const QByteArray gateway : {"10.0.0.1", "10.0.0.2"}) {
            QTest::newRow(gateway.constData()) << project(workspace("<Item itemType=\"OsprelVell\" name=\"box1\" IP=\"10.0.0.1\"/>"
                                                        "<Item itemType=\"OsprelVell\" name=\"box2\" IP=\"10.0.0.2\"/>"
                                                        "<Item itemType=\"Button\" name=\"box3\"><Action actRefObj=\"Energ5\" "
                                                        "actRefGateway=\"" + gateway + "\" command=\"4\"/></Item>"))
                                   << "<Action actRefGateway=\"" + gateway + "\" actRefObj=\"Energ5\" command=\"4\"/>";
        }
    }

    void workplacesRoundTrip()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, saved);
        const QString name = home.filePath(QStringLiteral("again.xml"));
        QByteArray saves[2];
        for (QByteArray& save : saves) {
            QDomDocument document;
            QVERIFY(ProjectFileFuzz::run(content, &document));
            QVERIFY(ProjectDocument::write(name, document));
            content = save = contents(name);
        }
        QVERIFY2(saves[0].contains(saved), saves[0].constData());
        QCOMPARE(saves[1], saves[0]);
    }

    // A button's command number names its command; one that names none,
    // but 0 (no command), is told in the log.
    void buttonCommandNames_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("name");
        QTest::newRow("0") << 0 << QString();
        QTest::newRow("2") << 2 << QString();
        QTest::newRow("11") << 11 << QStringLiteral("ClrAlms");
        QTest::newRow("19") << 19 << QStringLiteral("ActivateRelay8");
        QTest::newRow("25") << 25 << QString();
        QTest::newRow("-1") << -1 << QString();
    }

    void buttonCommandNames()
    {
        QFETCH(int, command);
        QFETCH(QString, name);
        MessageCatcher catcher;
        QCOMPARE(WorkplaceReader::commandName(command), name);
        QCOMPARE(catcher.contains(QStringLiteral("number %1").arg(command)), name.isEmpty() && command != 0);
    }
};

QTEST_MAIN(TestProjectDocument)
#include "tst_projectdocument.moc"
