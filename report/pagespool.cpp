#include "pagespool.h"
#include "reportlogging.h"

#include <QDebug>
#include <QDir>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPrintEngine>

// Forwards every drawing call to a painter on the picture of the page under
// way; the state the report's painter holds goes along with it.
class SpoolEngine : public QPaintEngine, public QPrintEngine
{
public:
    SpoolEngine(PageSpool& spool, QPrinter::PrinterMode mode)
        : QPaintEngine(AllFeatures)
        , m_spool(spool)
        , m_paper(mode)
    {
        m_paper.setOutputFormat(QPrinter::PdfFormat);
    }

    // --- QPaintEngine ---
    bool begin(QPaintDevice*) override
    {
        m_spool.clear();
        m_spool.setResolution(m_paper.resolution());
        startPage();
        m_state = QPrinter::Active;
        return true;
    }
    bool end() override
    {
        finishPage();
        m_state = QPrinter::Idle;
        return true;
    }
    Type type() const override { return User; }
    void updateState(const QPaintEngineState& s) override { apply(s, s.state()); }
    void drawRects(const QRectF* rects, int count) override { m_recorder.drawRects(rects, count); }
    void drawRects(const QRect* rects, int count) override { m_recorder.drawRects(rects, count); }
    void drawLines(const QLineF* lines, int count) override { m_recorder.drawLines(lines, count); }
    void drawLines(const QLine* lines, int count) override { m_recorder.drawLines(lines, count); }
    void drawEllipse(const QRectF& r) override { m_recorder.drawEllipse(r); }
    void drawEllipse(const QRect& r) override { m_recorder.drawEllipse(r); }
    void drawPath(const QPainterPath& path) override { m_recorder.drawPath(path); }
    void drawPoints(const QPointF* points, int count) override { m_recorder.drawPoints(points, count); }
    void drawPoints(const QPoint* points, int count) override { m_recorder.drawPoints(points, count); }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override
    {
        if (mode == PolylineMode)
            m_recorder.drawPolyline(points, count);
        else
            m_recorder.drawPolygon(points, count, mode == OddEvenMode ? Qt::OddEvenFill : Qt::WindingFill);
    }
    void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override
    {
        if (mode == PolylineMode)
            m_recorder.drawPolyline(points, count);
        else
            m_recorder.drawPolygon(points, count, mode == OddEvenMode ? Qt::OddEvenFill : Qt::WindingFill);
    }
    void drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) override { m_recorder.drawPixmap(r, pm, sr); }
    void drawTextItem(const QPointF& p, const QTextItem& textItem) override { m_recorder.drawTextItem(p, textItem); }
    void drawTiledPixmap(const QRectF& r, const QPixmap& pixmap, const QPointF& s) override
    {
        m_recorder.drawTiledPixmap(r, pixmap, s);
    }
    void drawImage(const QRectF& r, const QImage& pm, const QRectF& sr, Qt::ImageConversionFlags flags) override
    {
        m_recorder.drawImage(r, pm, sr, flags);
    }

    // --- QPrintEngine: paper and resolution as a PDF printer's ---
    void setProperty(PrintEnginePropertyKey key, const QVariant& value) override
    {
        m_paper.printEngine()->setProperty(key, value);
    }
    QVariant property(PrintEnginePropertyKey key) const override { return m_paper.printEngine()->property(key); }
    bool newPage() override
    {
        if (m_state != QPrinter::Active)
            return false;
        finishPage();
        startPage();
        return true;
    }
    bool abort() override
    {
        end();
        m_state = QPrinter::Aborted;
        return true;
    }
    int metric(QPaintDevice::PaintDeviceMetric id) const override { return m_paper.printEngine()->metric(id); }
    QPrinter::PrinterState printerState() const override { return m_state; }

private:
    void startPage()
    {
        m_picture = QPicture();
        m_layout = m_paper.pageLayout();
        m_recorder.begin(&m_picture);
        if (!state)
            return;
        // A page begun while painting goes on with the painter's state.
        apply(*state, DirtyFlags(AllDirty) & ~DirtyFlags(DirtyClipRegion | DirtyClipPath | DirtyClipEnabled));
        if (QPainter* outer = painter(); outer && outer->hasClipping())
            m_recorder.setClipPath(outer->clipPath());
    }
    void finishPage()
    {
        if (!m_recorder.isActive())
            return;
        m_recorder.end();
        m_spool.append(m_picture, m_layout);
        m_picture = QPicture();
    }
    void apply(const QPaintEngineState& s, DirtyFlags flags)
    {
        if (flags & DirtyPen)
            m_recorder.setPen(s.pen());
        if (flags & DirtyBrush)
            m_recorder.setBrush(s.brush());
        if (flags & DirtyBrushOrigin)
            m_recorder.setBrushOrigin(s.brushOrigin());
        if (flags & DirtyFont)
            m_recorder.setFont(s.font());
        if (flags & DirtyBackground)
            m_recorder.setBackground(s.backgroundBrush());
        if (flags & DirtyBackgroundMode)
            m_recorder.setBackgroundMode(s.backgroundMode());
        if (flags & DirtyHints) {
            m_recorder.setRenderHints(m_recorder.renderHints(), false);
            m_recorder.setRenderHints(s.renderHints(), true);
        }
        if (flags & DirtyCompositionMode)
            m_recorder.setCompositionMode(s.compositionMode());
        if (flags & DirtyOpacity)
            m_recorder.setOpacity(s.opacity());
        // A clip is given in the coordinates of the transform that comes with it.
        if (flags & DirtyTransform)
            m_recorder.setTransform(s.transform());
        if (flags & DirtyClipRegion)
            m_recorder.setClipRegion(s.clipRegion(), s.clipOperation());
        if (flags & DirtyClipPath)
            m_recorder.setClipPath(s.clipPath(), s.clipOperation());
        if (flags & DirtyClipEnabled)
            m_recorder.setClipping(s.isClipEnabled());
    }

    PageSpool& m_spool;
    QPrinter m_paper;
    QPrinter::PrinterState m_state = QPrinter::Idle;
    QPicture m_picture;
    QPainter m_recorder;
    QPageLayout m_layout;
};

PageSpool::PageSpool(QObject* parent)
    : QObject(parent)
{
    m_file.setFileTemplate(QDir::tempPath() + QStringLiteral("/lumetra-preview-XXXXXX"));
}

PageSpool::~PageSpool() = default;

void PageSpool::clear()
{
    m_pages.clear();
    m_end = 0;
    m_failed = false;
    if (m_file.isOpen())
        m_file.resize(0);
}

// Compressed: a page is mostly the same fonts and pens over again.
void PageSpool::append(const QPicture& picture, const QPageLayout& layout)
{
    if (!m_file.isOpen() && !m_file.open())
        m_failed = true;
    const QByteArray bytes = qCompress(reinterpret_cast<const uchar*>(picture.data()), int(picture.size()), 1);
    if (!m_failed && (!m_file.seek(m_end) || m_file.write(bytes) != bytes.size())) {
        qCWarning(lcReport) << "Preview: a page could not be kept in" << m_file.fileName() << m_file.errorString();
        m_failed = true;
    }
    m_pages.push_back({m_end, int(bytes.size()), layout});
    m_end += bytes.size();
    emit pageAdded(count());
}

QPicture PageSpool::page(int index)
{
    QPicture picture;
    if (index < 0 || index >= count() || m_failed)
        return picture;
    const Page& page = m_pages.at(size_t(index));
    if (!m_file.seek(page.offset))
        return picture;
    const QByteArray bytes = qUncompress(m_file.read(page.size));
    if (!bytes.isEmpty())
        picture.setData(bytes.constData(), uint(bytes.size()));
    return picture;
}

SpoolPrinter::SpoolPrinter(PageSpool& spool, QPrinter::PrinterMode mode)
    : QPrinter(mode)
    , m_engine(std::make_unique<SpoolEngine>(spool, mode))
{
    setEngines(m_engine.get(), m_engine.get());
}

SpoolPrinter::~SpoolPrinter() = default;
