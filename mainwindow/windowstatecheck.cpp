#include "windowstatecheck.h"
#include "mainwindowlogging.h"

#include <QDataStream>
#include <QDebug>
#include <QDockWidget>
#include <QMainWindow>
#include <QSet>
#include <QToolBar>
#include <QVariant>

namespace {

// The markers QMainWindow::saveState writes; the first is a whole int.
constexpr int VersionMarker = 0xff;
constexpr quint8 DockStateMarker = 0xfd;
constexpr quint8 ToolBarStateMarker = 0xfc;
constexpr quint8 SequenceMarker = 0xfc;
constexpr quint8 WidgetMarker = 0xfb;
constexpr quint8 TabMarker = 0xfa;
constexpr quint8 VisibleFlag = 1;
constexpr quint8 FloatingFlag = 2;
// Left, right, top, bottom; the first two stack their docks vertically.
constexpr int DockAreaCount = 4;
constexpr int WidgetSizeMax = 16777215;

// QWidget::saveGeometry: format 3.0, 66 bytes.
constexpr quint32 GeometryMagic = 0x1D9D0CB;
constexpr quint16 GeometryMajor = 3;
constexpr quint16 GeometryMinor = 0;
constexpr int GeometrySize = 66;
constexpr int MaxScreenNumber = 255;

class StateReader
{
public:
    StateReader(const QByteArray& bytes, QDataStream::Version version)
        : m_stream(bytes)
    {
        m_stream.setVersion(version);
    }

    template <typename T>
    bool read(T& value)
    {
        m_stream >> value;
        return m_stream.status() == QDataStream::Ok;
    }

    bool byteIs(quint8 expected)
    {
        quint8 value = 0;
        return read(value) && value == expected;
    }

    bool intIn(int low, int high, int* out = nullptr)
    {
        qint32 value = 0;
        if (!read(value) || value < low || value > high)
            return false;
        if (out)
            *out = value;
        return true;
    }

    // A rectangle as QDataStream writes it: left, top, right, bottom.
    bool rectFits()
    {
        using Extent = WindowStateCheck;
        qint32 left = 0, top = 0, right = 0, bottom = 0;
        if (!read(left) || !read(top) || !read(right) || !read(bottom))
            return false;
        const qint64 width = qint64(right) - left + 1;
        const qint64 height = qint64(bottom) - top + 1;
        return qAbs(left) <= Extent::MaxExtent && qAbs(top) <= Extent::MaxExtent && width >= 0
            && width <= Extent::MaxExtent && height >= 0 && height <= Extent::MaxExtent;
    }

    // An object name: UTF-16 of at most `maxLength` characters, not null.
    bool name(QString& out, int maxLength)
    {
        quint32 bytes = 0;
        if (!read(bytes) || bytes == 0 || bytes % 2 != 0 || bytes > quint32(maxLength) * 2)
            return false;
        QByteArray raw(int(bytes), Qt::Uninitialized);
        if (m_stream.readRawData(raw.data(), raw.size()) != raw.size())
            return false;
        out.clear();
        for (int i = 0; i < raw.size(); i += 2)
            out.append(QChar(ushort(quint8(raw.at(i)) << 8 | quint8(raw.at(i + 1)))));
        return true;
    }

    bool atEnd() const { return m_stream.status() == QDataStream::Ok && m_stream.atEnd(); }

private:
    QDataStream m_stream;
};

int longest(const QStringList& names)
{
    int length = 0;
    for (const QString& name : names)
        length = qMax(length, name.size());
    return length;
}

// The docks and toolbars a state may name, and which it named already.
struct StateParse
{
    StateReader& reader;
    const QStringList& docks;
    const QStringList& toolBars;
    QSet<QString> seen;
    int entries = 0;

    int dockEntries() const { return docks.size() + WindowStateCheck::MaxDockPlaces; }

    // A name once; one of `names` unless any will do.
    bool newName(const QStringList& names, bool anyName)
    {
        QString name;
        if (!reader.name(name, anyName ? WindowStateCheck::MaxNameLength : longest(names))
            || (!anyName && !names.contains(name)) || seen.contains(name))
            return false;
        seen.insert(name);
        return true;
    }

    bool dockItem(int depth)
    {
        quint8 marker = 0;
        if (!reader.read(marker) || ++entries > 2 * dockEntries())
            return false;
        const int max = WindowStateCheck::MaxExtent;
        if (marker == WidgetMarker) {
            quint8 flags = 0;
            if (!newName(docks, true) || !reader.read(flags) || flags > (VisibleFlag | FloatingFlag))
                return false;
            if (flags & FloatingFlag)
                return reader.intIn(-max, max) && reader.intIn(-max, max) && reader.intIn(0, max)
                    && reader.intIn(0, max);
            return reader.intIn(-1, max) && reader.intIn(-1, max) && reader.intIn(-1, WidgetSizeMax)
                && reader.intIn(-1, WidgetSizeMax);
        }
        // A group of docks nested in the area.
        return marker == SequenceMarker && depth < WindowStateCheck::MaxNesting && reader.intIn(-1, max)
            && reader.intIn(-1, max) && reader.intIn(-1, WidgetSizeMax) && reader.intIn(-1, WidgetSizeMax)
            && dockGroup(depth + 1, 0);
    }

    // Orientation 0: either.
    bool dockGroup(int depth, quint8 orientation)
    {
        quint8 marker = 0;
        if (!reader.read(marker))
            return false;
        if (marker == TabMarker) {
            if (!reader.intIn(-1, dockEntries()))
                return false;
        } else if (marker != SequenceMarker) {
            return false;
        }
        quint8 stacking = 0;
        int count = 0;
        if (!reader.read(stacking) || (stacking != Qt::Horizontal && stacking != Qt::Vertical)
            || (orientation != 0 && stacking != orientation) || !reader.intIn(0, dockEntries(), &count))
            return false;
        for (int i = 0; i < count; ++i) {
            if (!dockItem(depth))
                return false;
        }
        return true;
    }

    bool dockSection()
    {
        const int max = WindowStateCheck::MaxExtent;
        int areas = 0;
        if (!reader.byteIs(DockStateMarker) || !reader.intIn(0, DockAreaCount, &areas))
            return false;
        int area = -1;
        for (int i = 0; i < areas; ++i) {
            if (!reader.intIn(area + 1, DockAreaCount - 1, &area) || !reader.intIn(0, max) || !reader.intIn(0, max))
                return false;
            if (!dockGroup(0, area < 2 ? Qt::Vertical : Qt::Horizontal))
                return false;
        }
        if (!reader.intIn(0, max) || !reader.intIn(0, max))
            return false;
        // The area each corner belongs to.
        for (int corner = 0; corner < 4; ++corner) {
            int owner = 0;
            if (!reader.intIn(Qt::LeftDockWidgetArea, Qt::BottomDockWidgetArea, &owner) || (owner & (owner - 1)) != 0)
                return false;
        }
        return true;
    }

    bool toolBarSection()
    {
        const int max = WindowStateCheck::MaxExtent;
        int lines = 0;
        if (!reader.byteIs(ToolBarStateMarker) || !reader.intIn(0, toolBars.size(), &lines))
            return false;
        int area = 0;
        for (int line = 0; line < lines; ++line) {
            int count = 0;
            if (!reader.intIn(area, DockAreaCount - 1, &area) || !reader.intIn(1, toolBars.size(), &count))
                return false;
            for (int i = 0; i < count; ++i) {
                quint8 shown = 0;
                quint32 floatingRect[2] = {};
                if (!newName(toolBars, false) || !reader.read(shown) || shown > 3 || !reader.intIn(-1, max)
                    || !reader.intIn(-1, max) || !reader.read(floatingRect[0]) || !reader.read(floatingRect[1]))
                    return false;
            }
        }
        return true;
    }
};

template <typename T>
QStringList namesOf(const QMainWindow& window)
{
    QStringList names;
    for (const T* child : window.findChildren<T*>()) {
        if (!child->objectName().isEmpty())
            names.append(child->objectName());
    }
    return names;
}

} // namespace

WindowStateCheck::WindowStateCheck(const QMainWindow& window)
    : m_docks(namesOf<QDockWidget>(window))
    , m_toolBars(namesOf<QToolBar>(window))
{
}

bool WindowStateCheck::geometryFits(const QByteArray& geometry) const
{
    if (geometry.size() != GeometrySize)
        return false;
    StateReader reader(geometry, QDataStream::Qt_4_0);
    quint32 magic = 0;
    quint16 major = 0;
    quint16 minor = 0;
    quint8 maximized = 0;
    quint8 fullScreen = 0;
    return reader.read(magic) && magic == GeometryMagic && reader.read(major) && major == GeometryMajor
        && reader.read(minor) && minor == GeometryMinor && reader.rectFits() && reader.rectFits()
        && reader.intIn(-1, MaxScreenNumber) && reader.read(maximized)
        && (maximized == 0 || maximized == Qt::WindowMaximized) && reader.read(fullScreen)
        && (fullScreen == 0 || fullScreen == Qt::WindowFullScreen) && reader.intIn(0, MaxExtent)
        && reader.rectFits() && reader.atEnd();
}

bool WindowStateCheck::stateFits(const QByteArray& state, int version) const
{
    StateReader reader(state, QDataStream::Qt_5_0);
    StateParse parse{reader, m_docks, m_toolBars, {}, 0};
    return reader.intIn(VersionMarker, VersionMarker) && reader.intIn(version, version) && parse.dockSection()
        && parse.toolBarSection() && reader.atEnd();
}

void WindowStateCheck::restore(QMainWindow& window, const QVariant& geometry, const QVariant& state, int version)
{
    const WindowStateCheck check(window);
    QStringList refused;
    if (geometry.isValid()) {
        if (geometry.type() == QVariant::ByteArray && check.geometryFits(geometry.toByteArray()))
            window.restoreGeometry(geometry.toByteArray());
        else
            refused << QStringLiteral("geometry");
    }
    if (state.isValid()) {
        if (state.type() != QVariant::ByteArray || !check.stateFits(state.toByteArray(), version)
            || !window.restoreState(state.toByteArray(), version))
            refused << QStringLiteral("windowState");
    }
    if (!refused.isEmpty())
        qCWarning(lcMainWindow).noquote()
            << QStringLiteral("The stored %1 does not fit this window; its default is used").arg(refused.join(QStringLiteral(" and ")));
}
