#pragma once

#include <QTreeView>

// The tree of a state view. Qt repaints the whole viewport for any change
// of more than one cell; the site models announce each second's changes of
// many rows at once, most of them out of view, each row over the columns
// from the first to the last that changed. This view repaints, of the
// cells in view that a change covers, those that show another text or
// background than when they were last painted: past the first column its
// models vary nothing else of a cell.
class StatesTreeView : public QTreeView
{
    Q_OBJECT
public:
    explicit StatesTreeView(QWidget* parent = nullptr);
    ~StatesTreeView() override;

    void setModel(QAbstractItemModel* model) override;
    // How many plain cells were copied as kept rather than painted anew.
    int copiedCells() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QVector<int>& roles = QVector<int>()) override;

private:
    class PaintedCells;
    // Repaints the cells of rows `topLeft` to `bottomRight` in view that
    // show something else; false where the rows do not lie one under the
    // other in the view.
    bool updateChangedCells(const QModelIndex& topLeft, const QModelIndex& bottomRight);

    PaintedCells* m_painted;
    QList<QMetaObject::Connection> m_modelConnections;
};
