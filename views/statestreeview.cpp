#include "statestreeview.h"

#include <QAccessible>
#include <QApplication>
#include <QCommonStyle>
#include <QHash>
#include <QHeaderView>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QSet>
#include <QStyledItemDelegate>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

// The palette group a cell's text is drawn in, as the style picks it.
QPalette::ColorGroup textGroup(QStyle::State state)
{
    if (!(state & QStyle::State_Enabled))
        return QPalette::Disabled;
    return (state & QStyle::State_Active) ? QPalette::Normal : QPalette::Inactive;
}

} // namespace

// Paints the cells as Qt does and notes what each showed, read before it
// is painted: a unit may write the row meanwhile, and a cell noted older
// than it shows is only painted once more. A text that fits on one line is
// laid out once and kept: a live site repaints the same few voltage texts
// every second, and Qt lays each out twice per paint, which cost more than
// the rest of the cell. A plain cell of such a text is kept as painted,
// with the view's background under it, and copied where it shows again:
// its glyphs, style and layout code then run once per look, not every
// second.
class StatesTreeView::PaintedCells : public QStyledItemDelegate
{
public:
    PaintedCells(QTreeView* view)
        : QStyledItemDelegate(view)
        , m_treeView(view)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        // A cell painted in part keeps older pixels beside the new ones
        // (a scrolled strip): it counts as not painted.
        if (QRegion(option.rect & m_view).subtracted(m_region).isEmpty())
            m_cells.insert(index, {index.data(Qt::DisplayRole), index.data(Qt::BackgroundRole)});
        else
            m_cells.remove(index);
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        if (!paintWithKeptText(painter, opt, style, option))
            style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    }

    // Whether `index` shows what it showed when it was last painted.
    bool showsAsPainted(const QModelIndex& index) const
    {
        const auto painted = m_cells.constFind(index);
        return painted != m_cells.constEnd() && painted->text == index.data(Qt::DisplayRole)
            && painted->background == index.data(Qt::BackgroundRole);
    }

    // The column that holds the tree's branches, whose cells the view
    // paints otherwise.
    int treeColumn() const
    {
        const int position = m_treeView->treePosition();
        return position >= 0 ? position : m_treeView->header()->logicalIndex(0);
    }
    // The indexes of the model may stand for other cells from now on.
    void forget() { m_cells.clear(); }
    // How many plain cells were copied rather than painted (for tests).
    int copiedCells() const { return m_copied; }
    // A paint of `region` of the view's `viewport`.
    void beginPaint(const QRegion& region, const QRect& viewport)
    {
        m_region = region;
        m_view = viewport;
    }

private:
    bool paintWithKeptText(QPainter* painter, QStyleOptionViewItem& opt, const QStyle* style,
                           const QStyleOptionViewItem& rowOption) const;
    // Draws the style's cell without its text, and `layout` in `textRect`.
    static void drawCell(QPainter* painter, const QStyleOptionViewItem& opt, const QStyle* style, const QTextLayout& layout,
                         const QRect& textRect, const QRectF& bounds);
    struct CellKey;
    // Whether the cell of `text` is plain (see there), with `key` then made.
    bool plainCell(QPainter* painter, const QStyleOptionViewItem& opt, const QStyle* style,
                   const QStyleOptionViewItem& rowOption, const QString& text, CellKey& key) const;
    // The image of the plain cell `key`, made as the view paints it if the
    // cell was seen before; null the first time.
    const QImage* keptCell(const CellKey& key, const QStyleOptionViewItem& opt, const QStyle* style,
                           const QStyleOptionViewItem& rowOption, const QTextLayout& layout, const QRect& textRect,
                           const QRectF& bounds) const;
    // Copies the kept image of a cell over it.
    void copyCell(QPainter* painter, const QStyleOptionViewItem& opt, const QImage& cell) const;

    struct Shown
    {
        QVariant text;
        QVariant background;
    };
    mutable QHash<QModelIndex, Shown> m_cells;
    // The kept layouts, of texts in the font they were laid out in.
    struct LayoutKey
    {
        QString text;
        int width;
        int alignment;
        bool operator==(const LayoutKey& other) const
        {
            return width == other.width && alignment == other.alignment && text == other.text;
        }
    };
    friend uint qHash(const LayoutKey& key, uint seed)
    {
        return qHash(key.text, seed) ^ uint(key.width * 31 + key.alignment);
    }
    mutable QHash<LayoutKey, std::shared_ptr<QTextLayout>> m_layouts;
    mutable QFont m_layoutFont;
    // What decides a plain cell's pixels besides the font (see keptCell).
    struct CellKey
    {
        QString text;
        QSize size;
        qreal pixelRatio;
        int format;
        int state;
        int features;
        int alignment;
        int position;
        QRgb textColor;
        QRgb background;
        QRgb rowBackground;
        QRgb base;
        const QStyle* style;
        bool operator==(const CellKey& other) const
        {
            return size == other.size && pixelRatio == other.pixelRatio && format == other.format
                && state == other.state && features == other.features && alignment == other.alignment
                && position == other.position && textColor == other.textColor && background == other.background
                && rowBackground == other.rowBackground && base == other.base && style == other.style
                && text == other.text;
        }
    };
    friend uint qHash(const CellKey& key, uint seed)
    {
        return qHash(key.text, seed) ^ uint(key.size.width() * 31 + key.size.height()) ^ key.background
            ^ uint(key.state * 7 + key.features);
    }
    // The kept cells, and apart from them the looks seen once: a text
    // shown once, as a duration is, is not worth keeping, and the many
    // such looks of a wide view must not push the kept cells out.
    mutable QHash<CellKey, QImage> m_cellImages;
    mutable QSet<CellKey> m_seenOnce;
    mutable qint64 m_cellBytes = 0;
    mutable int m_copied = 0;
    const QTreeView* m_treeView;
    QRegion m_region;
    QRect m_view;
};

bool StatesTreeView::PaintedCells::paintWithKeptText(QPainter* painter, QStyleOptionViewItem& opt,
                                                     const QStyle* style, const QStyleOptionViewItem& rowOption) const
{
    // Anything that moves or covers the text, or decides its place
    // otherwise (where the decoration is not shown selected, the text's own
    // size), goes Qt's way.
    if (opt.text.isEmpty() || !opt.showDecorationSelected
        || (opt.state & (QStyle::State_HasFocus | QStyle::State_Editing))
        || (opt.features & QStyleOptionViewItem::WrapText) || opt.direction != Qt::LeftToRight
        || !qobject_cast<const QCommonStyle*>(style) || style->inherits("QStyleSheetStyle"))
        return false;
    if (!(opt.font == m_layoutFont)) {
        m_layouts.clear();
        m_cellImages.clear();
        m_seenOnce.clear();
        m_cellBytes = 0;
        m_layoutFont = opt.font;
    }
    // The style paints the rest of the cell, its text rect the same without
    // the text.
    const QString text = std::exchange(opt.text, QString());
    // A kept cell is of a text that fitted this cell's size and look: its
    // text's place need not be found again.
    CellKey cellKey;
    const bool plain = plainCell(painter, opt, style, rowOption, text, cellKey);
    if (plain) {
        const auto kept = m_cellImages.constFind(cellKey);
        if (kept != m_cellImages.constEnd()) {
            copyCell(painter, opt, *kept);
            return true;
        }
    }
    const QWidget* widget = opt.widget;
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect textRect =
        style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget).adjusted(margin, 0, -margin, 0);
    const Qt::Alignment horizontal = QStyle::visualAlignment(opt.direction, opt.displayAlignment);
    const LayoutKey key{text, textRect.width(), int(horizontal)};
    auto found = m_layouts.constFind(key);
    if (found == m_layouts.constEnd()) {
        auto layout = std::make_shared<QTextLayout>(text, opt.font);
        QTextOption textOption;
        textOption.setWrapMode(QTextOption::ManualWrap);
        textOption.setTextDirection(opt.direction);
        textOption.setAlignment(horizontal);
        layout->setTextOption(textOption);
        layout->setCacheEnabled(true);
        layout->beginLayout();
        QTextLine line = layout->createLine();
        line.setLineWidth(textRect.width());
        line.setPosition(QPointF(0, 0));
        // One line that fits: nothing to elide.
        const bool fits = line.naturalTextWidth() <= textRect.width() && !layout->createLine().isValid();
        layout->endLayout();
        if (!fits)
            layout.reset();
        // A bound for a site whose texts keep changing.
        if (m_layouts.size() >= 512)
            m_layouts.clear();
        found = m_layouts.insert(key, layout);
    }
    const std::shared_ptr<QTextLayout>& layout = *found;
    const QRectF bounds = layout ? layout->boundingRect() : QRectF();
    if (!layout || bounds.height() > textRect.height()) {
        opt.text = text;
        return false;
    }
    if (const QImage* cell = plain ? keptCell(cellKey, opt, style, rowOption, *layout, textRect, bounds) : nullptr)
        copyCell(painter, opt, *cell);
    else
        drawCell(painter, opt, style, *layout, textRect, bounds);
    return true;
}

void StatesTreeView::PaintedCells::copyCell(QPainter* painter, const QStyleOptionViewItem& opt, const QImage& cell) const
{
    // Opaque and the cell's size: copied over what the row put there.
    const QPainter::CompositionMode mode = painter->compositionMode();
    painter->setCompositionMode(QPainter::CompositionMode_Source);
    painter->drawImage(opt.rect.topLeft(), cell);
    painter->setCompositionMode(mode);
    ++m_copied;
}

void StatesTreeView::PaintedCells::drawCell(QPainter* painter, const QStyleOptionViewItem& opt, const QStyle* style,
                                            const QTextLayout& layout, const QRect& textRect, const QRectF& bounds)
{
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
    painter->save();
    const bool selected = opt.state & QStyle::State_Selected;
    painter->setPen(opt.palette.color(textGroup(opt.state), selected ? QPalette::HighlightedText : QPalette::Text));
    // Placed and drawn as the style places and draws its own layout.
    const QRect layoutRect = QStyle::alignedRect(Qt::LayoutDirectionAuto, opt.displayAlignment & Qt::AlignVertical_Mask,
                                                 bounds.size().toSize(), textRect);
    layout.draw(painter, QPointF(textRect.x(), layoutRect.top()));
    painter->restore();
}

// A plain cell: past the tree's column, not selected, hovered or focused,
// without icon or check box, on a solid background (its own or the row's
// over the view's), painted by the raster engine into an image without
// rotation or scaling. Its pixels are then the background the view filled,
// the row's panel and the cell as the style and the kept layout paint them,
// which the image holds as painted once into the painter's own format.
bool StatesTreeView::PaintedCells::plainCell(QPainter* painter, const QStyleOptionViewItem& opt, const QStyle* style,
                                             const QStyleOptionViewItem& rowOption, const QString& text,
                                             CellKey& key) const
{
    const QWidget* viewport = m_treeView->viewport();
    // A widget's painter paints into its window's backing store.
    QPaintEngine* engine = painter->paintEngine();
    QPaintDevice* device = engine ? engine->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image || engine->type() != QPaintEngine::Raster)
        return false;
    const auto* image = static_cast<const QImage*>(device);
    // Whole device pixels per pixel of the view: a copy lands as painted.
    const qreal ratio = image->devicePixelRatioF();
    const QTransform& transform = painter->deviceTransform();
    if (ratio != std::floor(ratio) || transform.type() > QTransform::TxScale || transform.m11() != ratio
        || transform.m22() != ratio || transform.dx() != std::floor(transform.dx())
        || transform.dy() != std::floor(transform.dy()) || opt.rect.isEmpty()
        || painter->compositionMode() != QPainter::CompositionMode_SourceOver || painter->opacity() < 1.0
        || opt.index.column() == treeColumn() || !viewport->autoFillBackground()
        || (opt.state & (QStyle::State_Selected | QStyle::State_MouseOver | QStyle::State_HasFocus))
        || (opt.features & (QStyleOptionViewItem::HasDecoration | QStyleOptionViewItem::HasCheckIndicator))
        || (opt.backgroundBrush.style() != Qt::NoBrush && opt.backgroundBrush.style() != Qt::SolidPattern))
        return false;
    const QBrush base = viewport->palette().brush(viewport->backgroundRole());
    if (base.style() != Qt::SolidPattern || !base.isOpaque())
        return false;
    const QBrush alternate = rowOption.palette.brush(QPalette::AlternateBase);
    if ((rowOption.features & QStyleOptionViewItem::Alternate) && alternate.style() != Qt::SolidPattern)
        return false;
    key = {text,
           opt.rect.size(),
           ratio,
           int(image->format()),
           int(opt.state),
           int(opt.features),
           int(opt.displayAlignment),
           int(opt.viewItemPosition),
           opt.palette.color(textGroup(opt.state), QPalette::Text).rgba(),
           opt.backgroundBrush.style() == Qt::NoBrush ? 0 : opt.backgroundBrush.color().rgba(),
           (rowOption.features & QStyleOptionViewItem::Alternate) ? alternate.color().rgba() : 0,
           base.color().rgba(),
           style};
    return true;
}

const QImage* StatesTreeView::PaintedCells::keptCell(const CellKey& key, const QStyleOptionViewItem& opt,
                                                     const QStyle* style, const QStyleOptionViewItem& rowOption,
                                                     const QTextLayout& layout, const QRect& textRect,
                                                     const QRectF& bounds) const
{
    // Bounds for a site whose texts keep changing. The caller found no
    // kept image of `key`.
    constexpr qint64 MaxBytes = 4 * 1024 * 1024;
    constexpr int MaxCells = 2048;
    constexpr int MaxSeenOnce = 2048;
    if (!m_seenOnce.remove(key)) {
        if (m_seenOnce.size() >= MaxSeenOnce)
            m_seenOnce.clear();
        m_seenOnce.insert(key);
        return nullptr;
    }
    if (m_cellImages.size() >= MaxCells || m_cellBytes > MaxBytes) {
        m_cellImages.clear();
        m_cellBytes = 0;
    }
    QImage cell((QSizeF(opt.rect.size()) * key.pixelRatio).toSize(), QImage::Format(key.format));
    cell.setDevicePixelRatio(key.pixelRatio);
    cell.fill(QColor::fromRgba(key.base));
    {
        QPainter cellPainter(&cell);
        cellPainter.translate(-opt.rect.topLeft());
        // What the view paints under a cell past its tree column.
        QStyleOptionViewItem row = rowOption;
        row.state &= ~QStyle::State_MouseOver;
        style->drawPrimitive(QStyle::PE_PanelItemViewRow, &row, &cellPainter, opt.widget);
        drawCell(&cellPainter, opt, style, layout, textRect, bounds);
    }
    m_cellBytes += cell.sizeInBytes();
    return &*m_cellImages.insert(key, std::move(cell));
}

StatesTreeView::StatesTreeView(QWidget* parent)
    : QTreeView(parent)
    , m_painted(new PaintedCells(this))
{
    setItemDelegate(m_painted);
}

StatesTreeView::~StatesTreeView() = default;

int StatesTreeView::copiedCells() const
{
    return m_painted->copiedCells();
}

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
