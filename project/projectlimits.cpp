#include "projectlimits.h"

#include "graphicstextitem.h"
#include "xmldocumentreader.h"

namespace {

// Depths of the elements the loader reads (the root is 1): every child of
// the root's "Workplaces" is a workspace, every child of a workspace an item.
constexpr int WorkspaceDepth = 3;
constexpr int ItemDepth = 4;

// A name quoted in a refusal is cut to this: the file may hold any.
constexpr int MaxQuotedName = 64;

static_assert(ProjectLimits::MaxTextLength == GraphicsTextItem::MaxTextLength,
              "a caption the map keeps is one the file may hold");

QString broken(int limit, const QString& what, qint64 line)
{
    return QStringLiteral("more than %1 %2 (line %3)").arg(limit).arg(what).arg(line);
}

} // namespace

QString ProjectLimits::refusal(const QByteArray& content, QDomDocument* document)
{
    const QString tooBig = sizeRefusal(content.size());
    if (!tooBig.isEmpty())
        return tooBig;
    ProjectLimits limits;
    const auto check = [&limits](const XmlElementStart& element) { return limits.check(element); };
    QString reason;
    bool overLimit = false;
    if (readXmlDocument(content, document, &reason, check, &overLimit))
        return QString();
    return overLimit ? reason : QStringLiteral("not well-formed XML (%1)").arg(reason);
}

QString ProjectLimits::sizeRefusal(qint64 bytes)
{
    if (bytes <= MaxFileSize)
        return QString();
    return QStringLiteral("%1 bytes, more than the %2 a project may have").arg(bytes).arg(MaxFileSize);
}

QString ProjectLimits::check(const XmlElementStart& element)
{
    // The entry of this depth is rewritten in place: its strings keep their
    // buffers from one element to the next instead of two new per element.
    if (m_open.size() < element.depth)
        m_open.resize(element.depth);
    Open& open = m_open[element.depth - 1];
    open.tag.resize(0);
    open.tag.append(element.name);
    open.name.resize(0);
    open.name.append(element.attributes.value(QLatin1String("name")));
    if (element.elements > MaxElements)
        return broken(MaxElements, QStringLiteral("elements in the file"), element.line);
    const QString tooLong = textLimit(element);
    if (!tooLong.isEmpty())
        return tooLong;
    if (element.depth < 2)
        return QString();
    const Open& parent = m_open.at(element.depth - 2);
    if (inWorkspaces(element.depth)) {
        if (element.position > MaxWorkspaces)
            return broken(MaxWorkspaces, QStringLiteral("workspaces in the project"), element.line);
        return QString();
    }
    if (element.depth == ItemDepth && inWorkspaces(WorkspaceDepth))
        return itemLimit(element, parent.name);
    if (element.depth == ItemDepth + 1 && inWorkspaces(WorkspaceDepth) && parent.tag == QLatin1String("Item")) {
        if (element.position > MaxPointsPerLine)
            return broken(MaxPointsPerLine, QStringLiteral("points in line \"%1\"").arg(parent.name), element.line);
        return QString();
    }
    if (element.position > MaxChildElements)
        return broken(MaxChildElements, QStringLiteral("elements in one \"%1\"").arg(parent.tag), element.line);
    return QString();
}

bool ProjectLimits::inWorkspaces(int depth) const
{
    return depth == WorkspaceDepth && m_open.size() >= WorkspaceDepth
           && m_open.at(WorkspaceDepth - 2).tag == QLatin1String("Workplaces");
}

QString ProjectLimits::itemLimit(const XmlElementStart& element, const QString& workspace)
{
    if (element.position > MaxItemsPerWorkspace)
        return broken(MaxItemsPerWorkspace, QStringLiteral("items in workspace \"%1\"").arg(workspace), element.line);
    if (element.name != QLatin1String("Item"))
        return QString();
    if (++m_items > MaxItems)
        return broken(MaxItems, QStringLiteral("items in the project"), element.line);
    if (element.attributes.value(QLatin1String("itemType")) == QLatin1String("OsprelVell")
        && ++m_gatewayBoxes > MaxGatewayBoxes)
        return broken(MaxGatewayBoxes, QStringLiteral("gateway boxes in the project"), element.line);
    return QString();
}

// Shown on the maps, in the tabs, trees and panels: a text that no operator
// typed would only cost the time of laying it out.
QString ProjectLimits::textLimit(const XmlElementStart& element)
{
    for (const QXmlStreamAttribute& attribute : element.attributes) {
        if (attribute.value().size() <= MaxTextLength
            || (attribute.name() == QLatin1String("picture") && element.name == QLatin1String("Item")))
            continue;
        QString what = QStringLiteral("\"%1\" of %2").arg(attribute.name(), element.name);
        const QStringRef name = element.attributes.value(QLatin1String("name"));
        if (attribute.name() != QLatin1String("name") && !name.isEmpty())
            what += QStringLiteral(" \"%1\"").arg(leftWhole(name.toString(), MaxQuotedName));
        return QStringLiteral("%1 longer than %2 characters (line %3)").arg(what).arg(MaxTextLength).arg(element.line);
    }
    return QString();
}
