#include "formchild.h"
#include "mainwindow.h"
#include "sitetrees.h"

#include "alarmsarea.h"
#include "gatewaysimulator.h"
#include "graphicsbox.h"
#include "graphicsscene.h"
#include "messageboxanswerer.h"
#include "messagecatcher.h"
#include "projectdocument.h"
#include "workplacereader.h"
#include "qtclient.h"
#include "qtclienttw.h"
#include "testhome.h"
#include "timerunit.h"
#include "treemodel.h"
#include "workspacearea.h"

#include <QTabWidget>
#include <QUndoStack>
#include <QtTest>

#include <sys/resource.h>
#include <csignal>

namespace {

const QString HandWritten = QStringLiteral(LUMETRA_SOURCE_DIR "/tests/data/handwritten-project.xml");

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(data);
}

// Every element and attribute of `expected` is in `actual`: "Item" elements
// matched by name, others by position among their like-named siblings.
// Attributes in `normalised` may differ.
QStringList missing(const QDomElement& expected, const QDomElement& actual, const QSet<QString>& normalised,
                    const QString& path = QString())
{
    QStringList faults;
    const QString here = path + QLatin1Char('/') + expected.tagName() + QLatin1Char('[')
                         + expected.attribute(QStringLiteral("name")) + QLatin1Char(']');
    const QDomNamedNodeMap attributes = expected.attributes();
    for (int i = 0; i < attributes.count(); ++i) {
        const QDomAttr a = attributes.item(i).toAttr();
        if (!normalised.contains(a.name()) && actual.attribute(a.name(), QStringLiteral("<none>")) != a.value())
            faults << here + QLatin1Char('@') + a.name() + QLatin1Char('=') + actual.attribute(a.name());
    }
    QHash<QString, int> seen;
    for (QDomElement e = expected.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        const int n = seen[e.tagName()]++;
        QDomElement match = actual.firstChildElement(e.tagName());
        for (int k = 0; !match.isNull(); match = match.nextSiblingElement(e.tagName()), ++k) {
            if (e.tagName() == QLatin1String("Item") ? match.attribute(QStringLiteral("name")) == e.attribute(QStringLiteral("name"))
                                                       : k == n)
                break;
        }
        faults << (match.isNull() ? QStringList{here + QStringLiteral(" lacks ") + e.tagName()}
                                  : missing(e, match, normalised, here));
    }
    return faults;
}

} // namespace

class TstProjectFile : public QObject
{
    Q_OBJECT

private:
    TestHome home;
    std::unique_ptr<MainWindow> window;
    QString chosenSaveName;

    QString path(const QString& name) const { return home.filePath(name); }

    void open(const QString& fileName)
    {
        ProjectDocument::setOpenFileChooser([fileName](QWidget*, const QString&, const QString&, const QString&) {
            return fileName;
        });
        formChild(window.get(), "actOpen")->trigger();
    }

    void saveAs(const QString& fileName)
    {
        chosenSaveName = fileName;
        formChild(window.get(), "actSaveAs")->trigger();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(home.openDatabase());
        // Each window starts empty, whatever the previous one opened.
        QSettings settings(home.filePath(QStringLiteral("setting.ini")), QSettings::IniFormat);
        settings.setValue(QStringLiteral("LoadLastFile"), false);
        ProjectDocument::setSaveFileChooser([this](QWidget*, const QString&, const QString&, const QString&) {
            return chosenSaveName;
        });
    }

    void init()
    {
        window = std::make_unique<MainWindow>();
    }

    void cleanup()
    {
        window->project()->setModified(false);
        window.reset();
    }

    // A file written by hand opens whole, and saving it again changes only
    // what the program normalises; a second open and save is byte-identical.
    void handWrittenFileRoundTrip()
    {
        MessageCatcher catcher;
        GatewaySimulator gateway;
        QVERIFY(gateway.listen(QHostAddress(QStringLiteral("127.0.0.7")), qtClient::kGatewayPort));
        open(HandWritten);
        QVERIFY(gateway.waitForConnection(11000));
        QCOMPARE(window->currentFileName(), HandWritten);
        QVERIFY(window->windowTitle().endsWith(QLatin1Char(' ') + HandWritten));
        QVERIFY(!window->project()->isModified());
        QCOMPARE(window->workspaces()->count(), 2);
        QCOMPARE(window->workspaces()->tabs()->tabText(1), QStringLiteral("Store"));
        QCOMPARE(window->workspaces()->tabs()->currentIndex(), 0);
        QCOMPARE(window->alarms()->alarmCaption, QStringLiteral("INTRUSION"));
        QCOMPARE(window->timerUnit()->timers().first().name, QStringLiteral("Night lights"));
        QCOMPARE(window->fenceClient()->ip, QStringLiteral("127.0.0.7"));
        QCOMPARE(window->twSensorsClient()->ip, QStringLiteral("127.0.0.8"));
        QCOMPARE(g_energizerModel->rootNode()->childCount(), 1);
        GraphicsBox* button = nullptr;
        for (QGraphicsItem* item : window->workspaces()->sceneAt(0)->items()) {
            auto* box = dynamic_cast<GraphicsBox*>(item);
            if (box && box->kind() == GraphicsBox::ButtonBox)
                button = box;
        }
        QVERIFY(button);
        QCOMPARE(button->actionCommandName(), QStringLiteral("ActivateRelay8"));
        QVERIFY(button->actionTarget());
        QCOMPARE(button->actionTarget()->data(0).toString(), QStringLiteral("North gate"));

        saveAs(path("first.xml"));
        QVERIFY(!window->project()->isModified());
        // A map edit after the save is on an undo stack that was clean: the project is changed again.
        window->workspaces()->sceneAt(0)->undoStack()->push(new QUndoCommand(QStringLiteral("edit")));
        QVERIFY(window->project()->isModified());
        window->workspaces()->sceneAt(0)->undoStack()->undo();
        window->project()->setModified(false);
        const QByteArray first = contents(path("first.xml"));
        QVERIFY(first.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Project "));
        QVERIFY(!first.contains("DOCTYPE"));
        QVERIFY(first.contains("\n  <ColorStatus "));
        QVERIFY(first.contains("\n    <Workplace "));

        QDomDocument original, saved;
        QVERIFY(original.setContent(contents(HandWritten)));
        QVERIFY(saved.setContent(first));
        QStringList order;
        for (QDomElement e = saved.documentElement().firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
            order << e.tagName();
        order.removeDuplicates();
        QCOMPARE(order, (QStringList{"ColorStatus", "SoundAlarm", "Timer", "Workplaces"}));
        // The z value is set on reading, the picture kept as shown, a
        // gateway box's font is the default font.
        const QSet<QString> normalised{"zvalue", "picture", "fontSize"};
        const QStringList faults = missing(original.documentElement(), saved.documentElement(), normalised);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));

        formChild(window.get(), "actNew")->trigger();
        open(path("first.xml"));
        saveAs(path("second.xml"));
        QCOMPARE(contents(path("second.xml")), first);
        QCOMPARE(catcher.wiringFaults(), QStringList());
    }

    // A file that cannot be used changes nothing: project, changed mark,
    // title and links stay; only a missing file forgets the file name.
    void failedOpens_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing") << QStringLiteral("missing");
        QTest::newRow("not well-formed") << QStringLiteral("broken");
        QTest::newRow("too deep") << QStringLiteral("deep");
        QTest::newRow("50 MB") << QStringLiteral("big");
    }

    void failedOpens()
    {
        QFETCH(QString, kind);
        open(HandWritten);
        window->project()->setModified(true);
        const QString title = window->windowTitle();
        const QString bad = path(kind + QStringLiteral(".xml"));
        QFile::remove(bad);
        if (kind == QLatin1String("broken"))
            writeFile(bad, "<Project><Workplaces><Workplace name=\"x\"></Project>");
        else if (kind == QLatin1String("deep"))
            writeFile(bad, QByteArray("<a>").repeated(100000) + QByteArray("</a>").repeated(100000));
        else if (kind == QLatin1String("big")) {
            QFile file(bad);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(50 * 1000 * 1000));
        }
        MessageCatcher catcher;
        MessageBoxAnswerer answerer(QMessageBox::No);
        open(bad);
        QVERIFY(catcher.contains(bad));
        QCOMPARE(answerer.seen(), QStringList{QStringLiteral("Saving:The file was changed.\nSave the it?")});
        QCOMPARE(window->workspaces()->count(), 2);
        QCOMPARE(window->workspaces()->tabs()->tabText(0), QStringLiteral("Perimeter"));
        QCOMPARE(window->windowTitle(), title);
        QVERIFY(window->project()->isModified());
        QCOMPARE(window->fenceClient()->ip, QStringLiteral("127.0.0.7"));
        QCOMPARE(window->currentFileName(), kind == QLatin1String("missing") ? QString() : HandWritten);
        QFile::remove(bad);
    }

    // A save that cannot be written in full (here: the file size limit)
    // leaves the previous file as it was and the project changed.
    void failedSaveKeepsPreviousFile()
    {
        open(HandWritten);
        saveAs(path("kept.xml"));
        const QByteArray before = contents(path("kept.xml"));
        QVERIFY(before.size() > 4096);
        window->project()->setModified(true);
        const QString title = window->windowTitle();
        rlimit previous{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &previous) == 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = previous;
        small.rlim_cur = 4096;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        {
            MessageBoxAnswerer answerer(QMessageBox::Ok);
            formChild(window.get(), "actSave")->trigger();
            setrlimit(RLIMIT_FSIZE, &previous);
            std::signal(SIGXFSZ, oldHandler);
            QCOMPARE(answerer.seen().size(), 1);
            QVERIFY2(answerer.seen().first().startsWith(QStringLiteral("File writting error:")),
                     qPrintable(answerer.seen().first()));
            QVERIFY(answerer.seen().first().size() > QStringLiteral("File writting error:").size());
        }
        QCOMPARE(contents(path("kept.xml")), before);
        QVERIFY(window->project()->isModified());
        QCOMPARE(window->windowTitle(), title);
        QCOMPARE(QDir(home.path()).entryList({QStringLiteral("kept.xml*")}, QDir::Files), QStringList{"kept.xml"});
    }

    void newFileStartsEmpty()
    {
        open(HandWritten);
        window->project()->setModified(true);
        MessageBoxAnswerer answerer(QMessageBox::No);
        formChild(window.get(), "actNew")->trigger();
        QCOMPARE(window->workspaces()->count(), 1);
        QCOMPARE(window->workspaces()->tabs()->tabText(0), QStringLiteral("Untitled 1"));
        QVERIFY(!window->project()->isModified());
        QVERIFY(window->windowTitle().endsWith(QLatin1Char(' ')));
        QCOMPARE(window->currentFileName(), QString());
        const QList<TimerData> timers = window->timerUnit()->timers();
        QCOMPARE(timers.size(), 2);
        QCOMPARE(timers.at(1).name, QStringLiteral("Timer2"));
        QCOMPARE(g_energizerModel->rootNode()->childCount(), 0);
        QCOMPARE(g_twSensorModel->rootNode()->childCount(), 1);
        QCOMPARE(g_twSensorModel->rootNode()->child(0)->data(2).toString(), QStringLiteral("Untitled 1"));
        QCOMPARE(window->workspaces()->sceneAt(0)->items().size(), 0);
    }

    void lenientReading_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<int>("tabs");
        QTest::addColumn<bool>("twEnabled");
        QTest::addColumn<int>("sensors");
        QTest::newRow("other root, comments")
            << QByteArray("<Workplaces><!-- c --><Workplaces><!-- c --><Workplace name=\"A\"><TWSensors IP=\"x\" enabled=\"5\">"
                          "<!-- c --><Sensor name=\"s\" enabled=\"1\"/></TWSensors></Workplace></Workplaces></Workplaces>")
            << 1 << true << 1;
        QTest::newRow("enabled yes") << QByteArray("<Project><Workplaces><Workplace name=\"A\"><TWSensors enabled=\"yes\"/>"
                                                   "</Workplace><Workplace name=\"B\"/></Workplaces></Project>")
                                     << 2 << false << 0;
        QTest::newRow("default TW tree") << QByteArray("<Project><Workplaces><Workplace name=\"A\"><Item itemType=\"circle\"/>"
                                                       "<Item itemType=\"TWSector\" name=\"t\"/></Workplace></Workplaces></Project>")
                                         << 1 << false << SiteTrees::TWSensorCount;
    }

    void lenientReading()
    {
        QFETCH(QByteArray, xml);
        QFETCH(int, tabs);
        QFETCH(bool, twEnabled);
        QFETCH(int, sensors);
        writeFile(path("lenient.xml"), xml);
        open(path("lenient.xml"));
        QCOMPARE(window->workspaces()->count(), tabs);
        Node* system = g_twSensorModel->rootNode()->child(0);
        QVERIFY(system && system->deviceNode);
        QCOMPARE(bool(system->enabled), twEnabled);
        QCOMPARE(system->childCount(), sensors);
        QCOMPARE(system->data(3).toInt(), 0);
        QCOMPARE(system->deviceNode->parent(), window->workspaces()->sceneAt(0)->workplaceNode());
    }

    void buttonCommandNames_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("diagnostic");
        QTest::newRow("0") << 0 << QString() << false;
        QTest::newRow("2") << 2 << QString() << true;
        QTest::newRow("11") << 11 << QStringLiteral("ClrAlms") << false;
        QTest::newRow("19") << 19 << QStringLiteral("ActivateRelay8") << false;
        QTest::newRow("25") << 25 << QString() << true;
        QTest::newRow("-1") << -1 << QString() << true;
    }

    void buttonCommandNames()
    {
        QFETCH(int, command);
        QFETCH(QString, name);
        QFETCH(bool, diagnostic);
        MessageCatcher catcher;
        QCOMPARE(WorkplaceReader::commandName(command), name);
        QCOMPARE(catcher.contains(QStringLiteral("number %1").arg(command)), diagnostic);
    }
};

QTEST_MAIN(TstProjectFile)
#include "tst_projectfile.moc"
