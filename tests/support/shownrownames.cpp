#include "shownrownames.h"

#include <QAbstractItemModel>

QStringList shownRowNames(const QAbstractItemModel& model, const QModelIndex& parent)
{
    QStringList names;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex index = model.index(row, 0, parent);
        names << index.data().toString() << shownRowNames(model, index);
    }
    return names;
}
