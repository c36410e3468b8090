// Page setup and field painting.
#include "reportengine.h"
#include "reportlogging.h"

#include "chart.h"
#include "fieldgraphics.h"
#include "reportbandobject.h"
#include "reportcrosstabobject.h"
#include "reportfieldobject.h"
#include "reportpageobject.h"
#include "reportsql.h"

#include <QBuffer>
#include <QDebug>
#include <QPainter>
#include <QPixmap>
#include <QTextLayout>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QString kUnclaimedChart = QStringLiteral("nullptr");
constexpr int HighResolutionPenFactor = 5;
// The page frame sits this many device pixels inside the paper's top-left
// edges and FrameInsetTotal less in size.
constexpr int FrameInset = 92;
constexpr int FrameInsetTotal = 192;

// White, and a colour the template left out, paint nothing.
bool paints(const QColor& color)
{
    return color.isValid() && color.rgba() != 0xffffffffu;
}

// Lays a label's text out in `box` as QPainter::drawText does with `flags`;
// the result is the lines' vertical offset in the box.
qreal layoutLabel(QTextLayout& layout, int flags, const QRect& box)
{
    QTextOption option;
    option.setWrapMode(flags & Qt::TextWordWrap ? QTextOption::WordWrap : QTextOption::ManualWrap);
    if (flags & Qt::AlignJustify)
        option.setAlignment(Qt::AlignJustify);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    const qreal leading = QFontMetricsF(layout.font()).leading();
    const qreal width = flags & Qt::TextWordWrap ? qMax(0, box.width()) : 1e6;
    qreal height = -leading;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        height = std::ceil(height + leading);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    if (flags & Qt::AlignBottom)
        return box.height() - height;
    if (flags & Qt::AlignVCenter)
        return (box.height() - height) / 2;
    return 0;
}

QString layoutText(QString text)
{
    return text.replace(QLatin1Char('\n'), QChar::LineSeparator);
}

} // namespace

// A page without a usable size would divide by zero below: it prints as A4.
void ReportEngine::setPageSettings(QPrinter* printer, int reportPage)
{
    ReportPageObject* page = pageList.value(reportPage);
    if (!page)
        return;
    ph = page->pageHeight;
    pw = page->pageWidth;
    ml = page->marginsLeft;
    mr = page->marginsRight;
    mt = page->marginsTop;
    mb = page->marginsBottom;
    if (ph <= 0 || pw <= 0 || ml < 0 || mr < 0 || mt < 0 || mb < 0 || ph - mt - mb <= 0 || pw - ml - mr <= 0) {
        if (!m_warnedPages.contains(reportPage))
            qCWarning(lcReport) << "Report page" << reportPage << "has no usable size or margins; printed as A4";
        m_warnedPages.insert(reportPage);
        ph = ReportPageObject::DefaultHeight;
        pw = ReportPageObject::DefaultWidth;
        ml = mr = mt = mb = ReportPageObject::DefaultMargin;
    }
    const bool landscape = page->orientation == 1;
    if (printer->printerState() != QPrinter::Active) {
        const QSizeF paper = landscape ? QSizeF(ph / 4, pw / 4) : QSizeF(pw / 4, ph / 4);
        // Exactly the template's size: a size near a standard one is not that one.
        printer->setPageSize(QPageSize(paper, QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
        printer->setPageOrientation(QPageLayout::Portrait);
    }
    printer->setPageMargins(QMarginsF(ml / 4 + 0.01, mt / 4 + 0.01, mr / 4 + 0.01, mb / 4 + 0.01),
                            QPageLayout::Millimeter);
    const QRectF pageRect = printer->pageRect(QPrinter::DevicePixel);
    // Every landscape page turns the painter, not only the first after a portrait one.
    if (page->orientation != lastOrientation || landscape) {
        lastOrientation = page->orientation;
        if (painter && painter->isActive()) {
            painter->resetTransform();
            if (landscape) {
                painter->rotate(90);
                painter->translate(0, -painter->viewport().width());
            }
        }
    }
    const double h = pageRect.height();
    const double w = pageRect.width();
    koefResV = float((landscape ? w : h) / (ph - mt - mb));
    koefResH = float((landscape ? h : w) / (pw - ml - mr));
    boundScale(reportPage);
}

void ReportEngine::boundScale(int reportPage)
{
    const auto bounded = [](float dots) { return std::clamp(dots, MinDotsPerUnit, MaxDotsPerUnit); };
    if (bounded(koefResV) == koefResV && bounded(koefResH) == koefResH)
        return;
    if (!m_warnedPages.contains(reportPage))
        qCWarning(lcReport) << "Report page" << reportPage << "has" << koefResH << "by" << koefResV
                            << "device pixels a unit on its paper; printed at" << bounded(koefResH) << "by"
                            << bounded(koefResV);
    m_warnedPages.insert(reportPage);
    koefResV = bounded(koefResV);
    koefResH = bounded(koefResH);
}

// Drawn at the start of every printed page, with the paper's own axes
// whatever the page's orientation turned the painter to.
void ReportEngine::drawPageBorder()
{
    ReportPageObject* page = currentPage();
    if (!page || !page->border || !m_renderPrinter)
        return;
    painter->save();
    painter->resetTransform();
    painter->setPen(QPen(page->borderColor, page->borderWidth * HighResolutionPenFactor, getPenStyle(page->borderStyle)));
    painter->setBrush(Qt::NoBrush);
    const QRectF pageRect = m_renderPrinter->pageRect(QPrinter::DevicePixel);
    const QRectF paper = m_renderPrinter->paperRect(QPrinter::DevicePixel);
    painter->drawRect(QRectF(FrameInset - pageRect.left(), FrameInset - pageRect.top(),
                             paper.width() - FrameInsetTotal, paper.height() - FrameInsetTotal));
    painter->restore();
}

void ReportEngine::drawBackground(bool draw)
{
    if (!draw || !painter || !painter->isActive())
        return;
    drawPageBorder();
    painter->setBackgroundMode(Qt::TransparentMode);
    if (!backgroundImage)
        return;
    painter->setOpacity(backgroundOpacity);
    painter->drawPixmap(QRect(int(-(ml * koefResH)), int(-(mt * koefResV)), int(pw * koefResH), int(ph * koefResV)),
                        *backgroundImage);
    painter->setOpacity(1.0);
}

// In the counting pass; a source opened again replaces the former one and
// its connection, so repaints of the preview gather no connections. Its
// rows are counted and read with the window answering, until the
// rendering is to stop.
void ReportEngine::openDataSource(int reportPage)
{
    dataSources.openDataSource(reportPage, pageElement(reportPage), recordsCount, [this] {
        letEventsThrough();
        return !stopWanted();
    });
}

// Before any page is laid out, so that the progress counts from the start
// the records every page lays out, those of an SQL source too. A count ran
// its query through, and reading the records runs it again: the source
// lets go of its temporary files meanwhile.
void ReportEngine::openDataSources()
{
    for (int i = 0; i < pageList.size() && !stopWanted(); ++i) {
        openDataSource(i);
        dataSources.release(i);
    }
    m_recordsTotal = 0;
    for (int i = 0; i < pageList.size(); ++i)
        m_recordsTotal += 2 * qMax(0, recordsCount.value(i));
}

// A source that gives no records for a reason the operator must know
// prints it in their place.
void ReportEngine::processSourceStop(int& y, bool draw, int i)
{
    ReportSql* source = dataSources.source(i);
    const QString reason = source ? source->noRecordsReason() : QString();
    if (reason.isEmpty())
        return;
    if (draw && isPageInRange(true, curPage)) {
        if (painter->isActive()) {
            painter->save();
            QFont font;
            font.setPointSize(ReportFieldObject::DefaultPointSize);
            painter->setFont(font);
            painter->setPen(Qt::black);
            painter->drawText(QRect(0, int(y * koefResV), int((pw - ml - mr) * koefResH), int(NoticeHeight * koefResV)),
                              Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, reason);
            painter->restore();
        }
        // Placed as the page's fields are, in the notice's room.
        if (printMode == HtmlOutput)
            htmlText += QStringLiteral("<div style='font-size:%1px;position: absolute; left: 0;top: %2;width: %3;height: %4;'>")
                            .arg(ReportFieldObject::DefaultPointSize + ReportFieldObject::HtmlFontSizeExtra)
                            .arg(y)
                            .arg(pw - ml - mr)
                            .arg(NoticeHeight)
                        + reason.toHtmlEscaped() + QStringLiteral("</div>\n");
    }
    y += NoticeHeight;
}

void ReportEngine::setDataSource(int page, QString name, QString dbType, QString dbName, QString dbHost,
                                 QString dbUser, QString dbPassword, int dbPort, QString dbConnectionName,
                                 QString sqlQuery, QString dbCoding, QString charsetCoding)
{
    DataSourceParam param(name, dbType, dbName, dbHost, dbUser, dbPassword, dbPort, dbConnectionName, sqlQuery,
                          dbCoding, charsetCoding);
    param.active = true;
    dataSources.setDataSource(page, param);
}

QImage ReportEngine::getDbImage(QString value)
{
    ReportSql* source = dataSources.source(reportPageNo);
    return source ? source->getReferenceImage(value, recNo) : QImage();
}

QPen ReportEngine::getPen(ReportFieldObject* field) const
{
    QPen pen = painter && painter->isActive() ? painter->pen() : QPen();
    pen.setWidth(field->borderWidth * (printerMode == QPrinter::ScreenResolution ? 1 : HighResolutionPenFactor));
    pen.setStyle(getPenStyle(field->borderStyle));
    return pen;
}

void ReportEngine::setPainterFont(ReportFieldObject* field)
{
    if (!painter || !painter->isActive())
        return;
    painter->setFont(field->font);
    painter->setPen(Qt::black);
}

void ReportEngine::drawFields(ReportFieldObject* field, int offsetY, bool draw)
{
    field->recNo = recNo;
    field->reportPage = reportPageNo;
    if (draw)
        field->updateHighlightingParam();
    if (!field->isCrossTabCell())
        emit setField(*field);

    const QRect box = fieldBox(field, offsetY);
    const int l = box.left();
    const int w = box.width();
    const int t = box.top();
    const int h = box.height();
    field->setPageTop(int(t / koefResV));

    if (!draw && field->fieldType != textRich && field->fieldType != label)
        return;
    const QPen pen = getPen(field);
    const bool active = painter && painter->isActive();
    const int type = field->fieldType;
    if (draw && active && type != image && type != barcode && type != crossTab && !shapeFieldTypes().contains(type))
        drawFrame(field, pen, l, t, w, h);

    switch (type) {
    case reactangle:
    case roundedReactangle:
    case circle:
    case triangle:
    case rhombus:
        if (active)
            drawShape(field, pen, l, t, w, h);
        break;
    case labelImage:
    case DatabaseImage:
    case image:
        drawImages(field, l, t, w, h);
        break;
    case QtChart:
        drawQtChart(field, l, t, w, h);
        break;
    case diagram:
        drawDiagram(field, l, t, w, h);
        break;
    case crossTab:
        drawCrossTab(field, offsetY, true);
        break;
    case textRich:
        drawRichText(field, l, t, w, h, draw);
        break;
    case label:
        drawLabel(field, l, t, w, h, draw);
        break;
    default:
        // Barcodes paint nothing.
        break;
    }
}

void ReportEngine::drawFrame(ReportFieldObject* field, const QPen& pen, int l, int t, int w, int h)
{
    if (paints(field->backgroundColor))
        painter->fillRect(QRect(l + 1, t + 1, w - 2, h - 2), field->backgroundColor);
    const struct
    {
        QColor color;
        QLine line;
    } sides[] = {
        {field->borderTop, QLine(l, t, l + w, t)},
        {field->borderBottom, QLine(l, t + h, l + w, t + h)},
        {field->borderLeft, QLine(l, t, l, t + h)},
        {field->borderRight, QLine(l + w, t, l + w, t + h)},
    };
    for (const auto& side : sides) {
        if (!paints(side.color))
            continue;
        QPen sidePen = pen;
        sidePen.setColor(side.color);
        painter->setPen(sidePen);
        painter->drawLine(side.line);
    }
}

void ReportEngine::drawShape(ReportFieldObject* field, const QPen& pen, int l, int t, int w, int h)
{
    QPen outline = pen;
    outline.setColor(field->borderColor);
    // White paints nothing, as for the other fields.
    const QColor fill = paints(field->backgroundColor) ? field->backgroundColor : QColor();
    FieldGraphics::paintShape(painter, FieldGraphics::ShapeKind(field->fieldType), QRect(l, t, w, h), fill, outline);
}

void ReportEngine::drawImages(ReportFieldObject* field, int l, int t, int w, int h)
{
    const QRect box(l, t, w, h);
    if (field->fieldType == image) {
        const bool stretched = field->ignoreAspectRatio == 1;
        QString error;
        const QImage picture = m_pictures.picture(field->picture, field->imgFormat.toLatin1(), box.size(), !stretched, &error);
        if (!error.isEmpty()) {
            drawPictureError(field, error, box);
            return;
        }
        if (painter)
            FieldGraphics::paintStoredImage(painter, picture, box, stretched);
        if (printMode == HtmlOutput)
            htmlText += field->getHTMLStyle();
        return;
    }
    const QImage source =
        field->fieldType == labelImage ? getImageFromSource(field->value) : getDbImage(field->value);
    const QImage scaled = FieldGraphics::paintFittedImage(painter, source, box, field->alignment);
    if (scaled.isNull() || printMode != HtmlOutput)
        return;
    // The HTML shows the picture as painted.
    field->picture.clear();
    QBuffer buffer(&field->picture);
    buffer.open(QIODevice::WriteOnly);
    scaled.save(&buffer, "PNG");
    htmlText += field->getHTMLStyle();
}

// In place of a picture that is not drawn, the reason, in the field's font.
void ReportEngine::drawPictureError(ReportFieldObject* field, const QString& error, const QRect& box)
{
    if (painter && painter->isActive()) {
        setPainterFont(field);
        painter->drawText(box, Qt::AlignCenter | Qt::TextWordWrap, error);
    }
    if (printMode == HtmlOutput)
        htmlText += QStringLiteral("<div ") + field->getHTMLTextStyle() + QLatin1Char('>') + error.toHtmlEscaped() + QStringLiteral("</div>\n");
}

void ReportEngine::drawDiagram(ReportFieldObject* field, int l, int t, int w, int h)
{
    if (field->autoFillData)
        field->updateDiagramValue();
    const DiagramOptions options{field->showGrid,        field->showLegend,  field->showCaption,
                                 field->showGraphCaption, field->showPercent, field->caption,
                                 field->autoFillData};
    paintDiagramField(painter, field->name, options, field->font, koefResH, koefResV, QRect(l, t, w, h),
                      field->graphList, [this](Chart& chart) { emit setValueDiagram(chart); });
}

// One block of rows each time the field is laid out on a printed page,
// painted or not (the counting pass, a page outside the range): what does
// not fit waits for the next. A page header's or footer's table asks for
// pages of their own while rows are left (processReportPage).
void ReportEngine::drawCrossTab(ReportFieldObject* field, int offsetY, bool paint)
{
    ReportCrossTabObject* table = field->crossTab;
    if (!table)
        return; // the program changed the field's type
    if (curPage == 1 || !m_builtTables.contains(table)) {
        table->buildMatrix();
        m_builtTables.insert(table);
    }
    // Data cells are the program's: it fills them as they come.
    const auto fill = [this](ReportFieldObject* cell) {
        cell->recNo = recNo;
        cell->reportPage = reportPageNo;
        emit setField(*cell);
    };
    const auto draw = [this, offsetY](ReportFieldObject* cell) { drawFields(cell, offsetY, true); };
    const int lines = table->layoutNextBlock(field->rect.top(), fill, paint ? draw : ReportCrossTabObject::CellHandler());
    ReportBandObject* band = field->parentBand;
    if (!band || (band->type != PageHeader && band->type != PageFooter))
        return;
    // Only while rows are left: one finished on an earlier page asks for none.
    if (table->wantsPageBreak(lines))
        m_continuedTables.insert(table);
    else
        m_continuedTables.remove(table);
}

void ReportEngine::drawQtChart(ReportFieldObject* field, int l, int t, int w, int h)
{
    auto* chart = new QChart;
    chart->setObjectName(kUnclaimedChart);
    emit setChart(*field, *chart);
    if (chart->objectName() == kUnclaimedChart) {
        delete chart;
        return;
    }
    // The view lays the chart out; it is never shown on a screen.
    auto view = std::make_unique<QChartView>(chart);
    view->setRenderHint(QPainter::TextAntialiasing);
    view->setAttribute(Qt::WA_DontShowOnScreen);
    // Laid out at the field's size in report units, on its side when turned.
    const QSize size = field->rect.size();
    view->resize(field->rotate == 3 ? size.transposed() : size);
    view->show();
    if (painter && painter->isActive()) {
        if (field->rotate == 3) {
            painter->save();
            painter->translate(l, t + h);
            painter->rotate(-90);
            view->render(painter, QRectF(0, 0, h, w), view->rect(), Qt::KeepAspectRatio);
            painter->restore();
        } else {
            view->render(painter, QRectF(l, t, w, h), view->rect(), Qt::KeepAspectRatio);
        }
    }
    delete chart;
    view.reset();
}

void ReportEngine::drawRichText(ReportFieldObject* field, int l, int t, int w, int h, bool draw)
{
    const auto evaluate = [this, field](const QString& text) {
        return processValue(field->parentBand, text, false, false, QString());
    };
    QPainter idle;
    FieldGraphics::paintRichText(painter ? painter : &idle, field->value, QRect(l, t, w, h), evaluate, draw);
}

void ReportEngine::drawLabel(ReportFieldObject* field, int l, int t, int w, int h, bool draw)
{
    const bool active = painter && painter->isActive();
    setPainterFont(field);
    const QString* stopped = field->printing.size() > 1 ? stoppedText(printingKey(field)) : nullptr;
    const QString text = stopped ? *stopped : processValue(field->parentBand, field->value, false, false, field->format);
    QPen pen = getPen(field);
    pen.setColor(field->fontColor.isValid() ? field->fontColor : QColor(Qt::black));
    if (active)
        painter->setPen(pen);
    const int flags = field->alignment | Qt::TextDontClip | (field->textWrap ? int(Qt::TextWordWrap) : 0);
    const QRect box = FieldGraphics::textBox(QRect(l, t, w, h), painter);
    if (!draw) {
        if (field->parentBand && field->parentBand == m_measuredBand)
            m_measuredTexts.append({field, text, flags});
        if (!active || !field->autoHeight || !field->parentBand)
            return;
        // The band grows to hold the text below the field's top: the whole
        // text, for a box even a pixel short moves a centred or bottom-aligned
        // text's first line above the field's top, where a band continued on
        // the next page no longer has it.
        const QRect bounds = painter->boundingRect(box, flags, text);
        if (bounds.height() > h) {
            field->parentBand->currentHeight = qMax(field->parentBand->currentHeight,
                                                    field->rect.top() + unitsHolding(bounds.height()));
        }
        return;
    }
    // The text turned about a corner of its box, drawn in the turned box.
    const auto turned = [&](const QPoint& origin, qreal angle, const QSize& box) {
        painter->save();
        painter->translate(origin);
        painter->rotate(angle);
        painter->drawText(QRect(QPoint(0, 0), box), flags, text);
        painter->restore();
    };
    const bool inPart = m_bandPart.band && m_bandPart.band == field->parentBand;
    if (active && inPart && field->rotate == 0) {
        // Only the lines that start in the part of the band on this page.
        // A line may reach below the next part's start, not below the room.
        painter->save();
        painter->setClipRect(m_bandPart.textWindow);
        QTextLayout layout(layoutText(text), field->font, painter->device());
        const qreal offset = layoutLabel(layout, flags, box);
        const int top = labelBox(field, 0).top();
        for (int i = 0; i < layout.lineCount(); ++i) {
            const QTextLine line = layout.lineAt(i);
            const double start = top + offset + line.y();
            if (start < double(m_bandPart.from) * koefResV || start >= double(m_bandPart.to) * koefResV)
                continue;
            if (m_bandPart.limit < field->parentBand->currentHeight
                && start + line.height() > double(m_bandPart.limit) * koefResV + 0.5)
                continue;
            qreal x = box.left();
            if (flags & Qt::AlignRight)
                x += box.width() - line.naturalTextWidth();
            else if (flags & Qt::AlignHCenter)
                x += (box.width() - line.naturalTextWidth()) / 2;
            line.draw(painter, QPointF(x, box.top() + offset));
        }
        painter->restore();
    } else if (active) {
        switch (field->rotate) {
        case 0:
            painter->drawText(box, flags, text);
            break;
        case 1:
            turned(QPoint(l + w, t), 90, QSize(h, w));
            break;
        case 2:
            turned(QPoint(l + w, t + h), 180, QSize(w, h));
            break;
        case 3:
            turned(QPoint(l, t + h), -90, QSize(h, w));
            break;
        default:
            break;
        }
    }
    if (printMode == HtmlOutput) {
        // Data is text, never markup: the HTML shows what the PDF shows.
        QString shown = text.toHtmlEscaped();
        shown.replace(QLatin1Char('\n'), QLatin1String("<br>"));
        htmlText += QStringLiteral("<div ") + field->getHTMLStyle() + QLatin1Char('>') + shown + QStringLiteral("</div>\n");
    }
}

void ReportEngine::drawLine(ReportFieldObject* field, int offsetY)
{
    if (!painter || !painter->isActive())
        return;
    const int x1 = int(field->lineStartX * koefResH);
    const int x2 = int(field->lineEndX * koefResH);
    const int y1 = int((field->lineStartY + offsetY) * koefResV);
    const int y2 = int((field->lineEndY + offsetY) * koefResV);
    const QColor color = field->borderColor.isValid() ? field->borderColor : QColor(Qt::black);
    QPen pen = getPen(field);
    pen.setColor(color);
    painter->setPen(pen);
    painter->drawLine(x1, y1, x2, y2);
    const double length = std::hypot(double(x2 - x1), double(y2 - y1));
    // A line of no length points nowhere: no arrowheads.
    if (length <= 0)
        return;
    double a = std::acos((x2 - x1) / length);
    if (y2 - y1 >= 0)
        a = 2 * M_PI - a;
    const int s = int(10 * koefResH);
    painter->setBrush(QBrush(color));
    const auto arrow = [this, s](double x, double y, double first, double second) {
        const QPointF points[3] = {QPointF(x, y), QPointF(x + std::sin(first) * s, y + std::cos(first) * s),
                                   QPointF(x + std::sin(second) * s, y + std::cos(second) * s)};
        painter->drawPolygon(points, 3, Qt::OddEvenFill);
    };
    if (field->arrowStart)
        arrow(x1, y1, a + M_PI / 3, a + M_PI - M_PI / 3);
    if (field->arrowEnd)
        arrow(x2, y2, a - M_PI / 3, a - M_PI + M_PI / 3);
}

// The field's box on the printer; an auto-height field reaches down to its
// band's bottom, which its text moves down (below it, the text would be
// painted over the next band, or lost where the band goes on over pages).
QRect ReportEngine::fieldBox(const ReportFieldObject* field, int offsetY) const
{
    const int l = int(field->rect.left() * koefResH);
    const int w = int((field->rect.width() - 1) * koefResH);
    const int t = int((field->rect.top() + offsetY) * koefResV);
    int h = int(field->rect.height() * koefResV);
    if (field->autoHeight && field->parentBand)
        h = int(qMax(0, field->parentBand->currentHeight - field->rect.top()) * koefResV);
    return QRect(l, t, w, h);
}

// The fewest template units whose height in device pixels, truncated as
// fieldBox truncates it, is at least `pixels`.
int ReportEngine::unitsHolding(int pixels) const
{
    int units = int(std::ceil(pixels / koefResV));
    while (int(units * koefResV) < pixels)
        ++units;
    return units;
}

QRect ReportEngine::labelBox(const ReportFieldObject* field, int offsetY) const
{
    return FieldGraphics::textBox(fieldBox(field, offsetY), painter);
}

int ReportEngine::autoHeightBottom(ReportBandObject* band, ReportFieldObject* field)
{
    if (field->fieldType != label || field->rotate != 0 || !painter || !painter->isActive())
        return band->currentHeight;
    if (m_measuredBand != band)
        drawBand(band, 0, false);
    for (const MeasuredText& measured : qAsConst(m_measuredTexts)) {
        if (measured.field != field)
            continue;
        const QRect box = labelBox(field, 0);
        QTextLayout layout(layoutText(measured.text), field->font, painter->device());
        qreal end = box.top() + layoutLabel(layout, measured.flags, box);
        if (layout.lineCount() > 0)
            end += layout.lineAt(layout.lineCount() - 1).rect().bottom();
        return qMax(field->rect.bottom() + 1, int(std::ceil(end / koefResV)));
    }
    return band->currentHeight;
}

int ReportEngine::lineCut(ReportBandObject* band, int from, int limit, bool passTall)
{
    drawBand(band, 0, false);
    if (!painter || !painter->isActive())
        return limit;
    // The next part starts at the first line that would reach past the room.
    int cut = std::numeric_limits<int>::max();
    for (const MeasuredText& measured : qAsConst(m_measuredTexts)) {
        if (measured.field->rotate != 0)
            continue;
        const QRect box = labelBox(measured.field, 0);
        QTextLayout layout(layoutText(measured.text), measured.field->font, painter->device());
        const qreal top = box.top() + layoutLabel(layout, measured.flags, box);
        for (int i = 0; i < layout.lineCount(); ++i) {
            const QTextLine line = layout.lineAt(i);
            const double start = top + line.y();
            if (start >= double(from) * koefResV && start + line.height() > double(limit) * koefResV + 0.5) {
                const int at = int(std::floor((start - 0.01) / koefResV));
                cut = qMin(cut, passTall && at <= from ? int(std::ceil((start + line.height()) / koefResV)) : at);
                break;
            }
        }
    }
    return passTall && cut < std::numeric_limits<int>::max() ? cut : qMin(cut, limit);
}

void ReportEngine::drawBandPart(ReportBandObject* band, int y, int from, int to, int limit)
{
    const bool active = painter && painter->isActive();
    const auto window = [&](int bottom) {
        return QRectF(-ml * koefResH, y * koefResV, pw * koefResH, (bottom - from) * koefResV);
    };
    if (active) {
        painter->save();
        painter->setClipRect(window(qMin(to, limit)), Qt::IntersectClip);
    }
    m_bandPart = {band, from, to, limit, window(limit)};
    drawBand(band, y - from, true);
    m_bandPart = BandPart();
    if (active)
        painter->restore();
}
