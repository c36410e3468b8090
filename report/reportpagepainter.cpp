#include "reportpagepainter.h"

#include "reportbandobject.h"
#include "reportengine.h"
#include "reportfieldobject.h"
#include "reportpageobject.h"

#include <QBuffer>
#include <QDebug>
#include <QFile>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QSaveFile>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>

namespace {

const QString kUnnamedChart = QStringLiteral("nullptr");

qreal millimetres(int units)
{
    return units / 4.0;
}

QPageLayout pageLayout(const ReportPageObject& page)
{
    const QPageSize size(QSizeF(millimetres(page.pageWidth), millimetres(page.pageHeight)), QPageSize::Millimeter);
    const QMarginsF margins(millimetres(page.marginsLeft), millimetres(page.marginsTop),
                            millimetres(page.marginsRight), millimetres(page.marginsBottom));
    return QPageLayout(size, page.orientation == 1 ? QPageLayout::Landscape : QPageLayout::Portrait, margins,
                       QPageLayout::Millimeter, QMarginsF());
}

bool isDrawn(const QColor& color)
{
    // A white frame side or background counts as none.
    return color.isValid() && color != QColor(Qt::white);
}

} // namespace

ReportPagePainter::ReportPagePainter(ReportEngine& engine)
    : m_engine(engine)
{
}

bool ReportPagePainter::paint(QPrinter* printer)
{
    if (m_engine.pageList.isEmpty())
        return true;
    printer->setPageLayout(pageLayout(*m_engine.pageList.first()));
    QPainter painter;
    if (!painter.begin(printer)) {
        qWarning() << "Could not start painting the report";
        return false;
    }
    const qreal scale = printer->resolution() / kUnitsPerInch;
    for (int index = 0; index < m_engine.pageList.size(); ++index) {
        const ReportPageObject& page = *m_engine.pageList.at(index);
        if (index > 0) {
            printer->setPageLayout(pageLayout(page));
            printer->newPage();
        }
        painter.save();
        paintPage(painter, page, scale);
        painter.restore();
    }
    return painter.end();
}

QImage ReportPagePainter::renderPage(int index, int dotsPerInch)
{
    const ReportPageObject* page = m_engine.pageList.value(index);
    if (!page)
        return {};
    const qreal scale = dotsPerInch / kUnitsPerInch;
    const bool landscape = page->orientation == 1;
    const QSizeF sheet = landscape ? QSizeF(page->pageHeight, page->pageWidth) : QSizeF(page->pageWidth, page->pageHeight);
    QImage image((sheet * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
    const int dotsPerMetre = qRound(dotsPerInch / 0.0254);
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(page->marginsLeft * scale, page->marginsTop * scale);
    paintPage(painter, *page, scale);
    return image;
}

bool ReportPagePainter::printToFile(const QString& fileName)
{
    if (fileName.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(fileName);
        if (!paint(&printer) || !QFile::exists(fileName)) {
            qWarning() << "Could not write the report to" << fileName;
            return false;
        }
        return true;
    }
    QString html = QStringLiteral("<html><body>");
    for (int index = 0; index < m_engine.pageList.size(); ++index) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        renderPage(index, kHtmlDotsPerInch).save(&buffer, "PNG");
        html += QStringLiteral("<p><img src=\"data:image/png;base64,%1\"/></p>").arg(QString::fromLatin1(png.toBase64()));
    }
    html += QStringLiteral("</body></html>");
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(html.toUtf8()) < 0 || !file.commit()) {
        qWarning() << "Could not write the report to" << fileName << file.errorString();
        return false;
    }
    return true;
}

void ReportPagePainter::paintPage(QPainter& painter, const ReportPageObject& page, qreal scale)
{
    // The bands stand one below the other from the top of the printable area.
    // A chart has an opaque background and may reach under texts of its
    // band, so the charts go down first and the texts over them.
    qreal top = 0;
    for (ReportBandObject* band : page.bandList) {
        for (bool charts : {true, false}) {
            for (ReportFieldObject* field : band->fieldList) {
                if ((field->fieldType == QtChart) != charts)
                    continue;
                const QRectF target(field->rect.left() * scale, top + field->rect.top() * scale,
                                    field->rect.width() * scale, field->rect.height() * scale);
                if (field->fieldType == QtChart)
                    paintChart(painter, *field, target);
                else if (field->fieldType == label)
                    paintLabel(painter, *field, target, scale);
            }
        }
        top += band->height * scale;
    }
}

void ReportPagePainter::paintLabel(QPainter& painter, const ReportFieldObject& field, const QRectF& target,
                                   qreal scale)
{
    painter.save();
    if (isDrawn(field.backgroundColor))
        painter.fillRect(target, field.backgroundColor);
    painter.setFont(field.font);
    painter.setPen(field.fontColor);
    const int flags = field.alignment | (field.textWrap ? int(Qt::TextWordWrap) : 0);
    painter.drawText(target, flags, field.value);

    const qreal width = qMax<qreal>(1, field.borderWidth * scale / 4);
    const struct
    {
        QColor color;
        QLineF line;
    } sides[] = {
        {field.borderTop, QLineF(target.topLeft(), target.topRight())},
        {field.borderBottom, QLineF(target.bottomLeft(), target.bottomRight())},
        {field.borderLeft, QLineF(target.topLeft(), target.bottomLeft())},
        {field.borderRight, QLineF(target.topRight(), target.bottomRight())},
    };
    for (const auto& side : sides) {
        if (!isDrawn(side.color))
            continue;
        painter.setPen(QPen(side.color, width));
        painter.drawLine(side.line);
    }
    painter.restore();
}

void ReportPagePainter::paintChart(QPainter& painter, ReportFieldObject& field, const QRectF& target)
{
    auto* chart = new QChart;
    chart->setObjectName(kUnnamedChart);
    emit m_engine.setChart(field, *chart);
    if (chart->objectName() == kUnnamedChart) {
        // Nobody filled it in.
        delete chart;
        return;
    }
    const bool turned = field.rotate == kRotateQuarterLeft;
    // The view lays the chart out at the field's size in report units, on
    // its side when the field turns it.
    QChartView view(chart);
    view.setRenderHint(QPainter::TextAntialiasing);
    view.setRenderHint(QPainter::Antialiasing);
    view.setFrameShape(QFrame::NoFrame);
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.resize(turned ? QSize(field.rect.height(), field.rect.width()) : field.rect.size());
    view.show();

    painter.save();
    QRectF into = target;
    if (turned) {
        painter.translate(target.bottomLeft());
        painter.rotate(-90);
        into = QRectF(0, 0, target.height(), target.width());
    }
    view.render(&painter, into, QRect(), Qt::KeepAspectRatio);
    painter.restore();
}
