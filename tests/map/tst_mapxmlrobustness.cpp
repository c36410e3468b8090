#include "fakemainwindow.h"
#include "graphicsbox.h"
#include "graphicscircle.h"
#include "graphicsline.h"
#include "graphicsscene.h"
#include "itemxml.h"
#include "node.h"
#include "resources.h"
#include "treemodel.h"
#include "workspacefixture.h"

#include <QDomDocument>
#include <QRandomGenerator>
#include <QtTest>

using WorkspaceFixture::Site;

namespace {

// Values that a damaged or hand-edited project file may hold.
const QStringList hostileValues{
    QString(), QStringLiteral("-1"), QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"),
    QStringLiteral("3"), QStringLiteral("7"), QStringLiteral("16"), QStringLiteral("62"), QStringLiteral("63"),
    QStringLiteral("64"), QStringLiteral("65535"), QStringLiteral("70000"), QStringLiteral("2147483648"),
    QStringLiteral("4294967296"), QStringLiteral("-2147483649"), QStringLiteral("1e308"), QStringLiteral("nan"),
    QStringLiteral("inf"), QStringLiteral("2.5"), QStringLiteral("99999999999999999999"), QStringLiteral("abc"),
    QStringLiteral("box1"), QStringLiteral("box4"), QStringLiteral("fence1"), QStringLiteral("twsector1"),
    QStringLiteral("siren.wav"), QStringLiteral("Site"), QStringLiteral("rgba(300,-2,x"), QStringLiteral("*=="),
    QStringLiteral("OsprelVell"), QStringLiteral("Text"), QStringLiteral("TWSector"), QStringLiteral("line")};

const QStringList hostileTags{QStringLiteral("Item"),   QStringLiteral("Point"),      QStringLiteral("Action"),
                              QStringLiteral("Sector"), QStringLiteral("Energizer"),  QStringLiteral("MapElement"),
                              QStringLiteral("Relay"),  QStringLiteral("Input"),      QStringLiteral("Bogus")};

const QStringList attributeNames{
    QStringLiteral("itemType"), QStringLiteral("name"), QStringLiteral("x"), QStringLiteral("y"),
    QStringLiteral("width"), QStringLiteral("height"), QStringLiteral("id"), QStringLiteral("actRefObjType"),
    QStringLiteral("actRefObj"), QStringLiteral("StateEnable"), QStringLiteral("codedValue"),
    QStringLiteral("latchingCode"), QStringLiteral("enable"), QStringLiteral("picture"), QStringLiteral("fontSize"),
    QStringLiteral("alignment"), QStringLiteral("command"), QStringLiteral("backgroundColor"),
    QStringLiteral("actRefGateway")};

QList<QDomElement> allElements(const QDomElement& root)
{
    QList<QDomElement> elements{root};
    for (int i = 0; i < elements.size(); ++i) {
        for (QDomElement c = elements.at(i).firstChildElement(); !c.isNull(); c = c.nextSiblingElement())
            elements.append(c);
    }
    return elements;
}

template <typename T> const T& pick(QRandomGenerator& random, const QList<T>& list)
{
    return list.at(int(random.bounded(quint32(list.size()))));
}

void mutate(QDomDocument& document, QRandomGenerator& random)
{
    const QList<QDomElement> elements = allElements(document.documentElement());
    QDomElement target = pick(random, elements);
    const bool isRoot = target == document.documentElement();
    switch (random.bounded(7)) {
    case 0: {
        const QDomNamedNodeMap attributes = target.attributes();
        if (!attributes.isEmpty())
            target.removeAttribute(attributes.item(int(random.bounded(quint32(attributes.count())))).nodeName());
        break;
    }
    case 1:
    case 2:
        target.setAttribute(pick(random, attributeNames), pick(random, hostileValues));
        break;
    case 3:
        if (!isRoot)
            target.parentNode().removeChild(target);
        break;
    case 4:
        if (!isRoot)
            target.parentNode().insertAfter(target.cloneNode(true), target);
        break;
    case 5:
        target.insertBefore(document.createComment(QStringLiteral("edited")), target.firstChild());
        break;
    default:
        if (!isRoot)
            target.setTagName(pick(random, hostileTags));
        break;
    }
}

int knownItems(const QDomElement& workplace)
{
    const QStringList known{QStringLiteral("Text"), QStringLiteral("Button"), QStringLiteral("image"),
                            QStringLiteral("line"), QStringLiteral("TWSector"), QStringLiteral("OsprelVell")};
    int count = 0;
    for (QDomElement e = workplace.firstChildElement(QStringLiteral("Item")); !e.isNull();
         e = e.nextSiblingElement(QStringLiteral("Item")))
        count += known.contains(e.attribute(QStringLiteral("itemType"))) ? 1 : 0;
    return count;
}

} // namespace

// Damaged project files: every "Item" reader meets hostile values, missing
// and duplicated elements, renamed tags and comments, and must read what it
// can without crashing, without a cycle in the element tree and without
// writing a document that cannot be read again. Run it under the address
// sanitizer to catch what does not crash at once.
class TestMapXmlRobustness : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void mutatedWorkspacesAreReadSafely();

private:
    QString m_original;
};

void TestMapXmlRobustness::initTestCase()
{
    initLumetraResources();
    Site site;
    auto* text = site.add(new GraphicsBox(GraphicsBox::TextBox));
    text->setElementPos(10, 300);
    auto* button = site.add(new GraphicsBox(GraphicsBox::ButtonBox));
    button->addActionButton();
    button->setActionTarget(text->node());
    button->setActionCommand(4);
    auto* image = site.add(new GraphicsBox(GraphicsBox::ImageBox));
    QPixmap picture(30, 20);
    picture.fill(Qt::red);
    image->setPicture(picture);
    auto* line = site.add(new GraphicsLine);
    line->appendPoint({0, 100});
    line->appendPoint({200, 100});
    auto* circle = site.add(new GraphicsCircle(GraphicsCircle::PlacedKind));
    circle->setElementPos(400, 400);
    site.tw.elementSensors.at(1)->insertInto(circle->node(), 0);
    auto* gateway = site.add(new GraphicsBox(GraphicsBox::GatewayBox));
    MappingRecord mapping;
    mapping.id = 33;
    gateway->node()->outputMappings = {mapping};
    gateway->node()->child(0)->outputMappings = {mapping};
    gateway->node()->child(33)->inputMappings = {mapping};
    site.window->elementModel()->insertNode(gateway->node()->child(0)->child(0), 0, text->node());
    site.window->elementModel()->insertNode(gateway->node()->child(0)->child(1), 0, line->node());
    site.window->elementModel()->insertNode(gateway->node()->child(1)->child(2), 0,
                                            ItemXml::soundAlarmCopy(&site.sounds, QStringLiteral("siren.wav")));
    QDomDocument document;
    document.appendChild(WorkspaceFixture::writeWorkspace(document, site.scene.get()));
    m_original = document.toString();
    QCOMPARE(knownItems(document.documentElement()), 6);
}

void TestMapXmlRobustness::mutatedWorkspacesAreReadSafely()
{
    QRandomGenerator random(20261207);
    int read = 0;
    for (int round = 0; round < 400; ++round) {
        QDomDocument document;
        QVERIFY(document.setContent(m_original));
        const int mutations = 1 + int(random.bounded(6));
        for (int i = 0; i < mutations; ++i)
            mutate(document, random);
        // What reaches the readers is what a file on disk gives.
        QDomDocument reparsed;
        if (!reparsed.setContent(document.toString()))
            continue;
        const QDomElement workplace = reparsed.documentElement();

        Site site;
        const int made = WorkspaceFixture::readWorkspace(workplace, site.scene.get(), site.tw.elementSystem);
        QCOMPARE(made, knownItems(workplace));
        QVERIFY2(WorkspaceFixture::treeIsSound(site.window->elementTreeRoot()), qPrintable(reparsed.toString()));
        // The alarm keeps its own child; every other entry is a copy an element holds.
        Node* siren = site.sounds.first();
        for (int row = 1; row < siren->childCount(); ++row)
            QVERIFY(siren->child(row)->parent() && siren->child(row)->parent() != siren);
        QCOMPARE(siren->child(0)->parent(), siren);

        QDomDocument rewritten;
        rewritten.appendChild(WorkspaceFixture::writeWorkspace(rewritten, site.scene.get()));
        QDomDocument check;
        QVERIFY(check.setContent(rewritten.toString()));
        ++read;
    }
    QVERIFY(read > 300);
}

QTEST_MAIN(TestMapXmlRobustness)
#include "tst_mapxmlrobustness.moc"
