#pragma once

#include "textbounds.h"

#include <QByteArray>
#include <QString>
#include <QVector>

class QDomDocument;
struct XmlElementStart;

// What a project file may hold, checked element by element while the file
// is parsed (readXmlDocument), so that a damaged or hostile file is refused
// before it costs the memory of its DOM (about a kilobyte an element) or
// the time of building its map. The limits lie far beyond any real site,
// which has some twenty workspaces of a few hundred items, a few gateways
// and fence lines of some dozens of points.
//
// One object checks one file: it counts across the whole document.
//
// A save checks what it is about to write against the same limits, so the
// program never writes a project it would then refuse to open.
class ProjectLimits
{
public:
    // Far beyond the map and trees of any site (a few MB for a large one),
    // pictures of image boxes aside: bigger files are refused before they
    // are read into memory, and never written.
    static constexpr qint64 MaxFileSize = qint64(40) * 1024 * 1024;
    static constexpr int MaxWorkspaces = 100;
    static constexpr int MaxItemsPerWorkspace = 5000;
    static constexpr int MaxItems = 20000;
    // A gateway box brings some 230 nodes of the site trees with it.
    static constexpr int MaxGatewayBoxes = 64;
    static constexpr int MaxPointsPerLine = 5000;
    // Every text of the file (a caption, a name, an address, a path): the
    // longest the program lets the operator type (MaxFreeTextLength). A
    // picture is data, bounded by the file's size.
    static constexpr int MaxTextLength = MaxFreeTextLength;
    // Sound alarms, timers, sensors of a TW system, a device's sectors and mappings, actions.
    static constexpr int MaxChildElements = 1000;
    static constexpr int MaxElements = 300000;

    // Empty while the file stays within every limit; otherwise the limit
    // the element breaks, in words for the operator.
    QString check(const XmlElementStart& element);

    // Empty when `content` is a project file the program opens; otherwise
    // why not, in words for the operator: too big, not well-formed XML, or
    // over a limit above. A `document`, when given, receives what passed.
    static QString refusal(const QByteArray& content, QDomDocument* document = nullptr);
    // Empty for a file of `bytes` bytes that may be read, otherwise why not.
    static QString sizeRefusal(qint64 bytes);

private:
    struct Open {
        QString tag;
        QString name;
    };

    QString itemLimit(const XmlElementStart& element, const QString& workspace);
    static QString textLimit(const XmlElementStart& element);
    // Whether an element at `depth` is a workspace: a child of the root's "Workplaces".
    bool inWorkspaces(int depth) const;

    // The open elements down to the one being checked, by depth.
    QVector<Open> m_open;
    int m_items = 0;
    int m_gatewayBoxes = 0;
};
