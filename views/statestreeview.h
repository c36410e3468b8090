#pragma once

#include <QTreeView>

// The tree of a state view. Qt repaints the whole viewport for any change
// of more than one cell; the site models announce each second's changes of
// many rows at once, most of them out of view or in columns out of view.
// This view repaints only the rectangle the changed cells cover: what is in
// view of it is all that is painted again.
class StatesTreeView : public QTreeView
{
    Q_OBJECT
public:
    using QTreeView::QTreeView;

protected:
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QVector<int>& roles = QVector<int>()) override;
};
