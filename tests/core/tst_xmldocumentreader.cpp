#include "messagecatcher.h"
#include "xmldocumentreader.h"

#include <QBuffer>
#include <QDomDocument>
#include <QtTest>

class TestXmlDocumentReader : public QObject
{
    Q_OBJECT
private slots:
    void depthLimit_data();
    void depthLimit();
    void sameAsDomParser_data();
    void sameAsDomParser();
};

namespace {

QByteArray nested(int depth)
{
    return QByteArray("<a>").repeated(depth) + QByteArray("</a>").repeated(depth);
}

} // namespace

void TestXmlDocumentReader::depthLimit_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("read");
    QTest::addColumn<QString>("error");
    QTest::newRow("project-like") << QByteArray("<?xml version=\"1.0\"?><Project><Item x=\"1\"/></Project>") << true
                                  << QString();
    QTest::newRow("at the limit") << nested(MaxXmlDepth) << true << QString();
    QTest::newRow("one deeper") << nested(MaxXmlDepth + 1) << false << "nested deeper than 256 levels at line 1";
    QTest::newRow("100000 deep") << nested(100000) << false << "nested deeper than 256 levels";
    QTest::newRow("malformed") << QByteArray("<a><b></a>") << false << "line 1";
    // The DOM parser takes a repeated attribute; the depth must not pass unseen behind it.
    QTest::newRow("repeated attribute, then deep") << "<r x=\"1\" x=\"2\">" + nested(100000) + "</r>" << false
                                                   << "redefined";
    QTest::newRow("checked") << QByteArray("<a><b/><stop/></a>") << false << "stop at 2 of depth 2, element 3";
    QTest::newRow("checked, passed") << QByteArray("<a><b><c/></b></a>") << true << QString();
}

// A document too deep for the recursive DOM parser, or one the caller's
// check refuses, is refused before it parses, with a diagnostic line;
// anything else parses as before.
void TestXmlDocumentReader::depthLimit()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, read);
    QFETCH(QString, error);

    MessageCatcher catcher;
    QDomDocument document;
    QString message;
    bool refused = false;
    const auto check = [](const XmlElementStart& e) {
        return e.name == QLatin1String("stop")
            ? QStringLiteral("stop at %1 of depth %2, element %3").arg(e.position).arg(e.depth).arg(e.elements)
            : QString();
    };
    QCOMPARE(readXmlDocument(content, &document, &message, check, &refused), read);
    QCOMPARE(document.isNull(), !read);
    QVERIFY2(message.contains(error), qPrintable(message));
    const bool limit = error.contains(QStringLiteral("nested")) || error.startsWith(QStringLiteral("stop"));
    QCOMPARE(refused, limit);
    QCOMPARE(catcher.contains(error), limit && !error.isEmpty());
    QBuffer buffer(&content);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QCOMPARE(readXmlDocument(&buffer, &document), read || error.startsWith(QStringLiteral("stop")));
}

void TestXmlDocumentReader::sameAsDomParser_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("declaration, comments, instructions")
        << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<!-- c --><?pi data?>"
                      "<a b='1' c=\"&quot;&gt;\"><x/>t &amp; &#65;<!--in-->u<?p q?></a>\n<!--after-->");
    QTest::newRow("blank text") << QByteArray("<a>\n  <b>  </b><c>&#32;&#160;&#10;</c>\t</a>");
    QTest::newRow("CDATA") << QByteArray("<a><![CDATA[ ]]><![CDATA[]]>x<![CDATA[<y>]]></a>");
    QTest::newRow("carriage return") << QByteArray("<a>x\r\ny<b c=\"1\r\n2\"/></a>\r\n");
    QTest::newRow("breaks in values") << QByteArray("<a b=\"x\ny\tz\" c=\"&#10;&#9;\" d='>\n'/>");
    QTest::newRow("break inside a comment's tag") << QByteArray("<!-- <x y=\"\n --><a z=\"1\"\n/>");
    QTest::newRow("prefixes") << QByteArray("<r xmlns:p='u' p:x='1'><p:e/></r>");
}

// The DOM read in the checking pass is the one the DOM parser builds.
void TestXmlDocumentReader::sameAsDomParser()
{
    QFETCH(QByteArray, content);
    QDomDocument expected;
    QVERIFY(expected.setContent(content));
    QDomDocument document;
    QVERIFY(readXmlDocument(content, &document));
    QCOMPARE(document.toString(-1), expected.toString(-1));
    QCOMPARE(document.toString(), expected.toString());
}

QTEST_GUILESS_MAIN(TestXmlDocumentReader)
#include "tst_xmldocumentreader.moc"
