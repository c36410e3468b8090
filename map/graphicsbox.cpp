#include "graphicsbox.h"
#include "maplogging.h"

#include "colortext.h"
#include "gatewaysubtree.h"
#include "graphicsscene.h"
#include "graphicstextitem.h"
#include "itemxml.h"
#include "maphost.h"
#include "node.h"
#include "sitemutex.h"
#include "treemodel.h"

#include <QBuffer>
#include <QDomDocument>
#include <QGraphicsPixmapItem>
#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QImageReader>

#include <cmath>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

const QString GraphicsBox::DefaultIP = QStringLiteral("192.168.100.100");
const QString GraphicsBox::DefaultCaption = QStringLiteral("text goes here");
const QString GraphicsBox::BulbOnIcon = QStringLiteral(":/icons/lightbulb.png");
const QString GraphicsBox::BulbOffIcon = QStringLiteral(":/icons/lightbulb_off.png");
const char* const GraphicsBox::ButtonBoxProperty = "g.o.";
const QPointF GraphicsBox::CaptionPos(25, 20);
const QColor GraphicsBox::PanelColors[3] = {QColor(131, 224, 94, 255), QColor(Qt::red), QColor(232, 183, 98, 255)};
const QStringList GraphicsBox::LogoMakes = {QStringLiteral("Brenik"), QStringLiteral("Energizer"),
                                           QStringLiteral("Osprel")};

namespace {


QString logoResource(const QString& make)
{
    if (make == QLatin1String("Osprel"))
        return QStringLiteral(":/icons/logoOsprel.png");
    if (make == QLatin1String("Energizer"))
        return QStringLiteral(":/icons/logoEnergizer.png");
    if (make == QLatin1String("Brenik"))
        return QStringLiteral(":/icons/logoBrenik.png");
    return QString();
}

// Whole-number size for pixel work; absurd sizes never overflow an int.
int boundedInt(qreal value)
{
    constexpr qreal limit = 1 << 24;
    return int(qBound(-limit, value, limit));
}

int clampedSide(qreal side)
{
    return int(qBound<qreal>(0, side, GraphicsBox::MaxScaledSide));
}

} // namespace

GraphicsBox::GraphicsBox(int kind)
    : AbstractGraphicsElement(kind)
    , m_captionItem(new GraphicsTextItem(this))
    , m_ip(DefaultIP)
{
    m_handles.resize(HandleCount);
    setZValue(kind == ImageBox ? PictureZValue : PlacedZValue);

    if (kind == ImageBox) {
        m_pictureItem = new QGraphicsPixmapItem(this);
        m_pictureItem->setZValue(0);
        m_pictureItem->setFlag(ItemIsMovable, false);
        m_pictureItem->setPos(BodyInset, BodyInset);
    }

    m_captionItem->setPos(CaptionPos);
    m_blinkPhase = true;

    createNode();

    // The caption is only stored here: it is laid out when first painted,
    // so a box read from a file never lays out the default one.
    if (kind == TextBox) {
        setCaption(DefaultCaption);
        SiteLocker lock;
        m_node->setData(0, m_caption);
    }
    if (kind == GatewayBox) {
        setWidth(GatewayWidth);
        setHeight(GatewayHeight);
        m_logoList = LogoMakes;
        m_logoMake = LogoMakes.first();
        m_logoPixmap = QPixmap(logoResource(m_logoMake));
        for (QString& text : m_panelTexts)
            text = QStringLiteral("0");
    }
    if (kind == ButtonBox) {
        // A new button box's button toggles: it sends its state with the command.
        m_actionButton = createActionButton();
        m_actionButton->setCheckable(true);
    }

    adjustSize(0, 0);
    setAcceptHoverEvents(true);
    GraphicsHelperClass::setDesignMode(false);
}

GraphicsBox::~GraphicsBox()
{
    // A button that never reached a scene has no proxy to take it down with the box.
    if (m_actionButton && !m_buttonProxy)
        delete m_actionButton.data();
    SiteLocker lock;
    if (Node* node = m_pictureNode.get(); node && !node->parent())
        delete node;
}

void GraphicsBox::createNode()
{
    SiteLocker lock;
    if (m_kind == GatewayBox) {
        // The gateway's element node with its 63 devices and its status row,
        // made by the one builder the units and their tests rely on.
        GatewaySubtree subtree(m_ip);
        m_node = subtree.elementNode.release();
        m_energizerNode = subtree.statusNode.release();
    } else {
        m_node = new Node(m_kind == TextBox ? m_caption : QString(), nullptr);
        m_node->type = m_kind;
        m_node->columns = {objectName(), objectName()};
    }
    m_node->mapItem = this;
    if (m_kind == ImageBox)
        m_pictureNode = NodeHandle(m_node);
}

QPushButton* GraphicsBox::createActionButton()
{
    auto* button = new QPushButton;
    button->setObjectName(QStringLiteral("ActionButton"));
    button->setAttribute(Qt::WA_TranslucentBackground);
    button->setProperty(ButtonBoxProperty, QVariant::fromValue(static_cast<void*>(this)));
    button->setFont(fontInPoints(button->font()));
    return button;
}

GraphicsBox* GraphicsBox::boxOfButton(QObject* button)
{
    if (!button)
        return nullptr;
    return static_cast<GraphicsBox*>(button->property(ButtonBoxProperty).value<void*>());
}

Node* GraphicsBox::actionTarget() const
{
    Node* target = m_actionTarget.get();
    const auto* map = qobject_cast<GraphicsScene*>(scene());
    const TreeModel* site = map ? map->elementModel() : nullptr;
    return target && (!site || site->contains(target)) ? target : nullptr;
}

void GraphicsBox::sendActionCommand()
{
    if (!m_actionButton)
        return;
    // The window may ask the operator first: not while the click is still
    // being delivered. The value is the one the click left.
    const bool value = m_actionButton->isCheckable() ? m_actionButton->isChecked() : false;
    afterDelivery([this, value] { sendCommand(value); });
}

void GraphicsBox::sendCommand(bool value)
{
    MapHost* host = GraphicsScene::hostOf(this);
    if (!host)
        return;
    Node* target = actionTarget();
    if (!target) {
        const QString why = tr("Command of button %1 not sent: it aims at no device").arg(objectName());
        qCWarning(lcMap).noquote() << why;
        host->writeUserActionLog(QStringLiteral("Command"), why);
        return;
    }
    host->commandSending(target, value, m_actionCommand);
}

QRectF GraphicsBox::bodyRect() const
{
    return QRectF(BodyInset, BodyInset, m_width - BodyShrink, m_height - BodyShrink);
}

void GraphicsBox::adjustSize(int dx, int dy)
{
    prepareGeometryChange();
    m_width += dx;
    m_height += dy;
    m_frameRight = m_width - m_handleInsetX;
    m_frameBottom = m_height - m_handleInsetY;

    const qreal textWidth = qMax<qreal>(0, m_width - CaptionShrink);
    m_captionItem->setTextWidth(textWidth);
    // The caption shows only inside the body: from its left edge to the body's bottom.
    m_captionItem->setClipRect(QRectF(0, 0, textWidth, qMax<qreal>(0, bodyRect().bottom() - CaptionPos.y())));

    if (m_kind == ImageBox)
        updateScaledPicture();
    if (m_kind == ButtonBox)
        layoutButton();
    update();
}

void GraphicsBox::updateScaledPicture()
{
    if (!m_pictureItem || m_picture.isNull())
        return;
    const int w = clampedSide(m_width - BodyShrink);
    const int h = clampedSide(m_height - BodyShrink);
    if (w <= 0 || h <= 0) {
        m_pictureItem->setPixmap(QPixmap());
        return;
    }
    QSize size(w, h);
    // A box of absurd size shows the picture smaller rather than allocate without bound.
    const qint64 pixels = qint64(w) * h;
    if (pixels > MaxPicturePixels) {
        const qreal factor = std::sqrt(qreal(MaxPicturePixels) / qreal(pixels));
        size = QSize(qMax(1, int(w * factor)), qMax(1, int(h * factor)));
    }
    m_pictureItem->setPixmap(m_picture.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation));
}

void GraphicsBox::layoutButton()
{
    const QRect rect(static_cast<int>(ButtonInset), static_cast<int>(ButtonInset), clampedSide(m_width - ButtonShrink),
                     clampedSide(m_height - ButtonShrink));
    if (m_actionButton) {
        m_actionButton->setGeometry(rect);
        m_actionButton->resize(rect.size());
    }
    if (m_buttonLabel)
        m_buttonLabel->setGeometry(rect);
}

void GraphicsBox::setPicture(const QPixmap& picture)
{
    m_picture = picture;
    if (m_pictureItem) {
        m_pictureItem->setVisible(true);
        updateScaledPicture();
    }
    update();
}

void GraphicsBox::addActionButton()
{
    if (m_kind != ButtonBox)
        return;
    if (!m_actionButton)
        m_actionButton = createActionButton();
    m_actionButton->setIcon(QIcon(BulbOffIcon));
    connect(m_actionButton.data(), &QPushButton::toggled, this, &GraphicsHelperClass::buttonToggle,
            Qt::UniqueConnection);
    // Here, where every button is embedded (placed, read or pasted), so
    // that no way onto a map leaves a button that sends nothing.
    connect(m_actionButton.data(), &QPushButton::clicked, this, &GraphicsBox::sendActionCommand,
            Qt::UniqueConnection);

    QGraphicsScene* itemScene = scene();
    if (!m_buttonProxy && itemScene) {
        m_buttonProxy = itemScene->addWidget(m_actionButton);
        m_buttonProxy->setFiltersChildEvents(true);
        m_buttonProxy->setParentItem(this);
    }
    layoutButton();

    if (!m_buttonLabel && itemScene) {
        m_buttonLabel = new QLabel(m_actionButton->text());
        m_buttonLabel->setWordWrap(true);
        m_buttonLabel->setFrameShape(QFrame::Box);
        m_buttonLabel->setFrameShadow(QFrame::Plain);
        m_buttonLabel->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        m_buttonLabel->setMinimumHeight(5);
        m_buttonLabel->setMinimumWidth(10);
        m_buttonLabel->setGeometry(m_actionButton->geometry());
        m_buttonLabel->hide();
        if (!m_labelProxy) {
            m_labelProxy = itemScene->addWidget(m_buttonLabel);
            m_labelProxy->setFiltersChildEvents(true);
            m_labelProxy->setParentItem(this);
        }
    }
    SiteLocker lock;
    m_node->setData(0, m_actionButton->text());
}

QFont GraphicsBox::textFont() const
{
    return m_actionButton ? m_actionButton->font() : m_captionItem->font();
}

void GraphicsBox::setTextFont(const QFont& font)
{
    m_captionItem->setFont(font);
    if (m_actionButton)
        m_actionButton->setFont(font);
    if (m_buttonLabel)
        m_buttonLabel->setFont(font);
}

void GraphicsBox::applyButtonDesignMode(bool design)
{
    if (m_kind != ButtonBox || !m_actionButton || !m_buttonLabel)
        return;
    if (design) {
        m_buttonLabel->setText(m_actionButton->text());
        m_buttonLabel->setFont(m_actionButton->font());
        m_buttonLabel->show();
        m_actionButton->hide();
        m_actionButton->setEnabled(false);
    } else {
        m_buttonLabel->hide();
        m_actionButton->show();
        m_actionButton->setEnabled(true);
    }
}

GraphicsBox* GraphicsBox::clone() const
{
    auto* copy = new GraphicsBox(m_kind);
    copy->setElementPos(std::trunc(pos().x()) + CloneOffset, std::trunc(pos().y()) + CloneOffset);
    copy->setWidth(m_width);
    copy->setHeight(m_height);
    copy->setBackgroundColor(m_backgroundColor);
    copy->setColor(m_color);
    if (m_kind == TextBox) {
        copy->m_captionItem->setFont(m_captionItem->font());
        copy->m_captionItem->setAlignment(m_captionItem->alignment());
        copy->setBorderVisible(m_borderVisible);
        // The caption itself, not the alarm text it may be blinking with;
        // the tree names a text box by it.
        copy->setCaption(m_caption);
        SiteLocker lock;
        copy->m_node->setData(0, m_caption);
    } else if (m_kind == GatewayBox) {
        copy->setIP(m_ip);
        copy->setLogo(m_logoMake);
    } else if (m_kind == ButtonBox) {
        copy->setButtonCaption(m_buttonCaption);
        if (m_actionButton && copy->m_actionButton)
            copy->m_actionButton->setCheckable(m_actionButton->isCheckable());
    }
    return copy;
}

void GraphicsBox::setCaption(const QString& caption)
{
    m_caption = caption;
    if (m_captionItem->toPlainText() != caption)
        m_captionItem->setPlainText(caption);
    m_captionItem->applyAlignment();
}

void GraphicsBox::setButtonCaption(const QString& caption)
{
    if (m_actionButton)
        m_actionButton->setText(caption);
    m_buttonCaption = caption;
    SiteLocker lock;
    m_node->setData(0, caption);
}

void GraphicsBox::setBorderVisible(bool visible)
{
    m_borderVisible = visible;
    update();
}

void GraphicsBox::setIP(const QString& ip)
{
    m_ip = ip;
    // The keypad shows it.
    update();
    SiteLocker lock;
    m_node->setData(0, ip);
    Node* statusRow = energizerNode();
    if (!statusRow)
        return;
    statusRow->setData(0, ip);
    for (Node* row : statusRow->children)
        row->setData(GatewaySubtree::IPColumn, ip);
}

void GraphicsBox::setWorkspaceName(const QString& name)
{
    SiteLocker lock;
    Node* statusRow = energizerNode();
    if (!statusRow)
        return;
    statusRow->setData(GatewaySubtree::WorkspaceColumn, name);
    for (Node* row : statusRow->children)
        row->setData(GatewaySubtree::WorkspaceColumn, name);
}

void GraphicsBox::setLogo(const QString& make)
{
    m_logoMake = make;
    const QString resource = logoResource(make);
    if (!resource.isEmpty()) {
        m_logoPixmap = QPixmap(resource);
        m_scaledLogoFor = QSize();
    }
    update();
}

void GraphicsBox::setLogoByIndex(int index)
{
    // The property panel offers the listed makes only; anything else is ignored.
    if (index < 0 || index >= m_logoList.size())
        return;
    setLogo(m_logoList.at(index));
}

int GraphicsBox::logoIndex() const
{
    return m_logoList.indexOf(m_logoMake);
}

QColor GraphicsBox::displayBackgroundColor() const
{
    // Failure, tamper and off show white, but the operator's colour is kept for the file.
    return m_alarmStatus >= Node::Failure ? QColor(Qt::white) : m_backgroundColor;
}

void GraphicsBox::setStatus(int status)
{
    // Turn the phase first, so the caption and the fill of one repaint belong together.
    setAlarm(status);
    followBlinkPhase();
}

void GraphicsBox::followBlinkPhase()
{
    if (m_captionItem->isEditing())
        return;
    QString shown = m_caption;
    if (m_alarmStatus != 0 && m_blinkPhase)
        shown = currentAlarmCaption(this);
    if (m_captionItem->toPlainText() != shown) {
        m_captionItem->setPlainText(shown);
        m_captionItem->applyAlignment();
    }
}

QList<Node*> GraphicsBox::findActionOwners(Node* target) const
{
    QList<Node*> owners;
    if (!m_node)
        return owners;
    SiteLocker lock;
    for (Node* device : qAsConst(m_node->children)) {
        if (device->type != Node::Energizer)
            continue;
        for (Node* sector : qAsConst(device->children)) {
            for (Node* action : qAsConst(sector->children)) {
                if (action == target) {
                    owners.append(sector);
                    continue;
                }
                if (!target)
                    continue;
                for (Node* targetChild : qAsConst(target->children)) {
                    if (targetChild == action)
                        owners.append(sector);
                }
            }
        }
    }
    return owners;
}

void GraphicsBox::mouseDoubleClickEvent(QGraphicsSceneMouseEvent*)
{
    // The caption's editor is an item of its own: made once the double
    // click has been delivered.
    afterDelivery([this] {
        if (m_kind == ButtonBox) {
            m_captionItem->setFlag(ItemIsSelectable, false);
            m_captionItem->setTextInteractionFlags(Qt::NoTextInteraction);
            return;
        }
        if (!m_captionItem->isEditing())
            m_captionItem->startEditing(m_caption);
    });
}

namespace {

// Values of a mapping record as the project file holds them.
constexpr qint64 MaxMappingField = 0xFFFF;
constexpr qint64 MinCodedValue = -(qint64(1) << 31);
constexpr qint64 MaxCodedValue = (qint64(1) << 32) - 1;

QString itemTypeOfKind(int kind)
{
    switch (kind) {
    case GraphicsBox::GatewayBox: return QStringLiteral("OsprelVell");
    case GraphicsBox::TextBox: return QStringLiteral("Text");
    case GraphicsBox::ButtonBox: return QStringLiteral("Button");
    case GraphicsBox::ImageBox: return QStringLiteral("image");
    default: return QString();
    }
}

void appendMapping(QDomDocument& document, QDomElement& parent, const MappingRecord& record, bool output)
{
    QDomElement map = document.createElement(QStringLiteral("MapElement"));
    map.setAttribute(QStringLiteral("id"), uint(record.id));
    if (output)
        map.setAttribute(QStringLiteral("latchingCode"), uint(record.latchingCode));
    const QString tag = output ? QStringLiteral("Relay") : QStringLiteral("Input");
    for (quint32 value : record.codedValue) {
        QDomElement coded = document.createElement(tag);
        coded.setAttribute(QStringLiteral("codedValue"), uint(value));
        map.appendChild(coded);
    }
    parent.appendChild(map);
}

// A mapping field: 0 when the text is not a number (as the readers always
// did), false when the number does not fit the field.
bool mappingField(const QDomElement& element, const QString& name, const QString& defaultText, qint64 minimum,
                  qint64 maximum, qint64* value)
{
    bool ok = false;
    *value = element.attribute(name, defaultText).toLongLong(&ok);
    if (!ok)
        *value = 0;
    return *value >= minimum && *value <= maximum;
}

// The child at the row an element's "id" names; null when there is none.
Node* childById(const Node* parent, const QDomElement& element)
{
    bool ok = false;
    const int row = element.attribute(QStringLiteral("id")).toInt(&ok);
    SiteLocker lock;
    return ok ? parent->child(row) : nullptr;
}

// Reads the coded values of a mapping element into `record`; false when one does not fit 32 bits.
bool readCodedValues(const QDomElement& mapElement, MappingRecord* record)
{
    int index = 0;
    for (const QDomElement& child : ItemXml::childElements(mapElement)) {
        if (index == MappingRecord::kCodedValueCount) {
            qCWarning(lcMap, "Mapping %s: more than %d coded values, the rest ignored",
                     qUtf8Printable(mapElement.attribute(QStringLiteral("id"))), MappingRecord::kCodedValueCount);
            break;
        }
        qint64 value = 0;
        if (!mappingField(child, QStringLiteral("codedValue"), QStringLiteral("0"), MinCodedValue, MaxCodedValue,
                          &value))
            return false;
        record->codedValue[index++] = quint32(value);
    }
    return true;
}

} // namespace

QDomElement GraphicsBox::toXml(QDomDocument& document)
{
    QDomElement item = document.createElement(QStringLiteral("Item"));
    QFont font;
    writeKindAttributes(document, item, font);
    writeCommonAttributes(item, font);
    return item;
}

void GraphicsBox::writeKindAttributes(QDomDocument& document, QDomElement& item, QFont& font)
{
    item.setAttribute(QStringLiteral("itemType"), itemTypeOfKind(m_kind));
    switch (m_kind) {
    case ButtonBox: {
        ItemXml::setTextAttribute(item, QStringLiteral("ButtonCaption"),
                                  m_actionButton ? m_actionButton->text() : m_buttonCaption);
        item.setAttribute(QStringLiteral("ButtonCheckable"), m_actionButton && m_actionButton->isCheckable() ? 1 : 0);
        if (m_actionButton)
            font = m_actionButton->font();
        QDomElement action = document.createElement(QStringLiteral("Action"));
        SiteLocker lock;
        if (const Node* target = actionTarget()) {
            ItemXml::setTextAttribute(action, QStringLiteral("actRefObj"), ItemXml::referenceName(target));
            const QString gateway = ItemXml::referenceGateway(target);
            if (!gateway.isEmpty())
                ItemXml::setTextAttribute(action, ItemXml::GatewayAttribute, gateway);
            action.setAttribute(QStringLiteral("command"), m_actionCommand);
        }
        item.appendChild(action);
        break;
    }
    case TextBox:
        item.setAttribute(QStringLiteral("alignment"), m_captionItem->alignment());
        item.setAttribute(QStringLiteral("borderVisible"), m_borderVisible ? 1 : 0);
        font = m_captionItem->font();
        break;
    case GatewayBox:
        ItemXml::setTextAttribute(item, QStringLiteral("IP"), m_ip);
        ItemXml::setTextAttribute(item, QStringLiteral("logo"), m_logoMake);
        item.setAttribute(QStringLiteral("allEnergisersActive"), m_allEnergisersActive ? 1 : 0);
        item.setAttribute(QStringLiteral("allEnergisersLowVoltage"), m_allEnergisersLowVoltage ? 1 : 0);
        writeGatewayChildren(document, item);
        break;
    case ImageBox: {
        // The picture as shown, that is scaled to the box.
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (m_pictureItem && !m_pictureItem->pixmap().isNull())
            m_pictureItem->pixmap().save(&buffer, "PNG");
        item.setAttribute(QStringLiteral("picture"), QString::fromLatin1(png.toBase64()));
        break;
    }
    default:
        break;
    }
}

void GraphicsBox::writeCommonAttributes(QDomElement& item, const QFont& font)
{
    ItemXml::setTextAttribute(item, QStringLiteral("name"), objectName());
    item.setAttribute(QStringLiteral("zvalue"), double(zValue()));
    item.setAttribute(QStringLiteral("x"), int(std::trunc(pos().x())));
    item.setAttribute(QStringLiteral("y"), int(std::trunc(pos().y())));
    item.setAttribute(QStringLiteral("width"), double(m_width));
    item.setAttribute(QStringLiteral("height"), double(m_height));
    ItemXml::setTextAttribute(item, QStringLiteral("caption"), m_caption);
    item.setAttribute(QStringLiteral("fontItalic"), font.style() != QFont::StyleNormal ? 1 : 0);
    item.setAttribute(QStringLiteral("fontBold"), font.weight() > BoldWeightThreshold ? 1 : 0);
    item.setAttribute(QStringLiteral("fontUnderline"), font.underline() ? 1 : 0);
    item.setAttribute(QStringLiteral("fontSize"), fontInPoints(font).pointSize());
    item.setAttribute(QStringLiteral("fontColor"), colorToText(m_captionItem->defaultTextColor()));
    item.setAttribute(QStringLiteral("backgroundColor"), colorToText(m_backgroundColor));
    item.setAttribute(QStringLiteral("borderColor"), colorToText(m_color));
}

void GraphicsBox::writeGatewayChildren(QDomDocument& document, QDomElement& item)
{
    SiteLocker lock;
    for (const MappingRecord& record : qAsConst(m_node->outputMappings))
        appendMapping(document, item, record, true);

    for (int row = 0; row < m_node->childCount(); ++row) {
        Node* device = m_node->child(row);
        QDomElement energizer = document.createElement(QStringLiteral("Energizer"));
        energizer.setAttribute(QStringLiteral("id"), row);
        ItemXml::setTextAttribute(energizer, QStringLiteral("name"), device->data(0).toString());
        energizer.setAttribute(QStringLiteral("enable"), device->enabled ? 1 : 0);
        for (int sectorRow = 0; sectorRow < device->childCount(); ++sectorRow) {
            Node* sector = device->child(sectorRow);
            QDomElement sectorElement = document.createElement(QStringLiteral("Sector"));
            sectorElement.setAttribute(QStringLiteral("id"), sectorRow);
            ItemXml::setTextAttribute(sectorElement, QStringLiteral("name"), sector->data(0).toString());
            for (Node* action : qAsConst(sector->children)) {
                QDomElement actionElement = document.createElement(QStringLiteral("Action"));
                actionElement.setAttribute(QStringLiteral("actRefObjType"), action->type);
                if (action->type == Node::SoundAlarm)
                    ItemXml::setTextAttribute(actionElement, QStringLiteral("actRefObj"), action->data(2).toString());
                else if (action->type == Node::TextLabel || action->type == Node::FenceLine)
                    ItemXml::setTextAttribute(actionElement, QStringLiteral("actRefObj"), action->data(1).toString());
                actionElement.setAttribute(QStringLiteral("StateEnable"), action->enabled ? 1 : 0);
                sectorElement.appendChild(actionElement);
            }
            energizer.appendChild(sectorElement);
        }
        if (device->type == Node::Energizer) {
            for (const MappingRecord& record : qAsConst(device->outputMappings))
                appendMapping(document, energizer, record, true);
        } else if (device->type == Node::IOCard) {
            // Written whether the card is enabled or not: disabling a card must not lose its mapping.
            for (const MappingRecord& record : qAsConst(device->inputMappings))
                appendMapping(document, energizer, record, false);
        }
        item.appendChild(energizer);
    }
}

void GraphicsBox::readXml(const QDomElement& item, ItemXml::ActionBinding binding)
{
    const QString name = ItemXml::readName(item, this);
    setZValue(ReadZValue);
    const qreal y = ItemXml::positionAttribute(item, QStringLiteral("y"));
    const qreal x = ItemXml::positionAttribute(item, QStringLiteral("x"));
    setElementPos(x, y);
    setWidth(ItemXml::sizeAttribute(item, QStringLiteral("width"), 0));
    setHeight(ItemXml::sizeAttribute(item, QStringLiteral("height"), 0));
    setCaption(item.attribute(QStringLiteral("caption")));

    const QString itemType = item.attribute(QStringLiteral("itemType"));
    if (itemType != itemTypeOfKind(m_kind))
        qCWarning(lcMap, "Box %s: item type \"%s\" read into a box of kind %d", qUtf8Printable(name),
                 qUtf8Printable(itemType), m_kind);

    QFont font;
    if (m_kind == ButtonBox && m_actionButton) {
        setButtonCaption(item.attribute(QStringLiteral("ButtonCaption")));
        m_actionButton->setCheckable(ItemXml::flagAttribute(item, QStringLiteral("ButtonCheckable"), QString()));
        font = m_actionButton->font();
    }
    if (m_kind == TextBox) {
        {
            SiteLocker lock;
            m_node->setData(0, item.attribute(QStringLiteral("caption")));
        }
        const int alignment = ItemXml::intAttribute(item, QStringLiteral("alignment"));
        if (alignment == Qt::AlignLeft || alignment == Qt::AlignRight
            || alignment == int(Qt::AlignHCenter | Qt::AlignVCenter))
            m_captionItem->setAlignment(alignment);
        adjustSize(0, 0);
        font = m_captionItem->font();
    }
    if (m_kind == ImageBox)
        readImage(item);
    readFont(item, font);
    if (m_kind != GatewayBox)
        return;
    readGateway(item);
    if (binding == ItemXml::ActionBinding::Now)
        bindActions(item, ItemXml::ReferenceIndex({qobject_cast<GraphicsScene*>(scene())}));
}

void GraphicsBox::readImage(const QDomElement& item)
{
    QPixmap picture;
    const QByteArray encoded = item.attribute(QStringLiteral("picture"), QStringLiteral("text")).toLatin1();
    QByteArray png = QByteArray::fromBase64(encoded);
    QBuffer buffer(&png);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "PNG");
    // The header tells the size: a picture no box could show is not decoded
    // at all, so a damaged or crafted file cannot claim gigabytes.
    const QSize size = reader.size();
    if (size.isValid() && size.width() <= MaxScaledSide && size.height() <= MaxScaledSide
        && qint64(size.width()) * size.height() <= MaxPicturePixels) {
        picture = QPixmap::fromImage(reader.read());
    } else if (size.isValid()) {
        qCWarning(lcMap, "Image box %s: picture of %d x %d pixels is too large, not shown", qUtf8Printable(objectName()),
                 size.width(), size.height());
    } else {
        picture = QPixmap::fromImage(reader.read());
    }
    setPicture(picture);
    const qreal y = ItemXml::positionAttribute(item, QStringLiteral("y"), -23);
    const qreal x = ItemXml::positionAttribute(item, QStringLiteral("x"), -23);
    setElementPos(x, y);
    setWidth(ItemXml::sizeAttribute(item, QStringLiteral("width"), picture.width()));
    setHeight(ItemXml::sizeAttribute(item, QStringLiteral("height"), picture.height()));
}

void GraphicsBox::readFont(const QDomElement& item, QFont font)
{
    font.setWeight(ItemXml::flagAttribute(item, QStringLiteral("fontBold"), QStringLiteral("0")) ? QFont::Bold
                                                                                                  : QFont::Normal);
    font.setStyle(ItemXml::flagAttribute(item, QStringLiteral("fontItalic"), QStringLiteral("0")) ? QFont::StyleItalic
                                                                                                  : QFont::StyleNormal);
    font.setUnderline(ItemXml::flagAttribute(item, QStringLiteral("fontUnderline"), QStringLiteral("0")));
    const int size = ItemXml::intAttribute(item, QStringLiteral("fontSize"));
    if (size > 0)
        font.setPointSize(size);
    setTextFont(font);
    m_captionItem->setDefaultTextColor(textToColor(item.attribute(QStringLiteral("fontColor"))));
    setBackgroundColor(textToColor(item.attribute(QStringLiteral("backgroundColor"))));
    setColor(textToColor(item.attribute(QStringLiteral("borderColor"))));
    setBorderVisible(ItemXml::flagAttribute(item, QStringLiteral("borderVisible"), QStringLiteral("1")));
}

void GraphicsBox::readGateway(const QDomElement& item)
{
    // Every status row carries its gateway's address, read as when it is set.
    setIP(item.attribute(QStringLiteral("IP")));
    setLogo(item.attribute(QStringLiteral("logo")));
    m_allEnergisersActive = ItemXml::flagAttribute(item, QStringLiteral("allEnergisersActive"), QStringLiteral("1"));
    m_allEnergisersLowVoltage =
        ItemXml::flagAttribute(item, QStringLiteral("allEnergisersLowVoltage"), QStringLiteral("0"));
    m_captionItem->hide();

    for (const QDomElement& child : ItemXml::childElements(item)) {
        if (child.tagName() == QLatin1String("MapElement"))
            readOutputMapping(m_node, child);
        else if (child.tagName() == QLatin1String("Energizer"))
            readDevice(child);
    }
}

Node* GraphicsBox::deviceOf(const QDomElement& element, bool warn) const
{
    Node* device = childById(m_node, element);
    if (!device && warn)
        qCWarning(lcMap, "Gateway %s: no device with id \"%s\", skipped", qUtf8Printable(objectName()),
                 qUtf8Printable(element.attribute(QStringLiteral("id"))));
    return device;
}

Node* GraphicsBox::sectorOf(Node* device, const QDomElement& sectorElement, bool warn) const
{
    Node* sector = childById(device, sectorElement);
    if (!sector && warn)
        qCWarning(lcMap, "Gateway %s: %s has no sector with id \"%s\", skipped", qUtf8Printable(objectName()),
                 qUtf8Printable(device->data(0).toString()),
                 qUtf8Printable(sectorElement.attribute(QStringLiteral("id"))));
    return sector;
}

void GraphicsBox::readDevice(const QDomElement& element)
{
    Node* device = deviceOf(element, true);
    if (!device)
        return;
    {
        SiteLocker lock;
        const QString name = element.attribute(QStringLiteral("name"));
        device->setData(0, name);
        device->setData(1, name);
        if (device->deviceNode && Node::isAlive(device->deviceNode))
            device->deviceNode->setData(0, name);
    }
    ItemXml::setActionEnabled(device, ItemXml::flagAttribute(element, QStringLiteral("enable"), QStringLiteral("1")));

    for (const QDomElement& child : ItemXml::childElements(element)) {
        const QString tag = child.tagName();
        if (device->type == Node::Energizer) {
            if (tag == QLatin1String("Sector")) {
                if (Node* sector = sectorOf(device, child, true)) {
                    SiteLocker lock;
                    sector->setData(0, child.attribute(QStringLiteral("name")));
                }
            } else if (tag == QLatin1String("MapElement")) {
                readOutputMapping(device, child);
            }
        } else if (device->type == Node::IOCard && tag == QLatin1String("MapElement")) {
            readInputMapping(device, child);
        }
    }
}

void GraphicsBox::readOutputMapping(Node* node, const QDomElement& mapElement)
{
    MappingRecord record;
    if (node && readMapping(node, mapElement, true, &record)) {
        SiteLocker lock;
        node->outputMappings.append(record);
    }
}

void GraphicsBox::readInputMapping(Node* node, const QDomElement& mapElement)
{
    MappingRecord record;
    if (node && readMapping(node, mapElement, false, &record)) {
        SiteLocker lock;
        node->inputMappings.append(record);
    }
}

bool GraphicsBox::readMapping(Node* node, const QDomElement& mapElement, bool output, MappingRecord* record) const
{
    qint64 id = 0;
    bool fits = mappingField(mapElement, QStringLiteral("id"), QString(), 0, MaxMappingField, &id);
    // An output record without a device (0, missing or not a number) maps nothing.
    if (output && id == 0)
        return false;
    qint64 latchingCode = 0;
    if (output)
        fits = mappingField(mapElement, QStringLiteral("latchingCode"), QStringLiteral("0"), 0, MaxMappingField,
                            &latchingCode) && fits;
    if (!fits || !readCodedValues(mapElement, record)) {
        qCWarning(lcMap, "Gateway %s: %s mapping %s of %s out of range, skipped", qUtf8Printable(objectName()),
                 output ? "output" : "input", qUtf8Printable(mapElement.attribute(QStringLiteral("id"))),
                 qUtf8Printable(node->name));
        return false;
    }
    record->id = quint16(id);
    record->latchingCode = quint16(latchingCode);
    return true;
}

// The devices and sectors were read with the box; what could not be found
// then was reported then.
void GraphicsBox::bindActions(const QDomElement& item, const ItemXml::ReferenceIndex& index)
{
    if (m_kind != GatewayBox)
        return;
    for (const QDomElement& element : ItemXml::childElements(item)) {
        if (element.tagName() != QLatin1String("Energizer"))
            continue;
        Node* device = deviceOf(element, false);
        if (!device || device->type != Node::Energizer)
            continue;
        for (const QDomElement& sectorElement : ItemXml::childElements(element)) {
            Node* sector = sectorElement.tagName() == QLatin1String("Sector") ? sectorOf(device, sectorElement, false)
                                                                              : nullptr;
            if (sector)
                bindSectorActions(sector, sectorElement, index);
        }
    }
}

void GraphicsBox::bindSectorActions(Node* sector, const QDomElement& sectorElement,
                                    const ItemXml::ReferenceIndex& index)
{
    auto* graphicsScene = qobject_cast<GraphicsScene*>(scene());
    QString sectorName;
    {
        SiteLocker lock;
        sectorName = sector->data(0).toString();
    }
    // The actions go on top of the sector in the file's order, so that a
    // project read and saved again is the same.
    int actionRow = 0;
    for (const QDomElement& actionElement : ItemXml::childElements(sectorElement)) {
        const int type = ItemXml::intAttribute(actionElement, QStringLiteral("actRefObjType"));
        const QString reference = actionElement.attribute(QStringLiteral("actRefObj"));
        Node* action = nullptr;
        bool ambiguous = false;
        if (type == Node::SoundAlarm) {
            action = ItemXml::soundAlarmCopy(graphicsScene ? graphicsScene->soundAlarmList() : nullptr, reference);
        } else {
            const auto found = index.bind(graphicsScene, reference, ItemXml::actionTarget(type, sector),
                                          QStringLiteral("Gateway %1: an action under %2").arg(objectName(), sectorName));
            action = found.node;
            ambiguous = found.count > 1;
        }
        if (!action) {
            if (!ambiguous)
                qCWarning(lcMap, "Gateway %s: action of type %d \"%s\" under %s not found, skipped",
                         qUtf8Printable(objectName()), type, qUtf8Printable(reference), qUtf8Printable(sectorName));
            continue;
        }
        ItemXml::setActionEnabled(action, ItemXml::flagAttribute(actionElement, QStringLiteral("StateEnable"),
                                                                 QStringLiteral("1")));
        if (ItemXml::placeNode(action, sector, actionRow))
            ++actionRow;
        else if (!action->parent())
            delete action;
    }
}

const QPixmap& GraphicsBox::scaledLogo(const QSize& box)
{
    if (m_scaledLogoFor == box)
        return m_scaledLogo;
    m_scaledLogoFor = box;
    m_scaledLogo = QPixmap();
    const int fitW = qMin((boundedInt(m_width) - int(BodyShrink)) / 7 * 4, MaxScaledSide);
    const int fitH = qMin((boundedInt(m_height) - int(BodyShrink)) / 7 * 5, MaxScaledSide);
    if (!m_logoPixmap.isNull() && fitW > 0 && fitH > 0)
        m_scaledLogo = m_logoPixmap.scaled(fitW, fitH, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return m_scaledLogo;
}

void GraphicsBox::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    QBrush brush(displayBackgroundColor(), Qt::SolidPattern);
    QPen pen = m_pen;
    pen.setStyle(Qt::SolidLine);
    pen.setColor(m_borderVisible ? m_color : QColor(0, 0, 0, 0));

    if (m_kind == TextBox) {
        if (!m_captionItem->isEditing() && m_alarmStatus != 0) {
            if (m_blinkPhase) {
                MapHost* host = GraphicsScene::hostOf(this);
                brush.setColor(host ? host->alarmBackgroundColor() : displayBackgroundColor());
            } else {
                brush.setColor(displayBackgroundColor());
            }
        }
        painter->setBrush(brush);
        painter->setPen(pen);
        painter->drawRect(bodyRect());
    } else if (m_kind == GatewayBox) {
        painter->setBrush(brush);
        painter->setPen(pen);
        paintKeypad(painter);
    }
}

void GraphicsBox::paintKeypad(QPainter* painter)
{
    const QRectF body = bodyRect();
    const qreal left = body.left();
    const qreal right = body.right();
    // The keypad's rows are sevenths of the height down to the handle frame.
    const qreal unit = m_frameBottom / 7;
    painter->drawRoundedRect(body, 10, 10);

    const QPixmap& logo = scaledLogo(QSize(boundedInt(m_width), boundedInt(m_height)));
    if (!logo.isNull())
        painter->drawPixmap(QPointF(qRound((m_width - HandleInset) / 2.5), BodyInset), logo);

    const qreal third = body.width() / 3;
    const qreal panelTop = 6 * unit;
    const qreal panelHeight = unit + 3;
    const QRectF panels[3] = {
        QRectF(left, panelTop, third, panelHeight),
        QRectF(left + third, panelTop, third, panelHeight),
        QRectF(left + 2 * third, panelTop, right - (left + 2 * third), panelHeight),
    };
    const QBrush saved = painter->brush();
    for (int i = 0; i < 3; ++i) {
        painter->setBrush(QBrush(PanelColors[i], Qt::SolidPattern));
        painter->drawRoundedRect(panels[i], 5, 5);
    }
    painter->setBrush(saved);

    const int centred = Qt::AlignHCenter | Qt::AlignVCenter;
    painter->drawText(QRectF(25, 5 * unit, right - 25, unit), centred, m_ip);
    for (int i = 0; i < 3; ++i)
        painter->drawText(panels[i], centred, m_panelTexts[i]);
}
