#pragma once

#include "collectedvalues.h"
#include "datasourceparam.h"
#include "groupentrylist.h"
#include "picturecache.h"
#include "reportaggregates.h"
#include "reportdatasources.h"

#include <QDomDocument>
#include <QElapsedTimer>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPen>
#include <QPointer>
#include <QPrinter>
#include <QPair>
#include <QScriptProgram>
#include <QScriptValue>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <QtCharts/qchartglobal.h>

#include <functional>
#include <memory>

class QAction;
class QPainter;
class QPixmap;
class PageSpool;
class PreviewPages;
class ReportPreview;
class QProgressDialog;
class QScriptEngine;
class TimedScript;
class QWidget;
class ReportCrossTabObject;
class ReportBandObject;
class ReportFieldObject;
class ReportPageObject;
class Chart;
class ReportSql;

QT_CHARTS_BEGIN_NAMESPACE
class QChart;
QT_CHARTS_END_NAMESPACE
QT_CHARTS_USE_NAMESPACE

// One report: a template (report pages with their bands and fields), the
// record count of each report page, and its output to the preview, a
// printer, a PDF file or one HTML file. The print commands of the views
// create one per print, append their row count to `recordsCount`, load a
// template (or build pages in code), answer `setValue` for every record and
// variable, and call `printExec`.
//
// Every output lays the report out twice: a counting pass that finds the
// number of printed pages, then a painting pass. Field texts are a small
// language of references "[name]", built-in variables "<Page>" and script
// formulas "<...>", evaluated by processValue in one script engine per report.
class ReportEngine : public QObject
{
    Q_OBJECT
public:
    // Replaces the preview dialog: when set, printExec hands the loaded report
    // to this function instead of opening a modal preview (unattended runs,
    // tests). An empty function restores the preview.
    using PreviewHook = std::function<void(ReportEngine& report)>;
    static void setPreviewHook(PreviewHook hook);
    // Asks the export actions for a file name (parent, caption, filter); the
    // file dialog, which gives a name typed without an extension the
    // format's own, unless replaced.
    using SaveFileNameHook = std::function<QString(QWidget* parent, const QString& caption, const QString& filter)>;
    static void setSaveFileNameHook(SaveFileNameHook hook);
    // Opens an exported file with the desktop's handler unless replaced;
    // false when nothing opened it.
    using OpenFileHook = std::function<bool(const QString& fileName)>;
    static void setOpenFileHook(OpenFileHook hook);
    // Tells the operator that an export failed; a warning message box
    // unless replaced.
    using WarningHook = std::function<void(QWidget* parent, const QString& title, const QString& text)>;
    static void setWarningHook(WarningHook hook);
    // Lets the operator choose the printer the preview prints on; the print
    // dialog unless replaced. False cancels the printing.
    using PrintDialogHook = std::function<bool(QPrinter& printer, QWidget* parent)>;
    static void setPrintDialogHook(PrintDialogHook hook);

    enum PrintMode { PrinterOutput = 0, PdfOutput = 1, HtmlOutput = 2 };

    explicit ReportEngine(QObject* parent = nullptr);
    ~ReportEngine() override;
    static ReportEngine* create() { return new ReportEngine; }

    // --- Template -------------------------------------------------------
    bool loadReport(QString fileName);
    bool loadReportDocument(QDomDocument doc);
    void clearPages();
    // The one place templates are parsed. False, with the parser's position
    // in the log, for text that is no XML document.
    static bool parseTemplate(const QByteArray& bytes, QDomDocument& doc);

    static int getFieldType(const QDomElement& element);
    static QString getFieldTypeName(int type);
    static int getAlignment(const QDomElement& element);
    static Qt::PenStyle getPenStyle(const QString& style);
    static QDomNode getBandElement(int type, const QDomNode& page);
    // 1 to 9 for the band type names, 0 for any other text.
    static int bandTypeOf(const QString& name);
    static QString bandTypeName(int type);
    static QSet<int> shapeFieldTypes();

    // --- Field texts ------------------------------------------------------
    QString processValue(ReportBandObject* band, QString text, bool expressionMode, bool collectValues,
                         QString format);
    QStringList splitValue(const QString& text) const;
    QVariant builtinVariable(const QString& name) const;
    QString getFieldValueFromSource(QString paramName);
    QImage getImageFromSource(QString text);
    // The text of a reference or formula result in the field's number format.
    QString formatNumber(const QString& value, const QString& format) const;
    // One property (ReportFieldObject::HighlightProperty) of a field for the current record.
    QVariant processHighlighting(ReportFieldObject* field, int property);
    // The report's one script engine, made on first use with the report
    // functions installed.
    QScriptEngine* scriptEngine();
    // A script variable for one evaluation: a number where the text reads as
    // one (unless `keepText`), otherwise the text.
    struct ScriptBinding
    {
        QString name;
        QString text;
        bool keepText = false;
    };
    // Evaluates a script with `bindings` in scope and nothing it defines
    // surviving it; an error's text is the result. `integer` receives the
    // value as an integer, 0 for an error.
    QString evaluateScript(const QString& script, const QList<ScriptBinding>& bindings = {}, qint64* integer = nullptr);
    QString evaluateScript(const QScriptProgram& program, const QList<ScriptBinding>& bindings = {},
                           qint64* integer = nullptr);
    // A formula or highlighting condition running longer than this is
    // stopped: a loop written into a template must not hang the program.
    // Tests shorten it.
    static void setScriptTimeLimit(int milliseconds);

    // --- Layout and painting ---------------------------------------------
    bool isPageInRange(bool draw, int page) const;
    void setResolution(QPrinter::PrinterMode mode) { printerMode = mode; }
    bool setPrinter(QPrinter* p);
    bool setPainter(QPainter* p);
    void setPageSettings(QPrinter* printer, int reportPage);
    void drawBackground(bool draw);
    void setBackgroundImage(QPixmap* pixmap) { backgroundImage = pixmap; }
    void setBackgroundOpacity(float opacity) { backgroundOpacity = opacity; }
    // --- SQL data sources ------------------------------------------------
    // When not empty, replaces the query of every data source.
    void setSqlQuery(const QString& query) { dataSources.setSqlQuery(query); }
    void setDataSource(int page, const DataSourceParam& param) { dataSources.setDataSource(page, param); }
    void setDataSource(int page, QString name, QString dbType, QString dbName, QString dbHost, QString dbUser,
                       QString dbPassword, int dbPort, QString dbConnectionName, QString sqlQuery, QString dbCoding,
                       QString charsetCoding);
    void getDataSource(int page, DataSourceParam& out) const { out = dataSources.getDataSource(page); }
    void setDataSourceActive(int page, bool active) { dataSources.setDataSourceActive(page, active); }
    // Opens the SQL source a report page names (the program's record or the
    // page's "DataSource" element) and appends its record count.
    void openDataSource(int reportPage);
    // The picture of a DatabaseImage field for the current record; null
    // when the report page has no SQL source.
    QImage getDbImage(QString value);
    void drawBand(ReportBandObject* band, int y, bool draw);
    void drawFields(ReportFieldObject* field, int offsetY, bool draw);
    void drawLine(ReportFieldObject* field, int offsetY);
    QPen getPen(ReportFieldObject* field) const;
    void setPainterFont(ReportFieldObject* field);

    // --- Output ----------------------------------------------------------
    void printExec(bool maximize, bool direct, QString printerName);
    // Both write the whole file or, reporting a warning and returning false,
    // leave any earlier file of that name as it was.
    bool printPDF(QString fileName, bool open);
    bool printHTML(QString fileName, bool open);
    // PDF when the name ends in ".pdf", otherwise HTML; the file is not opened.
    bool printToFile(const QString& fileName);
    // Why the last PDF or HTML file could not be written, as the operator reads it.
    QString outputError() const { return m_outputError; }

    // A long report renders in slices of about this many milliseconds of
    // layout, with the program's events let through between them, so the
    // window keeps answering; progress with a Cancel button shows once
    // rendering has taken RenderProgressDelayMs.
    static constexpr int RenderSliceMs = 50;
    static constexpr int RenderProgressDelayMs = 500;
    // Stops the render loop under way before its next record, and the
    // formula it runs now. A preview then closes, and a file is not written.
    // The program's end, once begun, cancels a rendering the same way.
    void cancelRendering() { m_cancelled = true; }
    bool renderingCancelled() const { return m_cancelled; }

    bool eventFilter(QObject* watched, QEvent* event) override;

    QList<ReportPageObject*> pageList;
    QList<int> recordsCount;
    QPixmap* backgroundImage = nullptr;
    QPrinter* printer = nullptr;
    QPainter* painter = nullptr;
    int recNo = 0;
    int lineNo = 0;
    int reportPageNo = 0;
    float koefResV = 1;
    float koefResH = 1;
    int ph = 0;
    int pw = 0;
    int ml = 0;
    int mr = 0;
    int mt = 0;
    int mb = 0;
    int curPage = 1;
    int totalPage = 1;
    int lastOrientation = 0;
    float backgroundOpacity = 1;
    PreviewPages* previewWidget = nullptr;
    QList<QAction*> previewActions;
    QDomDocument xmlDoc;
    int fromPage = 0;
    int toPage = 0;
    QList<QString> groupValues;
    ReportDataSources dataSources;
    QString htmlText;
    int printMode = PrinterOutput;
    QPrinter::PrinterMode printerMode = QPrinter::HighResolution;
    // Per report rather than per process, so a report built in code never
    // sees the values of an earlier report.
    GroupEntryList groupEntries;
    QList<int> groupRecords;

    // Asks for a file name and writes the report there in `format`, as the
    // preview's two export actions do; a file that could not be written is
    // the operator's to know.
    enum ExportFormat { PdfExport, HtmlExport };
    void exportTo(ExportFormat format);

public slots:
    void printPreview(QPrinter* printer);

signals:
    void setValue(const int recNo, const QString paramName, QVariant& paramValue, const int reportPage);
    void setField(ReportFieldObject& fieldObject);
    void setValueImage(const int recNo, const QString paramName, QImage& paramValue, const int reportPage);
    void setChart(ReportFieldObject& fieldObject, QChart& chart);
    void newPage(int page);
    // At the start of rendering and after every slice: the records laid
    // out so far, of both passes' total.
    void renderProgress(qint64 done, qint64 total);
    // A diagram field without auto-filled data: the program fills the chart.
    void setValueDiagram(Chart& chart);

private:
    // The collected values as the aggregates of formulas read them.
    class CollectedEntries : public CollectedValues
    {
    public:
        explicit CollectedEntries(const ReportEngine& engine) : m_engine(engine) {}
        int collectedCount() const override { return m_engine.groupEntries.size(); }
        CollectedValue collectedAt(int index) const override;
        bool anyCollected() const override { return !m_engine.groupEntries.isEmpty(); }
        QList<int> groupRecords() const override { return m_engine.groupRecords; }

    private:
        const ReportEngine& m_engine;
    };
    // Empties the collected values and what the aggregates read of them.
    void clearCollected();
    // Keeps of the values collected from now on only those the template reads.
    void keepReadValues();
    QDomElement pageElement(int reportPage) const;

    void buildPages();
    void registerScriptFunctions(QScriptEngine* engine);
    QString referenceValue(const QString& token);
    QString evaluateFormula(ReportBandObject* band, QString formula);
    void replaceBuiltins(QString& token) const;
    QStringList formulaReferences(const QString& formula) const;
    static QString substituteReferences(const QString& formula, const QStringList& references);
    static QString rewriteFormula(QString formula);
    QVariant evaluateHighlighting(ReportFieldObject* field, int property);

    ReportPageObject* currentPage() const;
    ReportBandObject* band(int type) const;
    int bandHeight(int type);
    int printableHeight() const { return ph - mb - mt; }
    bool fitsAboveFooter(int y, int height);
    // The height a band takes at y for the current record, within its room.
    int measuredHeight(int type, int y);
    // The room of the bands every printed page repeats (page header and
    // footer, master header) and of the title: what the page leaves beside
    // `m_keptRoom` for the records and the bands above, or for the title the
    // page above its footer. Unbounded for the other bands, and in the HTML.
    int roomFor(int type);
    // Sets `m_keptRoom` for the report page under way.
    void keepRoomForRecords();
    int footerHeight();
    // Where the records begin on a printed page without a title.
    int recordsTop();
    void placeBand(QPrinter* printer, int type, int& y, bool draw, int keepWith);
    // Lays a band out at y; one whose content does not fit in the room left
    // above the footer is continued on the following pages, cut between the
    // lines of its texts. True when its last part was painted.
    bool placeAcrossPages(QPrinter* printer, ReportBandObject* band, int& y, bool draw, bool repeatMasterHeader);
    // A record by its number, another band by its type, as the log names it.
    QString bandNamed(const ReportBandObject* band) const;
    // Where the band's fields end, below which it holds only empty space.
    int contentBottom(ReportBandObject* band);
    // Where an auto-height field's content ends: its box reaches down to
    // the band's bottom, a label's text only as far as its lines.
    int autoHeightBottom(ReportBandObject* band, ReportFieldObject* field);
    bool continuesHere(ReportBandObject* band, int y, int top);
    // Where the part of a band from `from` ends when the room ends at
    // `limit`: at the first of its texts' lines that would cross the limit
    // (`from` or less when the part's first line does not fit). With
    // `passTall`, a line at the part's top that the room cannot hold is
    // passed over: the part ends below it, and it is left out.
    int lineCut(ReportBandObject* band, int from, int limit, bool passTall = false);
    // Paints the part [from, to) of a band at y; its texts' lines that start
    // in it may reach down to `limit`.
    void drawBandPart(ReportBandObject* band, int y, int from, int to, int limit);
    // The height of a notice printed in place of records, in template units.
    static constexpr int NoticeHeight = 60;
    // Device pixels per template unit: a page's own paper gives about 12 on a
    // printer and 1 on the screen. The paper follows the first report page,
    // so a later page far smaller or larger than it, or a page its margins
    // leave no room on in whole millimetres, would scale its places past what
    // a pixel coordinate holds, or to nothing; it prints at the nearer bound.
    static constexpr float MinDotsPerUnit = 0.125f;
    static constexpr float MaxDotsPerUnit = 128.0f;
    void boundScale(int reportPage);
    // Opens the source of every report page, and counts the records both
    // passes lay out for the progress.
    void openDataSources();
    void processSourceStop(int& y, bool draw, int i);
    void processReportPage(QPrinter* printer, bool draw, int i, int& y);
    // Logs the rows each cross table of the report page under way left out.
    void logUnprintedRows();
    void processReportTitle(int& y, bool draw);
    void processPageHeader(int& y, bool draw);
    void processMasterHeader(int& y, bool draw);
    void processPageFooter(bool draw);
    void processMasterFooter(QPrinter* printer, int& y, bool draw);
    void processReportSummary(QPrinter* printer, int& y, bool draw);
    // Ends the printed page under way with its footer, then starts the next.
    void breakPage(QPrinter* printer, int& y, bool draw, bool withTitle);
    // Starts the next printed page with the current report page's bands.
    void startPage(QPrinter* printer, int& y, bool draw, bool withTitle);
    bool isFieldVisible(ReportFieldObject* field);
    void evaluateBand(ReportBandObject* band);
    void processMasterData(QPrinter* printer, int& y, bool draw, int i);
    void processReport(QPrinter* printer, int& y, bool draw, int i);
    void processGroups(QPrinter* printer, int& y, bool draw, int i, ReportBandObject* groupHeader);
    // Paints a band measured at `height`; one cut to its room shows only its
    // lines above the cut, logged once for each report page.
    void paintBand(int type, int y, bool draw, int height);

    void drawPageBorder();
    void drawFrame(ReportFieldObject* field, const QPen& pen, int l, int t, int w, int h);
    void drawShape(ReportFieldObject* field, const QPen& pen, int l, int t, int w, int h);
    void drawImages(ReportFieldObject* field, int l, int t, int w, int h);
    void drawPictureError(ReportFieldObject* field, const QString& error, const QRect& box);
    void drawDiagram(ReportFieldObject* field, int l, int t, int w, int h);
    void drawCrossTab(ReportFieldObject* field, int offsetY, bool paint);
    void drawQtChart(ReportFieldObject* field, int l, int t, int w, int h);
    void drawRichText(ReportFieldObject* field, int l, int t, int w, int h, bool draw);
    void drawLabel(ReportFieldObject* field, int l, int t, int w, int h, bool draw);
    // The text box of a field, in device pixels, with its band at offsetY.
    QRect fieldBox(const ReportFieldObject* field, int offsetY) const;
    QRect labelBox(const ReportFieldObject* field, int offsetY) const;
    int unitsHolding(int pixels) const;

    // Runs the render loop on a private PDF printer laid out like the
    // engine's own, so an export never changes what the preview prints.
    bool renderToPdf(const QString& fileName, int mode);
    // True, with a warning, while the render loop runs: the output asked
    // for now is refused. A formula lets the program's events through as it
    // runs (for its time limit); an output asked for from one of them would
    // start over on the state of the render under way.
    bool refusedWhileRendering() const;
    // Renders the report into the preview's spool, its pages showing as
    // they are recorded; a cancelled rendering closes the preview.
    void renderPreview(ReportPreview& preview, PageSpool& spool);
    void releaseCollected();
    // Prints the pages the preview shows, in the range the operator chose.
    void printFromPreview(ReportPreview& preview, PageSpool& spool);
    // Logs a file that could not be written with its cause, kept for the operator; false.
    bool outputFailed(const QString& fileName, const QString& cause);
    void openExported(const QString& fileName);
    // Logs a file not written because the operator cancelled it; false.
    bool outputCancelled(const QString& fileName);
    // Counts a record and, once a slice is over, reports progress and lets
    // the events through. False once rendering is cancelled.
    bool keepRendering();
    // Lets the program's events through, the operator's input only to the
    // preview or progress dialog.
    void letEventsThrough();
    // Whether the rendering under way is to stop: cancelled, or the
    // program's end begun.
    bool stopWanted();
    void beginProgress();
    void endProgress();
    void beginOpenToOperator();
    void setScriptsOpenTo(QWidget* open);
    // A script engine of the report, made on first use.
    std::unique_ptr<TimedScript> makeScript();

    std::unique_ptr<QPrinter> m_ownedPrinter;
    std::unique_ptr<QPainter> m_ownedPainter;
    std::unique_ptr<TimedScript> m_script;
    // Highlighting conditions are plain script: no report functions.
    std::unique_ptr<TimedScript> m_conditionScript;
    CollectedEntries m_collected{*this};
    ReportAggregates m_aggregates{m_collected};
    // The printer of the render loop running now.
    QPrinter* m_renderPrinter = nullptr;
    // Whether the last render loop could paint on its printer from start to end.
    bool m_painted = false;
    bool m_rendering = false;
    // Where the bands of the printed page under way start, below its headers.
    int m_pageTop = 0;
    // The heights the title and the page header take on the printed page
    // under way: the bands below them have only the room they leave.
    int m_titleHeight = 0;
    int m_pageHeaderHeight = 0;
    // Whether the printed page under way has its page footer.
    bool m_footerPlaced = false;
    // The least room a printed page of the report page under way keeps for
    // its records between its own bands: the first record's height, at
    // least a unit, so that a band continued over pages always goes on.
    int m_keptRoom = 1;
    // The bands, by report page and type, already logged as cut.
    QSet<QPair<int, int>> m_cutBands;
    // The part of a band being painted on this page, in template units from
    // its top: a label draws only its lines that start inside it.
    struct BandPart
    {
        const ReportBandObject* band = nullptr;
        int from = 0;
        int to = 0;
        // Where the room ends: a line reaching below it, the band going on
        // below, is not painted rather than cut through its glyphs.
        int limit = 0;
        // Where its texts may paint: down to the room's end.
        QRectF textWindow;
    };
    BandPart m_bandPart;
    // The label texts of the band measured last, for cutting it between lines.
    struct MeasuredText
    {
        ReportFieldObject* field;
        QString text;
        int flags;
    };
    const ReportBandObject* m_measuredBand = nullptr;
    QList<MeasuredText> m_measuredTexts;
    QString m_outputError;
    // The template's pictures, decoded for the output under way.
    PictureCache m_pictures;
    bool m_cancelled = false;
    QElapsedTimer m_slice;
    qint64 m_recordsDone = 0;
    qint64 m_recordsTotal = 0;
    // The progress dialog of the run under way, if it shows one.
    QPointer<QProgressDialog> m_progress;
    // The widget that takes the operator's input while the report renders:
    // its preview, or its progress dialog.
    QWidget* m_openToOperator = nullptr;
    // The preview the render loop records into; it shows the progress and
    // takes the operator's input meanwhile.
    ReportPreview* m_renderingPreview = nullptr;
    QSet<int> m_warnedPages;
    struct PreparedFormula
    {
        QStringList references;
        QStringList names;
        QScriptProgram program;
    };
    QHash<QString, PreparedFormula> m_formulas;
    // The formulas and conditions of this template that ran into the time
    // limit, by their template text, with the error text they gave and the
    // record of the pass they were stopped at: each is stopped once per
    // report, not at every record and pass.
    struct Stopped
    {
        QString text;
        qint64 record = 0;
    };
    QHash<QString, Stopped> m_timedOut;
    // Where the pass under way started in the count of records laid out.
    qint64 m_passStart = 0;
    // The cross tables whose grid this pass has built: one first painted
    // after page 1 (a summary, a later report page) builds it then.
    QSet<const ReportCrossTabObject*> m_builtTables;
    // The page header's and footer's cross tables that the last block they
    // laid out left rows of, for pages of their own.
    QSet<const ReportCrossTabObject*> m_continuedTables;
    qint64 passRecord() const { return m_recordsDone - m_passStart; }
    // What a stopped formula or condition gives at the record laid out now:
    // null before the record it was stopped at, where it ran in time.
    const QString* stoppedText(const QString& key) const;
    void markStopped(const QString& key, const QString& text);
    static QString printingKey(const ReportFieldObject* field);
};
