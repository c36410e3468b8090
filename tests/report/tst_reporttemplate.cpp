// Reading templates into pages, bands and fields, and the records' copies.
#include "messagecatcher.h"
#include "reportbandobject.h"
#include "reportcrosstabobject.h"
#include "reportengine.h"
#include "reportfieldobject.h"
#include "reportpageobject.h"

#include <QTemporaryDir>
#include <QtTest>

class TestReportTemplate : public QObject
{
    Q_OBJECT
private slots:
    void pages();
    void bands();
    void fields_data();
    void fields();
    void conversions();
    void graphsAndCrossTable();
    void loading();

private:
    static QDomElement element(QDomDocument& doc, const QString& xml)
    {
        doc.setContent(xml);
        return doc.documentElement();
    }
};

void TestReportTemplate::pages()
{
    QDomDocument doc;
    ReportPageObject read;
    read.loadXml(nullptr, element(doc, QStringLiteral("<Page borderWidth=\"2px\"/>")));
    const ReportPageObject built(nullptr);
    const auto describe = [](const ReportPageObject& p) {
        return QStringLiteral("%1 %2 %3/%4/%5/%6 %7 %8 %9 %10 '%11'")
            .arg(p.pageHeight).arg(p.pageWidth).arg(p.marginsLeft).arg(p.marginsRight).arg(p.marginsTop)
            .arg(p.marginsBottom).arg(p.orientation).arg(p.border).arg(p.borderWidth)
            .arg(p.borderColor.isValid() ? p.borderColor.name() : QStringLiteral("invalid")).arg(p.borderStyle);
    };
    QCOMPARE(describe(read), QStringLiteral("0 0 0/0/0/0 0 0 0 invalid ''"));
    QCOMPARE(describe(built), QStringLiteral("1188 840 40/40/40/40 0 0 1 #000000 'solid'"));
}

void TestReportTemplate::bands()
{
    QDomDocument doc;
    ReportPageObject page;
    page.loadXml(nullptr, element(doc, QStringLiteral(
        "<Page><DataSource type=\"SQL\"/><Other/>"
        "<ReportBand type=\"masterData\" height=\"30\"><Field name=\"x\"/><!-- a note --></ReportBand>"
        "<ReportBand type=\"MasterData\" name=\"first\"><Field name=\"x\"/></ReportBand>"
        "<ReportBand type=\"MasterData\" name=\"second\"/></Page>")));
    QCOMPARE(page.bandList.size(), 3);
    const ReportBandObject* unknown = page.bandList.at(0);
    QCOMPARE(unknown->height, 30);
    QCOMPARE(unknown->currentHeight, 30);
    QCOMPARE(unknown->type, 0);
    QCOMPARE(unknown->fieldList.size(), 1);
    QCOMPARE(page.getBand(MasterData)->name, QStringLiteral("first"));
    QCOMPARE(page.findFieldByName(QStringLiteral("x")), unknown->fieldList.first());

    std::unique_ptr<ReportPageObject> copy(page.clone());
    QCOMPARE(copy->bandList.size(), 3);
    QCOMPARE(copy->bandList.at(1)->fieldList.first()->parentBand, copy->bandList.at(1));
    QCOMPARE(copy->bandList.at(1)->parentPage, copy.get());
}

void TestReportTemplate::fields_data()
{
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<QString>("member");
    QTest::addColumn<QString>("expected");
    QTest::newRow("rect") << "left=\"10\" width=\"100\" top=\"5\" height=\"20\"" << "rect" << "10 109 5 24";
    QTest::newRow("rect without size") << "left=\"10\" top=\"5\"" << "rect" << "10 9 5 4";
    QTest::newRow("border px") << "borderWidth=\"2px\"" << "borderWidth" << "2";
    QTest::newRow("border PX") << "borderWidth=\"2PX\"" << "borderWidth" << "0";
    QTest::newRow("border missing") << "" << "borderWidth" << "1";
    QTest::newRow("bold 2") << "fontBold=\"2\"" << "weight" << "75";
    QTest::newRow("bold -1") << "fontBold=\"-1\"" << "weight" << "75";
    QTest::newRow("bold yes") << "fontBold=\"yes\"" << "weight" << "50";
    QTest::newRow("centred") << "aligmentH=\"hCenter\" aligmentV=\"vCenter\"" << "alignment" << "132";
    QTest::newRow("no alignment") << "" << "alignment" << "0";
    QTest::newRow("no background") << "" << "background" << "invalid invalid";
    QTest::newRow("no caption") << "" << "caption" << "Example";
    QTest::newRow("no picture") << "" << "picture" << "b5ec6d 0";
    QTest::newRow("defaults") << "" << "defaults" << "1|''|PNG|13|50|1|solid";
    QTest::newRow("size 0") << "fontSize=\"0\"" << "pointSize" << "12";
    QTest::newRow("size 9") << "fontSize=\"9\"" << "pointSize" << "9";
}

void TestReportTemplate::fields()
{
    QFETCH(QString, attributes);
    QFETCH(QString, member);
    QFETCH(QString, expected);
    QDomDocument doc;
    ReportFieldObject f;
    f.loadXml(nullptr, element(doc, QStringLiteral("<Field %1/>").arg(attributes)));
    QString actual;
    if (member == QLatin1String("rect"))
        actual = QStringLiteral("%1 %2 %3 %4").arg(f.rect.left()).arg(f.rect.right()).arg(f.rect.top()).arg(f.rect.bottom());
    else if (member == QLatin1String("borderWidth"))
        actual = QString::number(f.borderWidth);
    else if (member == QLatin1String("weight"))
        actual = QString::number(f.font.weight());
    else if (member == QLatin1String("alignment"))
        actual = QString::number(f.alignment);
    else if (member == QLatin1String("background"))
        actual = QStringLiteral("%1 %2").arg(f.backgroundColor.isValid() ? "valid" : "invalid",
                                             f.defaultBackgroundColor.isValid() ? "valid" : "invalid");
    else if (member == QLatin1String("caption"))
        actual = f.caption;
    else if (member == QLatin1String("picture"))
        actual = QStringLiteral("%1 %2").arg(QString::fromLatin1(f.picture.toHex())).arg(f.fieldType);
    else if (member == QLatin1String("defaults"))
        actual = QStringLiteral("%1|'%2'|%3|%4|%5|%6|%7").arg(f.printing, f.highlighting, f.imgFormat)
                     .arg(f.barcodeType).arg(f.barcodeHeight).arg(f.ignoreAspectRatio).arg(f.borderStyle);
    else if (member == QLatin1String("pointSize"))
        actual = QString::number(f.font.pointSize());
    QCOMPARE(actual, expected);
}

void TestReportTemplate::conversions()
{
    QDomDocument doc;
    const auto type = [&doc](const QString& attributes) {
        return ReportEngine::getFieldType(element(doc, QStringLiteral("<F %1/>").arg(attributes)));
    };
    QCOMPARE(type(QString()), 0);
    QCOMPARE(type(QStringLiteral("type=\"Label\"")), 0);
    QCOMPARE(type(QStringLiteral("type=\"diagram\" picture=\"abc\"")), 3);
    QCOMPARE(type(QStringLiteral("type=\"label\" picture=\"abc\"")), 0);
    QCOMPARE(type(QStringLiteral("type=\"QtChart\"")), 14);
    QCOMPARE(type(QStringLiteral("type=\"foo\"")), 0);
    QCOMPARE(ReportEngine::getFieldTypeName(0), QStringLiteral("label"));
    QCOMPARE(ReportEngine::getFieldTypeName(15), QStringLiteral("label"));
    QCOMPARE(ReportEngine::getFieldTypeName(13), QStringLiteral("crossTab"));
    QCOMPARE(ReportEngine::getPenStyle(QStringLiteral("Dashed")), Qt::SolidLine);
    QCOMPARE(ReportEngine::getPenStyle(QStringLiteral("dot-dot-dash")), Qt::DashDotDotLine);
    const QDomElement page = element(doc, QStringLiteral(
        "<P><ReportBand type=\"PageFooter\"/><ReportBand type=\"MasterData\" name=\"a\"/>"
        "<ReportBand type=\"MasterData\" name=\"b\"/></P>"));
    QCOMPARE(ReportEngine::getBandElement(MasterData, page).toElement().attribute("name"), QStringLiteral("a"));
}

void TestReportTemplate::graphsAndCrossTable()
{
    QDomDocument doc;
    ReportEngine engine;
    connect(&engine, &ReportEngine::setValue, [](int, QString name, QVariant& value, int) { value = name.size(); });
    ReportBandObject band;
    auto* chart = new ReportFieldObject;
    chart->parentBand = &band;
    chart->loadXml(&engine, element(doc, QStringLiteral(
        "<F type=\"diagram\" autoFillData=\"1\"><G value=\"[abc]\" color=\"rgba(255,0,0,255)\" caption=\"one\"/>"
        "<G value=\"7\"/><G value=\"no\"/></F>")));
    band.addField(chart);
    QCOMPARE(chart->graphList.size(), 3);
    QCOMPARE(chart->graphList.at(0).value, 3.0f);
    QCOMPARE(chart->graphList.at(0).color, QColor(Qt::red));
    QCOMPARE(chart->graphList.at(1).value, 7.0f);
    QCOMPARE(chart->graphList.at(2).value, 0.0f);

    ReportFieldObject plain;
    plain.loadXml(&engine, element(doc, QStringLiteral("<F type=\"diagram\" autoFillData=\"0\"><G value=\"1\"/></F>")));
    QVERIFY(plain.graphList.isEmpty());

    // Streams carry everything but the formula.
    GraphParam graph = chart->graphList.at(0);
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << graph;
    GraphParam back;
    QDataStream in(bytes);
    in >> back;
    QCOMPARE(back.caption, graph.caption);
    QCOMPARE(back.value, graph.value);
    QVERIFY(back.formula.isEmpty());

    auto cross = std::make_unique<ReportFieldObject>();
    cross->loadXml(&engine, element(doc, QStringLiteral(
        "<F type=\"crossTab\" left=\"4\" top=\"2\" width=\"200\" height=\"60\" colCount=\"4\" headerIsVisible=\"1\"/>")));
    ReportCrossTabObject* table = cross->crossTab;
    QVERIFY(table);
    QCOMPARE(table->rect(), cross->rect);
    QCOMPARE(table->parentField, cross.get());
    QDomElement saved = doc.createElement(QStringLiteral("F"));
    table->saveXml(saved);
    ReportCrossTabObject reread;
    reread.loadXml(saved);
    QCOMPARE(reread.colCount(), 4);
    QCOMPARE(reread.rowHeight(), 20);
    QVERIFY(reread.headerIsVisible() && reread.totalByColVisible() && !reread.subtotalIsVisible());

    // Cells are asked about by their field; a stranger is nowhere.
    table->buildMatrix();
    ReportFieldObject* f31 = table->fieldList.at(7);
    QCOMPARE(f31->name, QStringLiteral("f31"));
    QCOMPARE(QList<int>({table->cellColumn(f31), table->cellRow(f31, true), table->cellRow(f31, false)}),
             QList<int>({3, 1, 0}));
    QVERIFY(table->isTotalCell(f31) && !table->isHeaderCell(f31) && table->isHeaderCell(table->fieldList.at(0)));
    ReportFieldObject stranger;
    QVERIFY(table->cellColumn(&stranger) == -1 && !table->isHeaderCell(&stranger));
    ReportCrossTabObject built; // two columns, the last the row total
    built.setTotalByRowVisible(true);
    built.setColCount(1);
    for (const char* value : {"1.5", "2", "", "abc"}) {
        built.addField(new ReportFieldObject);
        built.fieldList.last()->value = QLatin1String(value);
    }
    built.addCellRecord({built.fieldList.at(0), 1.5, {}});
    built.calculateTotal(built.fieldList.at(1));
    QVERIFY(built.cellRecords.size() == 1 && built.cellRow(built.fieldList.at(3), true) == 1);
    QCOMPARE(built.fieldList.at(1)->value, QStringLiteral("1.5")); // its row, itself left out
    built.name = QStringLiteral("sales");
    QString written;
    QDebug(&written) << &built << static_cast<ReportCrossTabObject*>(nullptr);
    QVERIFY2(written.startsWith(QStringLiteral("sales\n")) && written.contains(QStringLiteral("0x0")), qPrintable(written));
}

void TestReportTemplate::loading()
{
    QTemporaryDir dir;
    const auto write = [&dir](const QString& name, const QByteArray& text) {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() ? file.fileName() : QString();
    };
    ReportEngine report;
    report.groupEntries.append({QStringLiteral("[a]"), 1, 0, 0});
    MessageCatcher catcher;
    QVERIFY(!report.loadReport(dir.filePath(QStringLiteral("missing.xml"))));
    QVERIFY(catcher.messages().isEmpty());
    QVERIFY(report.groupEntries.isEmpty());

    report.groupEntries.append({QStringLiteral("[a]"), 1, 0, 0});
    QVERIFY(!report.loadReport(write(QStringLiteral("broken.xml"), "<a><b>")));
    QVERIFY(catcher.contains(QStringLiteral("Report file not found")));
    QVERIFY(report.groupEntries.isEmpty());
    // Nested far deeper than any template: refused before the parser recurses into it.
    catcher.clear();
    const QByteArray deep = QByteArray("<a>").repeated(100000) + QByteArray("</a>").repeated(100000);
    QVERIFY(!report.loadReport(write(QStringLiteral("deep.xml"), deep)));
    QVERIFY(catcher.contains(QStringLiteral("Report file not found")));

    // Notes between the pages are not pages.
    QVERIFY(report.loadReport(write(QStringLiteral("two.xml"),
        "<R><!-- first --><P pageNo=\"4\"/><?pi x?><P pageNo=\"5\"/></R>")));
    QCOMPARE(report.pageList.size(), 2);
    QCOMPARE(report.pageList.at(1)->pageNo, 5);
}

QTEST_MAIN(TestReportTemplate)
#include "tst_reporttemplate.moc"
