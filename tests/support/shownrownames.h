#pragma once

#include <QModelIndex>
#include <QStringList>

class QAbstractItemModel;

// The column-0 texts of every row a model shows below `parent`, depth first:
// what a view over the model lists, expanded.
QStringList shownRowNames(const QAbstractItemModel& model, const QModelIndex& parent = QModelIndex());
