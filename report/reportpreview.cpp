#include "reportpreview.h"

#include "pagespool.h"

#include <QAction>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPaintEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// Space around and between pages, in pixels.
constexpr int Gap = 10;
constexpr int CachedPages = 6;
constexpr double ZoomStep = 1.25;
constexpr double MinZoom = 0.05;
constexpr double MaxZoom = 8.0;

} // namespace

PreviewPages::PreviewPages(PageSpool& spool, QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_spool(spool)
{
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(40);
    horizontalScrollBar()->setSingleStep(40);
    connect(&spool, &PageSpool::pageAdded, this, &PreviewPages::pagesAdded);
    pagesAdded(spool.count());
}

QSizeF PreviewPages::paperDots(int index) const
{
    return m_spool.layout(index).fullRectPixels(m_spool.resolution()).size();
}

// Device dots of the recorded pages to screen pixels.
double PreviewPages::pixelsPerDot() const
{
    const double screen = double(logicalDpiX()) / m_spool.resolution();
    if (m_mode == CustomZoom || m_largestPaper.isEmpty())
        return m_zoom * screen;
    const QSize area = viewport()->size() - QSize(2 * Gap, 2 * Gap);
    const double width = std::max(1, area.width()) / m_largestPaper.width();
    if (m_mode == FitToWidth)
        return width;
    return std::min(width, std::max(1, area.height()) / m_largestPaper.height());
}

double PreviewPages::zoomFactor() const
{
    return m_scale * m_spool.resolution() / logicalDpiX();
}

void PreviewPages::setZoomMode(ZoomMode mode)
{
    m_mode = mode;
    relayout();
}

void PreviewPages::zoomIn()
{
    m_zoom = std::min(MaxZoom, zoomFactor() * ZoomStep);
    setZoomMode(CustomZoom);
}

void PreviewPages::zoomOut()
{
    m_zoom = std::max(MinZoom, zoomFactor() / ZoomStep);
    setZoomMode(CustomZoom);
}

// Pages arrive while the report renders; the ones already laid out stay
// where they are unless a wider paper changes the scale.
void PreviewPages::pagesAdded(int count)
{
    if (count < pageCount()) {
        m_tops.clear();
        m_cache.clear();
        m_largestPaper = QSizeF();
    }
    const QSizeF largest = m_largestPaper;
    for (int index = pageCount(); index < count; ++index)
        m_largestPaper = m_largestPaper.expandedTo(paperDots(index));
    if (largest != m_largestPaper || m_tops.empty()) {
        m_tops.resize(size_t(count));
        relayout();
    } else {
        for (int index = pageCount(); index < count; ++index) {
            const qint64 top = m_tops.back() + qint64(std::ceil(paperDots(index - 1).height() * m_scale)) + Gap;
            m_tops.push_back(top);
        }
        updateScrollBars();
        viewport()->update();
    }
    emit pageCountChanged(count);
    if (m_lastCurrent == 0 && count > 0) {
        m_lastCurrent = 1;
        emit currentPageChanged(1);
    }
}

// Keeps the page at the top of the view there when the scale changes.
void PreviewPages::relayout()
{
    const int current = currentPage();
    const double before = m_scale;
    m_scale = pixelsPerDot();
    qint64 top = Gap;
    for (int index = 0; index < pageCount(); ++index) {
        m_tops[size_t(index)] = top;
        top += qint64(std::ceil(paperDots(index).height() * m_scale)) + Gap;
    }
    updateScrollBars();
    if (before != m_scale && current > 0)
        setCurrentPage(current);
    viewport()->update();
}

void PreviewPages::updateScrollBars()
{
    const QSize view = viewport()->size();
    const qint64 height = m_tops.empty() ? 0 : m_tops.back() + qint64(std::ceil(paperDots(pageCount() - 1).height() * m_scale)) + Gap;
    const int width = int(std::ceil(m_largestPaper.width() * m_scale)) + 2 * Gap;
    verticalScrollBar()->setRange(0, int(std::clamp<qint64>(height - view.height(), 0, INT_MAX)));
    verticalScrollBar()->setPageStep(view.height());
    horizontalScrollBar()->setRange(0, std::max(0, width - view.width()));
    horizontalScrollBar()->setPageStep(view.width());
}

int PreviewPages::currentPage() const
{
    if (m_tops.empty())
        return 0;
    const qint64 probe = verticalScrollBar()->value() + viewport()->height() / 3;
    const auto after = std::upper_bound(m_tops.begin(), m_tops.end(), probe);
    return int(std::max<ptrdiff_t>(1, after - m_tops.begin()));
}

void PreviewPages::setCurrentPage(int page)
{
    if (page < 1 || page > pageCount())
        return;
    verticalScrollBar()->setValue(int(std::min<qint64>(m_tops[size_t(page - 1)] - Gap, INT_MAX)));
    const int current = currentPage();
    if (current != m_lastCurrent) {
        m_lastCurrent = current;
        emit currentPageChanged(current);
    }
}

void PreviewPages::scrollContentsBy(int, int)
{
    viewport()->update();
    const int current = currentPage();
    if (current != m_lastCurrent) {
        m_lastCurrent = current;
        emit currentPageChanged(current);
    }
}

void PreviewPages::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    relayout();
}

const QPicture& PreviewPages::picture(int index)
{
    const auto cached = std::find_if(m_cache.begin(), m_cache.end(), [index](const auto& entry) { return entry.first == index; });
    if (cached != m_cache.end()) {
        m_cache.splice(m_cache.begin(), m_cache, cached);
        return m_cache.front().second;
    }
    ++m_reads;
    m_cache.emplace_front(index, m_spool.page(index));
    if (int(m_cache.size()) > CachedPages)
        m_cache.pop_back();
    return m_cache.front().second;
}

void PreviewPages::paintEvent(QPaintEvent*)
{
    if (m_tops.empty())
        return;
    QPainter painter(viewport());
    const qint64 top = verticalScrollBar()->value();
    const qint64 bottom = top + viewport()->height();
    const int left = horizontalScrollBar()->value();
    auto first = std::upper_bound(m_tops.begin(), m_tops.end(), top);
    int index = int(std::max<ptrdiff_t>(0, (first - m_tops.begin()) - 1));
    const int dpi = m_spool.resolution();
    for (; index < pageCount() && m_tops[size_t(index)] < bottom; ++index) {
        const QPageLayout layout = m_spool.layout(index);
        const QSizeF paper = paperDots(index) * m_scale;
        const double x = std::max(double(Gap), (viewport()->width() - paper.width()) / 2) - left;
        const QRectF sheet(QPointF(x, double(m_tops[size_t(index)] - top)), paper);
        painter.fillRect(sheet.translated(3, 3), palette().shadow());
        painter.fillRect(sheet, Qt::white);
        painter.save();
        painter.setClipRect(sheet);
        painter.translate(sheet.topLeft());
        painter.scale(m_scale, m_scale);
        painter.translate(layout.paintRectPixels(dpi).topLeft());
        // A page holds what its painter changed from a new painter's state,
        // not the viewport's (whose pen is light on the dark background).
        painter.setPen(QPen());
        painter.setBrush(QBrush());
        painter.setFont(QFont());
        painter.setBackground(Qt::white);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPicture(0, 0, picture(index));
        painter.restore();
    }
}

ReportPreview::ReportPreview(PageSpool& spool, QWidget* parent)
    : QDialog(parent, Qt::Window)
    , m_spool(spool)
    , m_pages(new PreviewPages(spool, this))
    , m_toolBar(new QToolBar(this))
    , m_pageNumber(new QLineEdit(this))
    , m_pageTotal(new QLabel(this))
    , m_progressRow(new QWidget(this))
    , m_progress(new QProgressBar(m_progressRow))
    , m_cancel(new QPushButton(tr("Cancel"), m_progressRow))
{
    setWindowTitle(tr("Print Preview"));
    const auto icon = [this](const char* theme, QStyle::StandardPixmap fallback) {
        return QIcon::fromTheme(QLatin1String(theme), style()->standardIcon(fallback));
    };
    m_fitWidth = m_toolBar->addAction(QIcon::fromTheme(QStringLiteral("zoom-fit-width")), tr("Fit width"),
                                      [this] {
                                          m_pages->setZoomMode(PreviewPages::FitToWidth);
                                          updatePageNumber();
                                      });
    m_fitPage = m_toolBar->addAction(QIcon::fromTheme(QStringLiteral("zoom-fit-best")), tr("Fit page"),
                                     [this] {
                                         m_pages->setZoomMode(PreviewPages::FitInView);
                                         updatePageNumber();
                                     });
    m_fitWidth->setCheckable(true);
    m_fitPage->setCheckable(true);
    QAction* zoomIn = m_toolBar->addAction(QIcon::fromTheme(QStringLiteral("zoom-in")), tr("Zoom in"), [this] {
        m_pages->zoomIn();
        updatePageNumber();
    });
    QAction* zoomOut = m_toolBar->addAction(QIcon::fromTheme(QStringLiteral("zoom-out")), tr("Zoom out"), [this] {
        m_pages->zoomOut();
        updatePageNumber();
    });
    zoomIn->setShortcut(QKeySequence::ZoomIn);
    zoomOut->setShortcut(QKeySequence::ZoomOut);
    m_toolBar->addSeparator();
    QAction* first = m_toolBar->addAction(icon("go-first", QStyle::SP_MediaSkipBackward), tr("First page"),
                                          [this] { m_pages->setCurrentPage(1); });
    QAction* previous = m_toolBar->addAction(icon("go-previous", QStyle::SP_ArrowBack), tr("Previous page"),
                                             [this] { m_pages->setCurrentPage(m_pages->currentPage() - 1); });
    m_pageNumber->setValidator(new QIntValidator(1, INT_MAX, m_pageNumber));
    m_pageNumber->setAlignment(Qt::AlignRight);
    m_pageNumber->setMaximumWidth(m_pageNumber->fontMetrics().horizontalAdvance(QStringLiteral("0000000")));
    m_toolBar->addWidget(m_pageNumber);
    m_toolBar->addWidget(m_pageTotal);
    QAction* next = m_toolBar->addAction(icon("go-next", QStyle::SP_ArrowForward), tr("Next page"),
                                         [this] { m_pages->setCurrentPage(m_pages->currentPage() + 1); });
    QAction* last = m_toolBar->addAction(icon("go-last", QStyle::SP_MediaSkipForward), tr("Last page"),
                                         [this] { m_pages->setCurrentPage(m_pages->pageCount()); });
    first->setShortcut(Qt::Key_Home);
    previous->setShortcut(Qt::Key_PageUp);
    next->setShortcut(Qt::Key_PageDown);
    last->setShortcut(Qt::Key_End);
    m_toolBar->addSeparator();
    m_print = m_toolBar->addAction(QIcon::fromTheme(QStringLiteral("document-print")), tr("Print"), this,
                                   &ReportPreview::printRequested);
    m_print->setShortcut(QKeySequence::Print);
    for (QAction* action : m_toolBar->actions())
        action->setShortcutContext(Qt::WindowShortcut);

    auto* progressLayout = new QHBoxLayout(m_progressRow);
    progressLayout->setContentsMargins(0, 0, 0, 0);
    progressLayout->addWidget(new QLabel(tr("Preparing the report..."), m_progressRow));
    progressLayout->addWidget(m_progress, 1);
    progressLayout->addWidget(m_cancel);
    m_progress->setRange(0, 1000);
    m_progressRow->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar);
    layout->addWidget(m_pages, 1);
    layout->addWidget(m_progressRow);

    connect(m_cancel, &QPushButton::clicked, this, &ReportPreview::cancelRequested);
    connect(m_pageNumber, &QLineEdit::editingFinished, this, &ReportPreview::goToTypedPage);
    connect(m_pages, &PreviewPages::currentPageChanged, this, &ReportPreview::updatePageNumber);
    connect(m_pages, &PreviewPages::pageCountChanged, this, &ReportPreview::updatePageNumber);
    updatePageNumber();
}

void ReportPreview::updatePageNumber()
{
    m_pageNumber->setText(QString::number(m_pages->currentPage()));
    m_pageTotal->setText(QStringLiteral(" / %1 ").arg(m_pages->pageCount()));
    m_fitWidth->setChecked(m_pages->zoomMode() == PreviewPages::FitToWidth);
    m_fitPage->setChecked(m_pages->zoomMode() == PreviewPages::FitInView);
}

void ReportPreview::goToTypedPage()
{
    m_pages->setCurrentPage(std::clamp(m_pageNumber->text().toInt(), 1, std::max(1, m_pages->pageCount())));
    updatePageNumber();
}

// While the report renders nothing is printed or saved from the pages
// recorded so far; navigating them goes on.
void ReportPreview::setRendering(bool rendering)
{
    m_rendering = rendering;
    m_progressRow->setVisible(rendering);
    m_progress->setValue(0);
    m_print->setEnabled(!rendering);
    for (QAction* action : m_toolBar->actions()) {
        if (action->objectName().startsWith(QLatin1String("actExpTo")))
            action->setEnabled(!rendering);
    }
}

void ReportPreview::setProgress(qint64 done, qint64 total)
{
    if (total > 0)
        m_progress->setValue(int(std::min<qint64>(1000, done * 1000 / total)));
}

// Closing the preview while it renders stops the rendering.
void ReportPreview::reject()
{
    if (m_rendering)
        emit cancelRequested();
    QDialog::reject();
}
