#pragma once

#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>

// Reads a PDF back through poppler's command-line tools, independent of the
// toolkit that wrote it. A missing tool is a test failure (empty results
// and a warning), never a skip.
namespace PdfProbe {

// "Pages:" of pdfinfo, or -1.
int pageCount(const QString& pdf);
// pdftotext -layout of one page (1-based), or of all pages for 0.
QString text(const QString& pdf, int page = 0);
// One page rendered by pdftoppm at `dpi`.
QImage pageImage(const QString& pdf, int page, int dpi);
// The words of one page with their boxes in points, from pdftotext -bbox.
struct Word
{
    QString text;
    QRectF box;
};
QList<Word> words(const QString& pdf, int page);
// The "Page size:" line of pdfinfo, e.g. "595 x 842 pts (A4)".
QString pageSize(const QString& pdf);

} // namespace PdfProbe
