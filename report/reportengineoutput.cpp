// The outputs: preview dialog, printer, PDF file and HTML file.
#include "reportengine.h"
#include "reportlogging.h"

#include "pagespool.h"
#include "reportpreview.h"
#include "savefiledialog.h"

#include <QAction>
#include <QDebug>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace {

ReportEngine::PreviewHook& previewHook()
{
    static ReportEngine::PreviewHook hook;
    return hook;
}

ReportEngine::SaveFileNameHook& saveFileNameHook()
{
    static ReportEngine::SaveFileNameHook hook;
    return hook;
}

ReportEngine::OpenFileHook& openFileHook()
{
    static ReportEngine::OpenFileHook hook;
    return hook;
}

ReportEngine::PrintDialogHook& printDialogHook()
{
    static ReportEngine::PrintDialogHook hook;
    return hook;
}

ReportEngine::WarningHook& warningHook()
{
    static ReportEngine::WarningHook hook;
    return hook;
}

QString noPagesText()
{
    return ReportEngine::tr("the report has no pages");
}

const QString kHtmlStart = QStringLiteral("<HTML><HEAD><meta charset=\"UTF-8\"></HEAD><BODY>");
const QString kHtmlEnd = QStringLiteral("</BODY></HTML>");

bool openFile(const QString& fileName)
{
    if (openFileHook())
        return openFileHook()(fileName);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(fileName));
}

void warn(QWidget* parent, const QString& title, const QString& text)
{
    if (warningHook())
        warningHook()(parent, title, text);
    else
        QMessageBox::warning(parent, title, text);
}

// A PDF is written to ".<name>.XXXXXX" beside its target, X a letter or digit.
constexpr int PartialSuffixLength = 6;

QString partialPrefix(const QFileInfo& target)
{
    return target.absolutePath() + QStringLiteral("/.") + target.fileName() + QLatin1Char('.');
}

bool isPartialOf(const QString& name, const QString& targetName)
{
    const QString prefix = QLatin1Char('.') + targetName + QLatin1Char('.');
    if (!name.startsWith(prefix) || name.size() != prefix.size() + PartialSuffixLength)
        return false;
    const QStringRef suffix = name.midRef(prefix.size());
    return std::all_of(suffix.begin(), suffix.end(), [](QChar c) { return c.isLetterOrNumber() && c.unicode() < 128; });
}

// An export killed while writing leaves its partial file; the next export of
// the same target clears it away.
void removeLeftovers(const QFileInfo& target)
{
    const QDir dir(target.absolutePath());
    const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo& entry : entries) {
        if (isPartialOf(entry.fileName(), target.fileName()) && !QFile::remove(entry.absoluteFilePath()))
            qCWarning(lcReport) << "Could not remove the partial report file" << entry.absoluteFilePath();
    }
}

// A new empty file beside the target, made as the program makes any file:
// its permissions follow the umask. Empty when none could be made.
QString createPartialFile(const QFileInfo& target, QString* error)
{
    static const QString characters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789");
    constexpr int Attempts = 100;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        QString name = partialPrefix(target);
        for (int i = 0; i < PartialSuffixLength; ++i)
            name += characters.at(QRandomGenerator::global()->bounded(characters.size()));
        QFile file(name);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return name;
        *error = file.errorString();
        if (!file.exists())
            break;
    }
    return QString();
}

// The PDF engine does not report a failed write of its file. Asked again
// where the file stopped, the system names the cause (a full disk, a file
// size limit); empty when a write there succeeds.
QString writeFailure(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::Append))
        return file.errorString();
    constexpr int ProbeSize = 64 * 1024;
    errno = 0;
    if (file.write(QByteArray(ProbeSize, '\0')) == ProbeSize && file.flush())
        return QString();
    return errno != 0 ? qt_error_string(errno) : file.errorString();
}

// A PDF whose writing stopped short (a full disk, a killed program) lacks
// its closing trailer.
bool isCompletePdf(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 16)
        return false;
    file.seek(file.size() - 16);
    return file.readAll().trimmed().endsWith("%%EOF");
}

} // namespace

void ReportEngine::setPreviewHook(PreviewHook hook)
{
    previewHook() = std::move(hook);
}

void ReportEngine::setSaveFileNameHook(SaveFileNameHook hook)
{
    saveFileNameHook() = std::move(hook);
}

void ReportEngine::setOpenFileHook(OpenFileHook hook)
{
    openFileHook() = std::move(hook);
}

void ReportEngine::setPrintDialogHook(PrintDialogHook hook)
{
    printDialogHook() = std::move(hook);
}

void ReportEngine::setWarningHook(WarningHook hook)
{
    warningHook() = std::move(hook);
}

void ReportEngine::printExec(bool maximize, bool direct, QString printerName)
{
    if (refusedWhileRendering())
        return;
    printMode = PrinterOutput;
    if (!printer) {
        m_ownedPrinter = std::make_unique<QPrinter>(printerMode);
        printer = m_ownedPrinter.get();
    }
    if (!printerName.isEmpty()) {
        printer->setPrinterName(printerName);
        if (!printer->isValid())
            printer->setPrinterName(QPrinterInfo::defaultPrinter().printerName());
    }
    if (!painter) {
        m_ownedPainter = std::make_unique<QPainter>();
        painter = m_ownedPainter.get();
    }
    if (previewHook()) {
        previewHook()(*this);
        return;
    }
    if (direct) {
        printPreview(printer);
        return;
    }

    // Pages go to a spool on disk and only those in view are read back: a
    // long log prints tens of thousands of pages.
    PageSpool spool;
    ReportPreview dialog(spool, qobject_cast<QWidget*>(parent()));
    previewWidget = dialog.pages();
    previewWidget->setZoomMode(maximize ? PreviewPages::FitToWidth : PreviewPages::FitInView);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        dialog.setGeometry(QRect(QPoint(5, 30), QPoint(available.right() - 6, available.bottom() - 6)));
    }

    auto* pdfAction = new QAction(QIcon(QStringLiteral(":/pdf.png")), tr("Save as PDF"), this);
    pdfAction->setObjectName(QStringLiteral("actExpToPdf"));
    auto* htmlAction = new QAction(QIcon(QStringLiteral(":/html.png")), tr("Save as HTML"), this);
    htmlAction->setObjectName(QStringLiteral("actExpToHtml"));
    connect(pdfAction, &QAction::triggered, this, [this] { exportTo(PdfExport); });
    connect(htmlAction, &QAction::triggered, this, [this] { exportTo(HtmlExport); });
    dialog.toolBar()->addAction(pdfAction);
    dialog.toolBar()->addAction(htmlAction);
    previewActions = dialog.findChildren<QAction*>() << pdfAction << htmlAction;
    previewWidget->installEventFilter(this);
    connect(&dialog, &ReportPreview::cancelRequested, this, &ReportEngine::cancelRendering);
    connect(&dialog, &ReportPreview::printRequested, this, [this, &dialog, &spool] { printFromPreview(dialog, spool); });
    // Rendering starts once the preview shows, inside its event loop.
    QTimer::singleShot(0, &dialog, [this, &dialog, &spool] { renderPreview(dialog, spool); });
    dialog.exec();
    previewWidget = nullptr;
    previewActions.clear();
    releaseCollected();
}

// The values a long report collected run to hundreds of megabytes: freed on
// the GUI thread they would hold the window well after the preview closed.
// A later output collects them again in its counting pass.
void ReportEngine::releaseCollected()
{
    auto collected = std::make_shared<GroupEntryList>(std::move(groupEntries));
    groupEntries = GroupEntryList();
    groupRecords.clear();
    m_aggregates.reset();
    QThreadPool::globalInstance()->start([collected = std::move(collected)]() mutable { collected.reset(); });
}

void ReportEngine::renderPreview(ReportPreview& preview, PageSpool& spool)
{
    if (refusedWhileRendering())
        return;
    SpoolPrinter pages(spool, printerMode);
    pages.setPageLayout(printer->pageLayout());
    m_renderingPreview = &preview;
    preview.setRendering(true);
    const QMetaObject::Connection progress =
        connect(this, &ReportEngine::renderProgress, &preview, &ReportPreview::setProgress);
    printPreview(&pages);
    disconnect(progress);
    m_renderingPreview = nullptr;
    preview.setRendering(false);
    if (m_cancelled)
        preview.reject();
    else if (spool.failed())
        warn(&preview, tr("Print Preview"), tr("The pages could not be kept for the preview."));
}

void ReportEngine::printFromPreview(ReportPreview& preview, PageSpool& spool)
{
    if (refusedWhileRendering())
        return;
    if (spool.count() == 0) {
        warn(&preview, tr("Print"), tr("The report could not be printed: %1.").arg(noPagesText()));
        return;
    }
    printer->setFromTo(0, 0);
    const bool chosen = printDialogHook() ? printDialogHook()(*printer, &preview) : [&] {
        QPrintDialog dialog(printer, &preview);
        dialog.setMinMax(1, spool.count());
        return dialog.exec() == QDialog::Accepted;
    }();
    if (!chosen)
        return;
    // Printed by the render loop itself, as the export writes its PDF: a
    // picture played on a printer of another resolution misplaces its texts.
    printPreview(printer);
    if (!m_painted && !m_cancelled)
        warn(&preview, tr("Print"), tr("The report could not be printed."));
}

// The preview opens on its first page.
bool ReportEngine::eventFilter(QObject* watched, QEvent* event)
{
    if (previewWidget && watched == previewWidget && event->type() == QEvent::Show)
        previewWidget->setCurrentPage(1);
    return QObject::eventFilter(watched, event);
}

void ReportEngine::exportTo(ExportFormat format)
{
    auto* parentWidget = qobject_cast<QWidget*>(parent());
    // A name typed without an extension gets the format's own.
    const auto ask = [parentWidget](const QString& filter, const QString& suffix) {
        const QString caption = tr("Save File");
        if (saveFileNameHook())
            return saveFileNameHook()(parentWidget, caption, filter);
        return SaveFileDialog::getSaveFileName(parentWidget, caption, QString(), filter, suffix);
    };
    // A file that could not be written is the operator's to know, over the preview.
    const auto report = [this, parentWidget](bool written, const QString& name) {
        if (written || renderingCancelled())
            return;
        QWidget* over = previewWidget ? previewWidget->window() : parentWidget;
        warn(over, tr("Save File"),
             tr("The report could not be saved to %1: %2.").arg(QDir::toNativeSeparators(name), m_outputError));
    };
    if (format == PdfExport) {
        const QString name = ask(tr("PDF Files (*.pdf)"), QStringLiteral("pdf"));
        if (!name.isEmpty())
            report(printPDF(name, false), name);
    } else {
        const QString name = ask(tr("HTML Files (*.html)"), QStringLiteral("html"));
        if (!name.isEmpty())
            report(printHTML(name, true), name);
    }
}

bool ReportEngine::renderToPdf(const QString& fileName, int mode)
{
    QPrinter pdf(printerMode);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(fileName);
    if (printer)
        pdf.setPageLayout(printer->pageLayout());
    printMode = mode;
    printPreview(&pdf);
    printMode = PrinterOutput;
    return m_painted;
}

bool ReportEngine::printPDF(QString fileName, bool open)
{
    m_outputError.clear();
    if (refusedWhileRendering()) {
        m_outputError = tr("the report is being printed");
        return false;
    }
    // Written beside the target and put in its place only when complete,
    // so a failure leaves an earlier file of that name as it was.
    const QFileInfo target(fileName);
    removeLeftovers(target);
    QString error;
    const QString partial = createPartialFile(target, &error);
    if (partial.isEmpty())
        return outputFailed(fileName, error);
    // A file written over keeps the permissions it had.
    if (target.exists())
        QFile::setPermissions(partial, QFile::permissions(target.absoluteFilePath()));
    if (!renderToPdf(partial, PdfOutput) || !isCompletePdf(partial)) {
        if (m_cancelled) {
            QFile::remove(partial);
            return outputCancelled(fileName);
        }
        error = pageList.isEmpty() ? noPagesText()
                : !m_painted       ? tr("the PDF could not be started")
                                   : writeFailure(partial);
        QFile::remove(partial);
        return outputFailed(fileName, error.isEmpty() ? tr("the PDF was cut short") : error);
    }
    if (std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(target.absoluteFilePath()).constData())
        != 0) {
        error = qt_error_string(errno);
        QFile::remove(partial);
        return outputFailed(fileName, error);
    }
    if (open)
        openExported(fileName);
    return true;
}

bool ReportEngine::outputFailed(const QString& fileName, const QString& cause)
{
    m_outputError = cause;
    qCWarning(lcReport).noquote() << "Could not write report file" << fileName << cause;
    return false;
}

// The file is written: that no program shows it is no failure of the export,
// but the operator, who waits for it to open, is told.
void ReportEngine::openExported(const QString& fileName)
{
    if (openFile(fileName))
        return;
    qCWarning(lcReport).noquote() << "No program opened the report file" << fileName;
    QWidget* over = previewWidget ? previewWidget->window() : qobject_cast<QWidget*>(parent());
    warn(over, tr("Save File"),
         tr("The report was saved to %1, but no program could be found to open it.").arg(QDir::toNativeSeparators(fileName)));
}

bool ReportEngine::outputCancelled(const QString& fileName)
{
    m_outputError = tr("the export was cancelled");
    qCInfo(lcReport).noquote() << "Report file" << fileName << "not written: the export was cancelled";
    return false;
}

bool ReportEngine::printHTML(QString fileName, bool open)
{
    m_outputError.clear();
    if (refusedWhileRendering()) {
        m_outputError = tr("the report is being printed");
        return false;
    }
    htmlText = kHtmlStart;
    // Auto-height fields are measured on a painter; its PDF is thrown away.
    QTemporaryDir scratch;
    const bool painted = scratch.isValid() && renderToPdf(scratch.filePath(QStringLiteral("measure.pdf")), HtmlOutput);
    htmlText += kHtmlEnd;
    if (!painted && m_cancelled)
        return outputCancelled(fileName);
    if (!painted)
        return outputFailed(fileName, pageList.isEmpty() ? noPagesText() : tr("the report could not be laid out"));
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return outputFailed(fileName, file.errorString());
    // Written whole in one go; the file reports a failed write only as
    // "Unknown error", the system says why.
    const QByteArray bytes = htmlText.toUtf8();
    errno = 0;
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const int cause = errno;
        file.cancelWriting();
        return outputFailed(fileName, cause != 0 ? qt_error_string(cause) : file.errorString());
    }
    if (!file.commit())
        return outputFailed(fileName, file.errorString());
    if (open)
        openExported(fileName);
    return true;
}

bool ReportEngine::printToFile(const QString& fileName)
{
    if (fileName.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        return printPDF(fileName, false);
    return printHTML(fileName, false);
}
