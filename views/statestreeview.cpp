#include "statestreeview.h"

#include <QAccessible>
#include <QHash>
#include <QHeaderView>
#include <QPaintEvent>
#include <QStyledItemDelegate>

#include <algorithm>

// Paints the cells as Qt does and notes what each showed, read before it
// is painted: a unit may write the row meanwhile, and a cell noted older
// than it shows is only painted once more.
class StatesTreeView::PaintedCells : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        // A cell painted in part keeps older pixels beside the new ones
        // (a scrolled strip): it counts as not painted.
        if (QRegion(option.rect & m_view).subtracted(m_region).isEmpty())
            m_cells.insert(index, {index.data(Qt::DisplayRole), index.data(Qt::BackgroundRole)});
        else
            m_cells.remove(index);
        QStyledItemDelegate::paint(painter, option, index);
    }

    // Whether `index` shows what it showed when it was last painted.
    bool showsAsPainted(const QModelIndex& index) const
    {
        const auto painted = m_cells.constFind(index);
        return painted != m_cells.constEnd() && painted->text == index.data(Qt::DisplayRole)
            && painted->background == index.data(Qt::BackgroundRole);
    }

    // The indexes of the model may stand for other cells from now on.
    void forget() { m_cells.clear(); }
    // A paint of `region` of the view's `viewport`.
    void beginPaint(const QRegion& region, const QRect& viewport)
    {
        m_region = region;
        m_view = viewport;
    }

private:
    struct Shown
    {
        QVariant text;
        QVariant background;
    };
    mutable QHash<QModelIndex, Shown> m_cells;
    QRegion m_region;
    QRect m_view;
};

StatesTreeView::StatesTreeView(QWidget* parent)
    : QTreeView(parent)
    , m_painted(new PaintedCells(this))
{
    setItemDelegate(m_painted);
}

StatesTreeView::~StatesTreeView() = default;

void StatesTreeView::setModel(QAbstractItemModel* model)
{
    for (const QMetaObject::Connection& connection : qAsConst(m_modelConnections))
        disconnect(connection);
    m_modelConnections.clear();
    m_painted->forget();
    QTreeView::setModel(model);
    if (!model)
        return;
    const auto forget = [this] { m_painted->forget(); };
    m_modelConnections = {connect(model, &QAbstractItemModel::modelReset, this, forget),
                          connect(model, &QAbstractItemModel::layoutChanged, this, forget),
                          connect(model, &QAbstractItemModel::rowsInserted, this, forget),
                          connect(model, &QAbstractItemModel::rowsRemoved, this, forget),
                          connect(model, &QAbstractItemModel::rowsMoved, this, forget),
                          connect(model, &QAbstractItemModel::columnsInserted, this, forget),
                          connect(model, &QAbstractItemModel::columnsRemoved, this, forget),
                          connect(model, &QAbstractItemModel::columnsMoved, this, forget)};
}

void StatesTreeView::paintEvent(QPaintEvent* event)
{
    m_painted->beginPaint(event->region(), viewport()->rect());
    QTreeView::paintEvent(event);
}

void StatesTreeView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                 const QVector<int>& roles)
{
    // Qt's own way where a row's height, an editor, the tree's branches, an
    // icon or an assistive tool may follow the change.
    if (!topLeft.isValid() || topLeft.parent() != bottomRight.parent() || topLeft.column() == 0
        || !uniformRowHeights() || state() == EditingState || roles.contains(Qt::SizeHintRole)
        || QAccessible::isActive()) {
        QTreeView::dataChanged(topLeft, bottomRight, roles);
        return;
    }
    if (!updateChangedCells(topLeft, bottomRight))
        viewport()->update();
}

bool StatesTreeView::updateChangedCells(const QModelIndex& topLeft, const QModelIndex& bottomRight)
{
    const QRect first = visualRect(topLeft.siblingAtColumn(0));
    const QRect last = visualRect(bottomRight.siblingAtColumn(0));
    const int height = first.height();
    const int rows = bottomRight.row() - topLeft.row();
    if (!first.isValid() || !last.isValid() || height < 1 || last.top() != first.top() + rows * height)
        return false;
    const int viewWidth = viewport()->width();
    const int viewHeight = viewport()->height();
    if (first.top() >= viewHeight || last.bottom() < 0)
        return true;
    const int firstInView = first.top() >= 0 ? 0 : -first.top() / height;
    const int lastInView = std::min(rows, (viewHeight - 1 - first.top()) / height);
    const QModelIndex parent = topLeft.parent();
    for (int column = topLeft.column(); column <= bottomRight.column(); ++column) {
        const int x = columnViewportPosition(column);
        const int width = columnWidth(column);
        if (header()->isSectionHidden(column) || x + width <= 0 || x >= viewWidth)
            continue;
        for (int offset = firstInView; offset <= lastInView; ++offset) {
            if (!m_painted->showsAsPainted(model()->index(topLeft.row() + offset, column, parent)))
                viewport()->update(QRect(x, first.top() + offset * height, width, height));
        }
    }
    return true;
}
