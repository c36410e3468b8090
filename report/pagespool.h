#pragma once

#include <QObject>
#include <QPageLayout>
#include <QPicture>
#include <QPrinter>
#include <QTemporaryFile>

#include <memory>
#include <vector>

class SpoolEngine;

// The printed pages of one rendering, each recorded as a picture and kept
// in a temporary file rather than in memory: a log of a million rows makes
// tens of thousands of pages. Pages are read back one at a time.
class PageSpool : public QObject
{
    Q_OBJECT
public:
    explicit PageSpool(QObject* parent = nullptr);
    ~PageSpool() override;

    int count() const { return int(m_pages.size()); }
    // The paper and margins the page was painted on, and the resolution of
    // its picture's coordinates.
    QPageLayout layout(int index) const { return m_pages.at(size_t(index)).layout; }
    int resolution() const { return m_resolution; }
    // An empty picture when the page cannot be read back.
    QPicture page(int index);
    bool failed() const { return m_failed; }
    // Bytes the pages take on disk.
    qint64 size() const { return m_end; }

    void clear();
    void setResolution(int dotsPerInch) { m_resolution = dotsPerInch; }
    void append(const QPicture& picture, const QPageLayout& layout);

signals:
    void pageAdded(int count);

private:
    struct Page
    {
        qint64 offset;
        int size;
        QPageLayout layout;
    };
    QTemporaryFile m_file;
    std::vector<Page> m_pages;
    qint64 m_end = 0;
    int m_resolution = 1200;
    bool m_failed = false;
};

// A printer that records what is painted on it into a PageSpool, a picture
// per page, instead of printing. Its paper, margins and resolution behave as
// those of a PDF printer in the same mode, so a report lays out on it as on
// the printer it previews.
class SpoolPrinter : public QPrinter
{
public:
    SpoolPrinter(PageSpool& spool, QPrinter::PrinterMode mode);
    ~SpoolPrinter();

private:
    std::unique_ptr<SpoolEngine> m_engine;
};
