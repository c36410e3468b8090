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
}

// A document too deep for the recursive DOM parser is refused before it
// parses, with a diagnostic line; anything else parses as before.
void TestXmlDocumentReader::depthLimit()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, read);
    QFETCH(QString, error);

    MessageCatcher catcher;
    QDomDocument document;
    QString message;
    QBuffer buffer(&content);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QCOMPARE(readXmlDocument(&buffer, &document, &message), read);
    QCOMPARE(document.isNull(), !read);
    QVERIFY2(message.contains(error), qPrintable(message));
    QCOMPARE(catcher.contains(QStringLiteral("nested deeper")), error.contains(QStringLiteral("nested")));
}

QTEST_GUILESS_MAIN(TestXmlDocumentReader)
#include "tst_xmldocumentreader.moc"
