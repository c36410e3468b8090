#include "graphicshelperclass.h"

#include "abstractgraphicselement.h"
#include "cornergrabber.h"
#include "graphicsbox.h"
#include "graphicscircle.h"
#include "graphicsline.h"
#include "graphicsscene.h"
#include "node.h"
#include "sitemutex.h"

#include <QDomDocument>
#include <QGraphicsItem>
#include <QGraphicsPixmapItem>
#include <QIcon>
#include <QPushButton>

GraphicsHelperClass::GraphicsHelperClass(QObject* parent)
    : QObject(parent)
{
}

GraphicsHelperClass::~GraphicsHelperClass()
{
    releaseHandles();
    // The node outlives its element in the tree; it must not keep pointing at a freed item.
    SiteLocker lock;
    if (m_node && Node::isAlive(m_node) && m_node->mapItem == m_item)
        m_node->mapItem = nullptr;
}

Node* GraphicsHelperClass::energizerNode() const
{
    return m_energizerNode && m_node && m_node->deviceNode == m_energizerNode ? m_energizerNode : nullptr;
}

void GraphicsHelperClass::releaseHandles()
{
    m_penColor = m_color;
    for (auto& handle : m_handles) {
        if (handle) {
            handle->setParentItem(nullptr);
            handle.reset();
        }
    }
}

void GraphicsHelperClass::afterDelivery(std::function<void()> step)
{
    auto* scene = m_item ? qobject_cast<GraphicsScene*>(m_item->scene()) : nullptr;
    if (!scene) {
        step();
        return;
    }
    scene->afterDelivery(this, std::move(step));
}

void GraphicsHelperClass::selectAfterDelivery()
{
    auto select = [this] {
        setItemSelected(true);
        emit selected(m_item);
    };
    if (auto* scene = m_item ? qobject_cast<GraphicsScene*>(m_item->scene()) : nullptr)
        scene->selectAfterDelivery(this, std::move(select));
    else
        select();
}

void GraphicsHelperClass::noteHandlesShown()
{
    if (auto* scene = m_item ? qobject_cast<GraphicsScene*>(m_item->scene()) : nullptr)
        scene->noteToDeselect(this);
}

void GraphicsHelperClass::noteGeometryChanged()
{
    if (auto* scene = m_item ? qobject_cast<GraphicsScene*>(m_item->scene()) : nullptr)
        scene->holdItemsLater();
}

void GraphicsHelperClass::setName(const QString& name)
{
    if (m_node) {
        SiteLocker lock;
        const int type = m_node->type;
        if (type == Node::TWSector || type == Node::FenceLine || type == Node::Button)
            m_node->setData(0, name);
        m_node->setData(1, name);
    }
    setObjectName(name);
}

void GraphicsHelperClass::setAlarm(int status)
{
    m_alarmStatus = status;
    if (status != 0)
        m_blinkPhase = !m_blinkPhase;
    else
        m_blinkPhase = true;
    // A disabled device never blinks: it shows steadily.
    if (m_node && !m_node->enabled)
        m_blinkPhase = true;
    repaintOnLookChange();
}

void GraphicsHelperClass::setBlinkPhase(bool on)
{
    m_blinkPhase = on;
    followBlinkPhase();
    repaintOnLookChange();
}

void GraphicsHelperClass::setColor(const QColor& color)
{
    m_color = color;
    repaintOnLookChange();
}

GraphicsHelperClass::AlarmLook GraphicsHelperClass::alarmLook() const
{
    return {m_blinkPhase, m_alarmStatus, m_color};
}

void GraphicsHelperClass::repaintOnLookChange()
{
    const AlarmLook look = alarmLook();
    if (look == m_shownLook)
        return;
    m_shownLook = look;
    if (m_item)
        m_item->update();
}

void GraphicsHelperClass::setDesignMode(bool design)
{
    if (!m_item) {
        m_designMode = design;
        return;
    }
    switch (m_item->type()) {
    case CircleItemType:
        m_item->setEnabled(design);
        break;
    case LineItemType:
        m_item->setEnabled(design);
        // The lightning icon stays clickable: it opens the line's parameters in operation mode.
        for (QGraphicsItem* child : m_item->childItems()) {
            if (child->type() == QGraphicsPixmapItem::Type)
                child->setEnabled(true);
        }
        break;
    case BoxItemType: {
        auto* box = dynamic_cast<GraphicsBox*>(m_item);
        if (box && box->kind() == GraphicsBox::ButtonBox) {
            // A disabled item disables its child items, and the push button
            // is one: the button box stays enabled so its button can be
            // clicked, but outside design mode the box itself takes no clicks
            // (it cannot be selected, moved or edited).
            m_item->setEnabled(true);
            m_item->setAcceptedMouseButtons(design ? Qt::AllButtons : Qt::NoButton);
        } else {
            m_item->setEnabled(design);
        }
        if (box)
            box->applyButtonDesignMode(design);
        break;
    }
    default:
        break;
    }
    m_designMode = design;
}

void GraphicsHelperClass::setItemSelected(bool selected)
{
    if (!m_item)
        return;
    const int type = m_item->type();
    if (type == BoxItemType || type == CircleItemType) {
        if (auto* element = dynamic_cast<AbstractGraphicsElement*>(m_item))
            element->setSelection(selected);
    } else if (type == LineItemType) {
        if (auto* line = dynamic_cast<GraphicsLine*>(m_item))
            line->setSelection(selected);
    }
}

QDomElement GraphicsHelperClass::toXml(QDomDocument& document)
{
    if (!m_item)
        return QDomElement();
    switch (m_item->type()) {
    case BoxItemType:
        if (auto* box = dynamic_cast<GraphicsBox*>(m_item))
            return box->toXml(document);
        break;
    case LineItemType:
        if (auto* line = dynamic_cast<GraphicsLine*>(m_item))
            return line->toXml(document);
        break;
    case CircleItemType:
        if (auto* circle = dynamic_cast<GraphicsCircle*>(m_item))
            return circle->toXml(document);
        break;
    default:
        break;
    }
    return QDomElement();
}

int GraphicsHelperClass::itemType() const
{
    return m_item ? m_item->type() : 0;
}

void GraphicsHelperClass::setPenWidth(int width)
{
    m_pen.setWidth(width);
}

void GraphicsHelperClass::buttonToggle(bool)
{
    auto* box = dynamic_cast<GraphicsBox*>(m_item);
    QPushButton* button = box ? box->actionButton() : nullptr;
    if (!button)
        return;
    // The button's own state counts, whatever the signal carried.
    button->setIcon(QIcon(button->isChecked() ? GraphicsBox::BulbOnIcon : GraphicsBox::BulbOffIcon));
}
