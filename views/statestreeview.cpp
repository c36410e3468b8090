#include "statestreeview.h"

#include <QHeaderView>

#include <algorithm>

void StatesTreeView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                 const QVector<int>& roles)
{
    // Qt's own way where a row's height, an editor or the tree's branches
    // may follow the change.
    if (topLeft == bottomRight || !topLeft.isValid() || topLeft.parent() != bottomRight.parent()
        || topLeft.column() == 0 || !uniformRowHeights() || state() == EditingState
        || roles.contains(Qt::SizeHintRole)) {
        QTreeView::dataChanged(topLeft, bottomRight, roles);
        return;
    }
    // One cell the way Qt takes it; then the rows of the range, across its
    // columns wherever the header shows them.
    QTreeView::dataChanged(topLeft, topLeft, roles);
    const QRect first = visualRect(topLeft.siblingAtColumn(0));
    const QRect last = visualRect(bottomRight.siblingAtColumn(0));
    if (!first.isValid() || !last.isValid()) {
        viewport()->update();
        return;
    }
    int left = viewport()->width();
    int right = 0;
    for (int column = topLeft.column(); column <= bottomRight.column(); ++column) {
        if (header()->isSectionHidden(column))
            continue;
        const int x = columnViewportPosition(column);
        left = std::min(left, x);
        right = std::max(right, x + columnWidth(column));
    }
    if (left < right)
        viewport()->update(QRect(left, first.top(), right - left, last.bottom() - first.top() + 1));
}
