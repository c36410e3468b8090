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

QTEST_GUILESS_MAIN(TestXmlDocumentReader)
#include "tst_xmldocumentreader.moc"
