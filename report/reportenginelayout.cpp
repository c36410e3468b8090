// The render loop: report pages, bands, page breaks and data groups.
#include "reportengine.h"
#include "operatorinputgate.h"
#include "reportlogging.h"

#include "reportbandobject.h"
#include "reportcrosstabobject.h"
#include "reportfieldobject.h"
#include "reportpageobject.h"
#include "reportpreview.h"
#include "programend.h"
#include "timedscript.h"

#include <QApplication>
#include <QDebug>
#include <QHash>
#include <QPainter>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QScopedValueRollback>

#include <limits>

bool ReportEngine::refusedWhileRendering() const
{
    if (m_rendering)
        qCWarning(lcReport) << "Report: an output asked for while the report renders is refused";
    return m_rendering;
}

void ReportEngine::beginProgress()
{
    m_recordsDone = 0;
    m_recordsTotal = 0;
    m_slice.invalidate();
    // A preview shows the progress of its own rendering.
    if (m_renderingPreview || !qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    // Modal to the whole program: nothing can start another output, or
    // change what this one prints, while the events go through. Its window
    // owns it (with none, the run does); the run ends it.
    QWidget* over = previewWidget ? previewWidget->window() : qobject_cast<QWidget*>(parent());
    m_progress = new QProgressDialog(tr("Preparing the report..."), tr("Cancel"), 0, 1000, over);
    m_progress->setWindowModality(Qt::ApplicationModal);
    m_progress->setMinimumDuration(RenderProgressDelayMs);
    m_progress->setAutoReset(false);
    m_progress->setAutoClose(false);
    connect(m_progress, &QProgressDialog::canceled, this, &ReportEngine::cancelRendering);
    // Shown after the delay also while no record is laid out yet (an SQL
    // source being counted).
    m_progress->setValue(0);
}

// Nothing the run opened to the operator outlives it: a progress dialog
// left behind would stand over the window, modal, after the run.
void ReportEngine::endProgress()
{
    setScriptsOpenTo(nullptr);
    delete m_progress.data();
}

// The preview the report renders into, or else its progress dialog, takes
// the operator's input while it renders (a dialog not shown yet takes none).
void ReportEngine::beginOpenToOperator()
{
    setScriptsOpenTo(m_renderingPreview ? static_cast<QWidget*>(m_renderingPreview) : m_progress.data());
}

bool ReportEngine::keepRendering()
{
    ++m_recordsDone;
    if (m_slice.isValid() && m_slice.elapsed() < RenderSliceMs)
        return !stopWanted();
    emit renderProgress(m_recordsDone, m_recordsTotal);
    if (m_progress && m_recordsTotal > 0)
        m_progress->setValue(int(std::min<qint64>(999, m_recordsDone * 1000 / m_recordsTotal)));
    letEventsThrough();
    m_slice.start();
    return !stopWanted();
}

// While a report renders the operator's input goes only to its preview or
// progress dialog: the window answers, but nothing starts another output or
// changes what this one prints.
void ReportEngine::letEventsThrough()
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application)
        return;
    OperatorInputGate gate(m_openToOperator);
    application->installEventFilter(&gate);
    QCoreApplication::processEvents();
    application->removeEventFilter(&gate);
}

bool ReportEngine::stopWanted()
{
    if (m_rendering && ProgramEnd::hasBegun())
        m_cancelled = true;
    return m_rendering && m_cancelled;
}

// A formula lets the events through as it runs: the open widget takes the
// operator's input then too.
void ReportEngine::setScriptsOpenTo(QWidget* open)
{
    m_openToOperator = open;
    for (TimedScript* script : {m_script.get(), m_conditionScript.get()}) {
        if (script)
            script->setOpenWidget(open);
    }
}

// Cancel and the program's end stop a formula as it runs, not only the
// render loop between records: a formula may run for seconds.
std::unique_ptr<TimedScript> ReportEngine::makeScript()
{
    auto script = std::make_unique<TimedScript>();
    script->setOpenWidget(m_openToOperator);
    script->setInterruption([this] { return stopWanted(); });
    return script;
}

void ReportEngine::printPreview(QPrinter* printer)
{
    if (refusedWhileRendering())
        return;
    const QScopedValueRollback<bool> rendering(m_rendering, true);
    m_cancelled = false;
    m_painted = false;
    m_warnedPages.clear();
    m_cutBands.clear();
    // Nothing to render: the caller's warning alone tells it.
    if (pageList.isEmpty() || !printer)
        return;
    beginProgress();
    const auto progress = qScopeGuard([this] { endProgress(); });
    beginOpenToOperator();
    if (!painter) {
        m_ownedPainter = std::make_unique<QPainter>();
        painter = m_ownedPainter.get();
    }
    m_renderPrinter = printer;
    setPageSettings(printer, 0);
    m_painted = painter->begin(printer);
    if (!m_painted)
        qCWarning(lcReport) << "Report: painting could not begin on" << printer->outputFileName();
    fromPage = printer->fromPage();
    toPage = printer->toPage();

    keepReadValues();
    openDataSources();
    // Counting pass: only fixes the number of printed pages.
    curPage = 1;
    m_passStart = m_recordsDone;
    m_builtTables.clear();
    int y = 0;
    for (int i = 0; i < pageList.size() && !stopWanted(); ++i) {
        groupRecords.clear();
        reportPageNo = i;
        recNo = 0;
        processReportPage(printer, false, i, y);
        dataSources.release(i);
        totalPage = curPage;
    }

    lastOrientation = 0;
    if (painter->isActive())
        painter->resetTransform();
    curPage = 1;
    m_passStart = m_recordsDone;
    m_builtTables.clear();
    y = 0;
    for (int i = 0; i < pageList.size() && !stopWanted(); ++i) {
        groupRecords.clear();
        reportPageNo = i;
        recNo = 0;
        processReportPage(printer, true, i, y);
        dataSources.release(i);
    }
    if (painter->isActive())
        m_painted = painter->end() && m_painted && !m_cancelled;
    m_renderPrinter = nullptr;
    m_pictures.clear();
}

ReportPageObject* ReportEngine::currentPage() const
{
    return pageList.value(reportPageNo);
}

ReportBandObject* ReportEngine::band(int type) const
{
    ReportPageObject* page = currentPage();
    return page ? page->getBand(type) : nullptr;
}

int ReportEngine::bandHeight(int type)
{
    ReportBandObject* b = band(type);
    return b ? qMin(b->layoutHeight(), roomFor(type)) : 0;
}

// Its own height, or more where an auto-height field grows it.
int ReportEngine::measuredHeight(int type, int y)
{
    ReportBandObject* b = band(type);
    if (!b)
        return 0;
    drawBand(b, y, false);
    return qMin(b->currentHeight, roomFor(type));
}

// A band every page repeats is never continued on the next page, which
// would repeat it too: one taller than its room is cut, for the records
// would otherwise go below the page.
int ReportEngine::roomFor(int type)
{
    if (printMode == HtmlOutput)
        return std::numeric_limits<int>::max();
    const int beside = printableHeight() - m_keptRoom;
    switch (type) {
    case ReportTitle:
        return qMax(0, printableHeight() - footerHeight());
    case PageFooter:
        return qMax(0, beside);
    case PageHeader:
        return qMax(0, beside - footerHeight() - m_titleHeight);
    case MasterHeader:
        return qMax(0, beside - footerHeight() - m_titleHeight - m_pageHeaderHeight);
    default:
        return std::numeric_limits<int>::max();
    }
}

// The first record as measured (its auto-height fields grown), within half
// the page, so that a page's own bands are cut only where they leave a
// record less than that. A page without a record band keeps a unit: the
// bands that flow there go to the next page, or on over pages, where they
// do not fit, and a page header that fits beside the title and the footer
// prints whole.
void ReportEngine::keepRoomForRecords()
{
    ReportBandObject* data = band(MasterData);
    int room = data ? data->layoutHeight() : 0;
    if (data && printMode != HtmlOutput && recordsCount.value(reportPageNo) > 0) {
        recNo = 0;
        drawBand(data, 0, false);
        room = data->currentHeight;
    }
    m_keptRoom = qMax(1, qMin(room, printableHeight() / 2));
}

int ReportEngine::recordsTop()
{
    const QScopedValueRollback<int> title(m_titleHeight, 0);
    const QScopedValueRollback<int> header(m_pageHeaderHeight, bandHeight(PageHeader));
    return m_pageHeaderHeight + bandHeight(MasterHeader);
}

int ReportEngine::footerHeight()
{
    return printMode == HtmlOutput ? 0 : measuredHeight(PageFooter, 0);
}

// A band that would reach into the page footer, with `keepWith` units that
// must follow it on the same page, starts the next page; at the top of a
// page it stays, for the next has no more room, but not below a title,
// which the next page has not.
void ReportEngine::placeBand(QPrinter* printer, int type, int& y, bool draw, int keepWith)
{
    if (!band(type))
        return;
    int height = measuredHeight(type, y);
    if (y > m_pageTop - m_titleHeight && !fitsAboveFooter(y, height + keepWith)
        && !continuesHere(band(type), y, bandHeight(PageHeader))) {
        breakPage(printer, y, draw, false);
        measuredHeight(type, y);
    }
    placeAcrossPages(printer, band(type), y, draw, false);
}

// The band has been measured for the current record. Its part on each page
// ends between two lines of its texts, so no line is cut or lost; fields
// other than labels are clipped at the part's edges.
bool ReportEngine::placeAcrossPages(QPrinter* printer, ReportBandObject* band, int& y, bool draw,
                                    bool repeatMasterHeader)
{
    int from = 0;
    bool emptyPage = y <= m_pageTop;
    bool broken = false;
    while (printMode != HtmlOutput) {
        const int room = printableHeight() - footerHeight() - y;
        if (band->currentHeight - from <= room || contentBottom(band) - from <= room)
            break;
        // The page's own bands leave a new page room; should they not, the
        // rest goes below it rather than over endless pages.
        if (room <= 0 && broken) {
            qCWarning(lcReport).nospace().noquote()
                << "Report page " << reportPageNo << ": band \"" << bandTypeName(band->type)
                << "\" finds no room on printed page " << curPage << "; printed below its bottom";
            break;
        }
        if (room > 0) {
            int cut = lineCut(band, from, from + room);
            // Where not even the next line fits, the part is empty; a line
            // taller than the room of a page without a title is left out.
            if (cut <= from && emptyPage && m_titleHeight == 0) {
                cut = qMin(lineCut(band, from, from + room, true), band->currentHeight);
                if (draw)
                    qCWarning(lcReport).nospace().noquote()
                        << "Report page " << reportPageNo << ": " << bandNamed(band) << " has a line taller than the "
                        << room << " units printed page " << curPage << " has room for; printed without it";
            }
            if (cut > from) {
                const bool painted = draw && isPageInRange(true, curPage);
                if (painted)
                    drawBandPart(band, y, from, cut, from + room);
                // Nothing but the rest of a line left out may follow.
                if (cut >= contentBottom(band)) {
                    y += room;
                    return painted;
                }
                if (draw && from == 0)
                    qCWarning(lcReport).nospace().noquote()
                        << "Report page " << reportPageNo << ": " << bandNamed(band) << " is " << band->currentHeight
                        << " units high where printed page " << curPage << " has room for " << room
                        << "; continued on the next, cut between lines";
                from = cut;
            }
        }
        breakPage(printer, y, draw, false);
        if (repeatMasterHeader)
            processMasterHeader(y, draw);
        emptyPage = true;
        broken = true;
    }
    const bool painted = draw && isPageInRange(true, curPage);
    // A band whose fields fit but whose empty space reaches below the room
    // is painted down to the room: its frames end above the footer.
    const int room = printMode == HtmlOutput ? 0 : printableHeight() - footerHeight() - y;
    if (painted && room > 0 && band->currentHeight - from > room)
        drawBandPart(band, y, from, band->currentHeight, from + room);
    else if (painted && from == 0)
        drawBand(band, y, true);
    else if (painted)
        drawBandPart(band, y, from, band->currentHeight, band->currentHeight);
    y += band->currentHeight - from;
    return painted;
}

QString ReportEngine::bandNamed(const ReportBandObject* band) const
{
    if (band->type == MasterData)
        return QStringLiteral("record %1").arg(recNo);
    return QStringLiteral("band \"%1\"").arg(bandTypeName(band->type));
}

// A band whose content does not fit even on an empty page begins where it
// is, not after an empty rest of this page; `top` is where an empty page
// begins.
bool ReportEngine::continuesHere(ReportBandObject* band, int y, int top)
{
    const int bottom = printableHeight() - footerHeight();
    return printMode != HtmlOutput && y < bottom && contentBottom(band) > bottom - top;
}

// A band taller than its fields (a designed height with room to spare) is
// not continued for its empty space alone.
int ReportEngine::contentBottom(ReportBandObject* band)
{
    int bottom = 0;
    for (ReportFieldObject* field : qAsConst(band->fieldList)) {
        if (!isFieldVisible(field))
            continue;
        if (field->fieldType == line)
            bottom = qMax(bottom, qMax(field->lineStartY, field->lineEndY) + 1);
        else if (field->autoHeight)
            bottom = qMax(bottom, autoHeightBottom(band, field));
        else
            bottom = qMax(bottom, field->rect.bottom() + 1);
    }
    return bottom;
}

// The HTML runs on as one page: there a report page starts at `y`, below
// the end of the one before it.
void ReportEngine::processReportPage(QPrinter* printer, bool draw, int i, int& y)
{
    if (painter->isActive()) {
        painter->resetTransform();
        painter->save();
    }
    setPageSettings(printer, i);
    m_continuedTables.clear();
    keepRoomForRecords();
    m_titleHeight = 0;
    m_pageHeaderHeight = 0;
    if (printMode != HtmlOutput)
        y = 0;
    if (i < 1) {
        m_footerPlaced = false;
        drawBackground(draw);
        processReportTitle(y, draw);
        processPageHeader(y, draw);
        m_pageTop = y;
    } else {
        // Report page i - 1 gave its last sheet its own footer, or none.
        startPage(printer, y, draw, true);
    }
    processReport(printer, y, draw, i);
    processReportSummary(printer, y, draw);
    // A page no record or break gave its footer (a grouped page without records).
    processPageFooter(draw);
    // The rows a page header's or footer's cross table has left go on over
    // pages of their own within this report page, in both passes alike. A
    // table asks again only where the new page took rows of it.
    while (printMode != HtmlOutput && !m_continuedTables.isEmpty() && !stopWanted()) {
        m_continuedTables.clear();
        breakPage(printer, y, draw, false);
    }
    if (draw)
        logUnprintedRows();
    if (painter->isActive())
        painter->restore();
}

// Only page headers and footers continue a cross table; the rows another
// band had no room for are left out.
void ReportEngine::logUnprintedRows()
{
    for (const ReportBandObject* b : qAsConst(currentPage()->bandList)) {
        for (const ReportFieldObject* field : b->fieldList) {
            const ReportCrossTabObject* table = field->fieldType == crossTab ? field->crossTab : nullptr;
            if (!table || table->paintedCells() <= 0 || table->paintedCells() >= table->fieldList.size())
                continue;
            const int row = table->cellRow(table->fieldList.at(table->paintedCells()), true);
            qCWarning(lcReport).nospace().noquote()
                << "Report page " << reportPageNo << ": cross table \"" << field->name << "\" in band \""
                << bandTypeName(b->type) << "\" printed without its last " << table->rowCount() - row << " of "
                << table->rowCount() << " rows, from row " << row << " on";
        }
    }
}

void ReportEngine::paintBand(int type, int y, bool draw, int height)
{
    ReportBandObject* b = band(type);
    if (!b)
        return;
    const bool painted = draw && isPageInRange(true, curPage);
    // Not painted (the counting pass, a page outside the range), its cross
    // tables still take this page's rows: the later pages, and the count,
    // go on as the painted ones do.
    for (ReportFieldObject* field : qAsConst(b->fieldList)) {
        if (!painted && field->fieldType == crossTab && isFieldVisible(field))
            drawCrossTab(field, y, false);
    }
    if (height >= b->currentHeight) {
        if (painted)
            drawBand(b, y, true);
        return;
    }
    if (!m_cutBands.contains({reportPageNo, type})) {
        m_cutBands.insert({reportPageNo, type});
        qCWarning(lcReport).nospace().noquote()
            << "Report page " << reportPageNo << ": band \"" << bandTypeName(type) << "\" is " << b->currentHeight
            << " units high where its page has room for " << height << "; printed cut there";
    }
    if (!painted)
        return;
    int cut = lineCut(b, 0, height);
    if (cut <= 0)
        cut = height;
    drawBandPart(b, y, 0, cut, height);
}

void ReportEngine::processReportTitle(int& y, bool draw)
{
    if (!band(ReportTitle))
        return;
    const int height = measuredHeight(ReportTitle, y);
    paintBand(ReportTitle, y, draw, height);
    y += height;
    m_titleHeight = height;
}

void ReportEngine::processPageHeader(int& y, bool draw)
{
    if (printMode == HtmlOutput || !band(PageHeader))
        return;
    const int height = measuredHeight(PageHeader, y);
    paintBand(PageHeader, y, draw, height);
    y += height;
    m_pageHeaderHeight = height;
}

void ReportEngine::processMasterHeader(int& y, bool draw)
{
    if (!band(MasterHeader))
        return;
    const int height = measuredHeight(MasterHeader, y);
    paintBand(MasterHeader, y, draw, height);
    y += height;
}

// Once on each printed page: a cross table in the footer lays out its next
// rows at every painting.
void ReportEngine::processPageFooter(bool draw)
{
    if (printMode == HtmlOutput || !band(PageFooter) || m_footerPlaced)
        return;
    m_footerPlaced = true;
    const int height = footerHeight();
    paintBand(PageFooter, printableHeight() - height, draw, height);
}

bool ReportEngine::fitsAboveFooter(int y, int height)
{
    return y + height <= printableHeight() - footerHeight();
}

void ReportEngine::processMasterFooter(QPrinter* printer, int& y, bool draw)
{
    placeBand(printer, MasterFooter, y, draw, 0);
}

void ReportEngine::processReportSummary(QPrinter* printer, int& y, bool draw)
{
    placeBand(printer, ReportSummary, y, draw, 0);
}

void ReportEngine::breakPage(QPrinter* printer, int& y, bool draw, bool withTitle)
{
    // The page left behind keeps its footer whatever broke it before the
    // footer's usual place.
    processPageFooter(draw);
    startPage(printer, y, draw, withTitle);
}

void ReportEngine::startPage(QPrinter* printer, int& y, bool draw, bool withTitle)
{
    m_footerPlaced = false;
    if (draw) {
        // Only between two pages that are both painted: pages outside the
        // range leave no blank sheets.
        if (curPage >= fromPage && (toPage == 0 || curPage + 1 <= toPage) && painter->isActive()) {
            printer->newPage();
            drawBackground(true);
        }
        ++curPage;
        emit newPage(curPage);
    } else {
        ++curPage;
    }
    if (printMode != HtmlOutput)
        y = 0;
    m_titleHeight = 0;
    if (withTitle)
        processReportTitle(y, draw);
    processPageHeader(y, draw);
    processPageFooter(draw);
    m_pageTop = y;
}

void ReportEngine::drawBand(ReportBandObject* band, int y, bool draw)
{
    band->currentHeight = band->layoutHeight();
    m_measuredBand = band;
    m_measuredTexts.clear();
    for (ReportFieldObject* field : band->fieldList) {
        if (field->fieldType != line && isFieldVisible(field))
            drawFields(field, y, false);
    }
    if (!draw)
        return;
    // A chart has an opaque background and may reach under the texts of its
    // band (the voltage chart spans its whole page): charts go down first.
    for (const bool charts : {true, false}) {
        for (ReportFieldObject* field : band->fieldList) {
            if ((field->fieldType == QtChart) != charts || !isFieldVisible(field))
                continue;
            if (field->fieldType == line)
                drawLine(field, y);
            else
                drawFields(field, y, true);
        }
    }
}

QString ReportEngine::printingKey(const ReportFieldObject* field)
{
    return QStringLiteral("\x1fprinting:") + field->printing;
}

// A condition stopped by the time limit shows its field, which prints the
// error instead of its text.
bool ReportEngine::isFieldVisible(ReportFieldObject* field)
{
    if (field->printing.size() <= 1)
        return field->printing.toInt() != 0;
    const QString key = printingKey(field);
    if (stoppedText(key))
        return true;
    qint64 result = 0;
    const QString text = evaluateScript(processValue(field->parentBand, field->printing, true, false, QString()), {}, &result);
    if (m_script->stopped())
        markStopped(key, text);
    return result != 0 || m_script->stopped();
}

void ReportEngine::evaluateBand(ReportBandObject* band)
{
    for (ReportFieldObject* field : band->fieldList) {
        if (field->fieldType == label && isFieldVisible(field))
            processValue(band, field->value, false, true, QString());
    }
}

void ReportEngine::processMasterData(QPrinter* printer, int& y, bool draw, int i)
{
    ReportBandObject* data = band(MasterData);
    if (i < 0 || i >= recordsCount.size() || recordsCount.at(i) < 1 || !data)
        return;
    // Within a group only its records, which it holds in record order.
    QList<int> records = groupRecords;
    if (records.isEmpty()) {
        records.reserve(recordsCount.at(i));
        for (int r = 0; r < recordsCount.at(i); ++r)
            records.append(r);
    }
    const int footers = footerHeight() + bandHeight(MasterFooter);
    for (const int r : records) {
        if (!keepRendering())
            return;
        if (r < 0 || r >= recordsCount.at(i))
            continue;
        recNo = r;
        ++lineNo;
        drawBand(data, y, false);
        const int height = data->currentHeight;
        // A record taller than a whole page gets a page of its own, not one
        // empty page before it per pass; the headers' room, which measures
        // the footer, is worked out only then.
        if (y + height > printableHeight() - footers && printMode != HtmlOutput) {
            const int top = recordsTop();
            if (y > top && !continuesHere(data, y, top)) {
                breakPage(printer, y, draw, false);
                processMasterHeader(y, draw);
            }
        }
        if (!placeAcrossPages(printer, data, y, draw, true))
            evaluateBand(data);
    }
}

void ReportEngine::processReport(QPrinter* printer, int& y, bool draw, int i)
{
    recNo = 0;
    lineNo = 0;
    processSourceStop(y, draw, i);
    ReportBandObject* groupHeader = band(DataGroupHeader);
    if (!groupHeader) {
        processMasterHeader(y, draw);
        processPageFooter(draw);
        processMasterData(printer, y, draw, i);
        processMasterFooter(printer, y, draw);
        return;
    }
    processGroups(printer, y, draw, i, groupHeader);
}

void ReportEngine::processGroups(QPrinter* printer, int& y, bool draw, int i, ReportBandObject* groupHeader)
{
    // The groups come from this page's own grouping texts, whatever other
    // pages or an earlier pass collected: both passes, and every render,
    // lay out the same pages.
    if (ReportBandObject* data = band(MasterData))
        evaluateBand(data);
    const QString grouping = groupHeader->groupingField;
    if (i < recordsCount.size()) {
        for (int r = 0; r < recordsCount.at(i) && keepRendering(); ++r) {
            recNo = r;
            processValue(groupHeader, grouping, false, true, QString());
        }
    }
    groupValues.clear();
    lineNo = 0;

    // The groups in the order their values first appear, each with its
    // records in record order; one pass over the collected values.
    QList<QString> order;
    QHash<QString, QList<int>> members;
    QHash<QString, int> firstRecord;
    for (const int index : groupEntries.indexesOf(grouping)) {
        const GroupEntry& entry = groupEntries.at(index);
        if (entry.reportPage != i)
            continue;
        const QString value = entry.value.toString();
        if (!members.contains(value)) {
            order.append(value);
            firstRecord.insert(value, entry.recNo);
        }
        members[value].append(entry.recNo);
    }

    ReportBandObject* masterHeader = band(MasterHeader);
    ReportBandObject* masterFooter = band(MasterFooter);
    ReportBandObject* groupFooter = band(DataGroupFooter);
    if (masterHeader && !masterHeader->showInGroup)
        processMasterHeader(y, draw);
    for (const QString& value : order) {
        groupRecords = members.value(value);
        std::sort(groupRecords.begin(), groupRecords.end());
        const bool first = groupValues.isEmpty();
        groupValues.append(value);
        if (groupHeader->startNewPage && !first)
            breakPage(printer, y, draw, false);
        recNo = firstRecord.value(value);
        if (groupHeader->restartLineNo)
            lineNo = 0;
        // A group header goes with what follows it down to its first record:
        // the master header shown in the group, and that record.
        const int keepWith = (masterHeader && masterHeader->showInGroup ? measuredHeight(MasterHeader, y) : 0)
                             + measuredHeight(MasterData, y);
        placeBand(printer, DataGroupHeader, y, draw, keepWith + bandHeight(MasterFooter));
        if (masterHeader && masterHeader->showInGroup) {
            // Below a group header taller than the room it left, the master
            // header begins the next page rather than going over the footer.
            if (printMode != HtmlOutput && y > m_pageTop && !fitsAboveFooter(y, measuredHeight(MasterHeader, y)))
                breakPage(printer, y, draw, false);
            processMasterHeader(y, draw);
        }
        processPageFooter(draw);
        processMasterData(printer, y, draw, i);
        if (masterFooter && masterFooter->showInGroup)
            processMasterFooter(printer, y, draw);
        recNo = firstRecord.value(value);
        if (groupFooter)
            placeBand(printer, DataGroupFooter, y, draw, bandHeight(MasterFooter));
    }
    groupRecords.clear();
    if (masterFooter && !masterFooter->showInGroup)
        processMasterFooter(printer, y, draw);
}
