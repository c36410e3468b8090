// The outputs: preview dialog, printer, PDF file and HTML file.
#include "reportengine.h"
#include "reportlogging.h"

#include <QAction>
#include <QDebug>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinterInfo>
#include <QSaveFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTextStream>
#include <QToolBar>
#include <QUrl>

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

const QString kHtmlStart = QStringLiteral("<HTML><HEAD><meta charset=\"UTF-8\"></HEAD><BODY>");
const QString kHtmlEnd = QStringLiteral("</BODY></HTML>");

void openFile(const QString& fileName)
{
    if (openFileHook())
        openFileHook()(fileName);
    else
        QDesktopServices::openUrl(QUrl::fromLocalFile(fileName));
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

void ReportEngine::printExec(bool maximize, bool direct, QString printerName)
{
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

    QPrintPreviewDialog dialog(printer, qobject_cast<QWidget*>(parent()), Qt::Window);
    previewWidget = dialog.findChild<QPrintPreviewWidget*>();
    if (maximize && previewWidget)
        previewWidget->setZoomMode(QPrintPreviewWidget::FitToWidth);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, &ReportEngine::printPreview);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        dialog.setGeometry(QRect(QPoint(5, 30), QPoint(available.right() - 6, available.bottom() - 6)));
    }
    previewActions = dialog.findChildren<QAction*>();

    auto* pdfAction = new QAction(QIcon(QStringLiteral(":/pdf.png")), tr("Save as PDF"), this);
    pdfAction->setObjectName(QStringLiteral("actExpToPdf"));
    auto* htmlAction = new QAction(QIcon(QStringLiteral(":/html.png")), tr("Save as HTML"), this);
    htmlAction->setObjectName(QStringLiteral("actExpToHtml"));
    connect(pdfAction, &QAction::triggered, this, &ReportEngine::exportTo);
    connect(htmlAction, &QAction::triggered, this, &ReportEngine::exportTo);
    if (auto* toolBar = dialog.findChild<QToolBar*>()) {
        toolBar->addAction(pdfAction);
        toolBar->addAction(htmlAction);
    }
    if (previewWidget)
        previewWidget->installEventFilter(this);
    dialog.exec();
    previewWidget = nullptr;
    previewActions.clear();
}

// The preview opens on its first page.
bool ReportEngine::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == previewWidget && event->type() == QEvent::Show && previewWidget)
        previewWidget->setCurrentPage(1);
    return QObject::eventFilter(watched, event);
}

void ReportEngine::exportTo()
{
    const QString kind = sender() ? sender()->objectName() : QString();
    auto* parentWidget = qobject_cast<QWidget*>(parent());
    const auto ask = [parentWidget](const QString& filter) {
        const QString caption = tr("Save File");
        if (saveFileNameHook())
            return saveFileNameHook()(parentWidget, caption, filter);
        return QFileDialog::getSaveFileName(parentWidget, caption, QString(), filter);
    };
    if (kind == QLatin1String("actExpToPdf")) {
        const QString name = ask(tr("PDF Files (*.pdf)"));
        if (!name.isEmpty())
            printPDF(name, false);
    } else if (kind == QLatin1String("actExpToHtml")) {
        const QString name = ask(tr("HTML Files (*.html)"));
        if (!name.isEmpty())
            printHTML(name, true);
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
    // Written beside the target and put in its place only when complete,
    // so a failure leaves an earlier file of that name as it was.
    const QFileInfo target(fileName);
    QTemporaryFile partial(target.absolutePath() + QStringLiteral("/.") + target.fileName()
                           + QStringLiteral(".XXXXXX"));
    if (!partial.open()) {
        qCWarning(lcReport) << "Could not write report file" << fileName << partial.errorString();
        return false;
    }
    partial.close();
    // The file gets the permissions an earlier one had, or the usual ones,
    // not the private ones of a temporary file.
    const QFile::Permissions shared = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                      | QFileDevice::ReadOther;
    partial.setPermissions(target.exists() ? QFile::permissions(target.absoluteFilePath()) : shared);
    if (!renderToPdf(partial.fileName(), PdfOutput) || !isCompletePdf(partial.fileName())
        || std::rename(QFile::encodeName(partial.fileName()).constData(),
                       QFile::encodeName(target.absoluteFilePath()).constData())
               != 0) {
        qCWarning(lcReport) << "Could not write report file" << fileName;
        return false;
    }
    partial.setAutoRemove(false);
    if (open)
        openFile(fileName);
    return true;
}

bool ReportEngine::printHTML(QString fileName, bool open)
{
    htmlText = kHtmlStart;
    // Auto-height fields are measured on a painter; its PDF is thrown away.
    QTemporaryDir scratch;
    const bool painted = scratch.isValid() && renderToPdf(scratch.filePath(QStringLiteral("measure.pdf")), HtmlOutput);
    htmlText += kHtmlEnd;
    QSaveFile file(fileName);
    bool written = painted && file.open(QIODevice::WriteOnly | QIODevice::Text);
    if (written) {
        QTextStream stream(&file);
        stream.setCodec("UTF-8");
        stream << htmlText;
        stream.flush();
        written = stream.status() == QTextStream::Ok && file.commit();
    }
    if (!written) {
        qCWarning(lcReport) << "Could not write report file" << fileName << file.errorString();
        return false;
    }
    if (open)
        openFile(fileName);
    return true;
}

bool ReportEngine::printToFile(const QString& fileName)
{
    if (fileName.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        return printPDF(fileName, false);
    return printHTML(fileName, false);
}
