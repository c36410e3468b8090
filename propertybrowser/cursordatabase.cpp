#include "cursordatabase.h"

#include <QCoreApplication>

namespace {
QIcon cursorIcon(const char *fileName)
{
    return QIcon(QStringLiteral(":/propertybrowser/images/") + QLatin1String(fileName));
}
} // namespace

Q_GLOBAL_STATIC(CursorDatabase, processCursorDatabase)

CursorDatabase::CursorDatabase()
{
    const auto add = [this](Qt::CursorShape shape, const char *name, const char *fileName) {
        addShape(shape, QCoreApplication::translate("CursorDatabase", name),
                 fileName ? cursorIcon(fileName) : QIcon());
    };
    add(Qt::ArrowCursor, QT_TRANSLATE_NOOP("CursorDatabase", "Arrow"), "cursor-arrow.png");
    add(Qt::UpArrowCursor, QT_TRANSLATE_NOOP("CursorDatabase", "Up Arrow"), "cursor-uparrow.png");
    add(Qt::CrossCursor, QT_TRANSLATE_NOOP("CursorDatabase", "Cross"), "cursor-cross.png");
    add(Qt::WaitCursor, QT_TRANSLATE_NOOP("CursorDatabase", "Wait"), "cursor-wait.png");
    add(Qt::IBeamCursor, QT_TRANSLATE_NOOP("CursorDatabase", "IBeam"), "cursor-ibeam.png");
    add(Qt::SizeVerCursor, QT_TRANSLATE_NOOP("CursorDatabase", "Size Vertical"), "cursor-sizev.png");
    add(Qt::SizeHorCursor, QT_TRANSLATE_NOOP("CursorDatabase", "Size Horizontal"), "cursor-sizeh.png");
    add(Qt::SizeFDiagCursor, QT_TRANSLATE_NOOP("CursorDatabase", "Size Backslash"), "cursor-sizef.png");
    add(Qt::SizeBDiagCursor, QT_TRANSLATE_NOOP("CursorDatabase", "Size Slash"), "cursor-sizeb.png");
    add(Qt::SizeAllCursor, QT_TRANSLATE_NOOP("CursorDatabase", "Size All"), "cursor-sizeall.png");
    add(Qt::BlankCursor, QT_TRANSLATE_NOOP("CursorDatabase", "Blank"), nullptr);
    add(Qt::SplitVCursor, QT_TRANSLATE_NOOP("CursorDatabase", "Split Vertical"), "cursor-vsplit.png");
    add(Qt::SplitHCursor, QT_TRANSLATE_NOOP("CursorDatabase", "Split Horizontal"), "cursor-hsplit.png");
    add(Qt::PointingHandCursor, QT_TRANSLATE_NOOP("CursorDatabase", "Pointing Hand"), "cursor-hand.png");
    add(Qt::ForbiddenCursor, QT_TRANSLATE_NOOP("CursorDatabase", "Forbidden"), "cursor-forbidden.png");
    add(Qt::OpenHandCursor, QT_TRANSLATE_NOOP("CursorDatabase", "Open Hand"), "cursor-openhand.png");
    add(Qt::ClosedHandCursor, QT_TRANSLATE_NOOP("CursorDatabase", "Closed Hand"), "cursor-closedhand.png");
    add(Qt::WhatsThisCursor, QT_TRANSLATE_NOOP("CursorDatabase", "What's This"), "cursor-whatsthis.png");
    add(Qt::BusyCursor, QT_TRANSLATE_NOOP("CursorDatabase", "Busy"), "cursor-busy.png");
}

CursorDatabase *CursorDatabase::instance()
{
    return processCursorDatabase();
}

void CursorDatabase::addShape(Qt::CursorShape shape, const QString &name, const QIcon &icon)
{
    if (m_shapeToIndex.contains(shape))
        return;
    const int index = m_names.size();
    m_names.append(name);
    m_icons.insert(index, icon);
    m_indexToShape.insert(index, shape);
    m_shapeToIndex.insert(shape, index);
}

void CursorDatabase::clear()
{
    m_names.clear();
    m_icons.clear();
    m_indexToShape.clear();
    m_shapeToIndex.clear();
}

QStringList CursorDatabase::shapeNames() const
{
    return m_names;
}

QMap<int, QIcon> CursorDatabase::shapeIcons() const
{
    return m_icons;
}

int CursorDatabase::indexOfCursor(const QCursor &cursor) const
{
    return m_shapeToIndex.value(cursor.shape(), -1);
}

QString CursorDatabase::nameOfCursor(const QCursor &cursor) const
{
    return m_names.value(indexOfCursor(cursor));
}

QIcon CursorDatabase::iconOfCursor(const QCursor &cursor) const
{
    return m_icons.value(indexOfCursor(cursor));
}

QCursor CursorDatabase::cursorAt(int index) const
{
    const auto it = m_indexToShape.constFind(index);
    return it == m_indexToShape.cend() ? QCursor() : QCursor(*it);
}
