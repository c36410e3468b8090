#pragma once

#include <QCursor>
#include <QIcon>
#include <QMap>
#include <QStringList>

// The fixed table of mouse-cursor shapes that cursor rows offer: a display
// name and an icon per shape. A shape's index (its place in the table) is
// what combo boxes and enum values use; from index 7 on it differs from the
// shape's own value.
class CursorDatabase
{
public:
    static constexpr int ShapeCount = 19;

    CursorDatabase();

    // The process-wide table, built on first use; null once the process has
    // started to tear it down at exit.
    static CursorDatabase *instance();

    void addShape(Qt::CursorShape shape, const QString &name, const QIcon &icon);
    void clear();

    QStringList shapeNames() const;
    QMap<int, QIcon> shapeIcons() const;

    int indexOfCursor(const QCursor &cursor) const;
    QString nameOfCursor(const QCursor &cursor) const;
    QIcon iconOfCursor(const QCursor &cursor) const;
    QCursor cursorAt(int index) const;

private:
    QStringList m_names;
    QMap<int, QIcon> m_icons;
    QMap<int, Qt::CursorShape> m_indexToShape;
    QMap<Qt::CursorShape, int> m_shapeToIndex;
};
