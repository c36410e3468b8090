#pragma once

#include <QAbstractScrollArea>
#include <QDialog>
#include <QPicture>

#include <list>
#include <memory>
#include <vector>

class PageSpool;
class QAction;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolBar;

// The pages of a spool one under the other. Only the pages in view are
// read back and painted; the last few read are kept.
class PreviewPages : public QAbstractScrollArea
{
    Q_OBJECT
public:
    enum ZoomMode { CustomZoom, FitToWidth, FitInView };

    explicit PreviewPages(PageSpool& spool, QWidget* parent = nullptr);

    int pageCount() const { return int(m_tops.size()); }
    // 1-based; the page at the top of the view.
    int currentPage() const;
    void setCurrentPage(int page);
    ZoomMode zoomMode() const { return m_mode; }
    void setZoomMode(ZoomMode mode);
    // Screen pixels per inch of paper over the screen's own.
    double zoomFactor() const;
    void zoomIn();
    void zoomOut();
    // Pages read back from the spool so far (a cache miss each).
    int pagesRead() const { return m_reads; }

signals:
    void currentPageChanged(int page);
    void pageCountChanged(int count);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void pagesAdded(int count);
    void relayout();
    void updateScrollBars();
    double pixelsPerDot() const;
    QSizeF paperDots(int index) const;
    const QPicture& picture(int index);

    PageSpool& m_spool;
    ZoomMode m_mode = FitToWidth;
    double m_zoom = 1.0;
    double m_scale = 0;
    QSizeF m_largestPaper;
    // The top of each page in the scrolled area, in pixels.
    std::vector<qint64> m_tops;
    int m_lastCurrent = 0;
    std::list<std::pair<int, QPicture>> m_cache;
    int m_reads = 0;
};

// The print preview of a report: the pages as they are recorded, the
// preview's navigation, zoom and print actions, and while the report renders
// its progress with a Cancel button.
class ReportPreview : public QDialog
{
    Q_OBJECT
public:
    ReportPreview(PageSpool& spool, QWidget* parent);

    PreviewPages* pages() const { return m_pages; }
    QToolBar* toolBar() const { return m_toolBar; }
    const PageSpool& spool() const { return m_spool; }
    bool rendering() const { return m_rendering; }
    void setRendering(bool rendering);
    void setProgress(qint64 done, qint64 total);

public slots:
    void reject() override;

signals:
    void printRequested();
    void cancelRequested();

private:
    void updatePageNumber();
    void goToTypedPage();

    PageSpool& m_spool;
    PreviewPages* m_pages;
    QToolBar* m_toolBar;
    QLineEdit* m_pageNumber;
    QLabel* m_pageTotal;
    QAction* m_print;
    QAction* m_fitWidth;
    QAction* m_fitPage;
    QWidget* m_progressRow;
    QProgressBar* m_progress;
    QPushButton* m_cancel;
    bool m_rendering = false;
};
