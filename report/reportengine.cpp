#include "reportengine.h"

#include "reportpageobject.h"
#include "reportpagepainter.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextDocument>
#include <QWidget>

namespace {

ReportEngine::PreviewHook& previewHook()
{
    static ReportEngine::PreviewHook hook;
    return hook;
}

const QString kMasterData = QStringLiteral("MasterData");

} // namespace

void ReportEngine::setPreviewHook(PreviewHook hook)
{
    previewHook() = std::move(hook);
}

ReportEngine::ReportEngine(QObject* parent)
    : QObject(parent)
    , m_xmlDoc(QStringLiteral("Reports"))
{
}

ReportEngine::~ReportEngine()
{
    qDeleteAll(pageList);
}

bool ReportEngine::loadReport(QString fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QDomDocument doc(QStringLiteral("Reports"));
    if (!doc.setContent(&file)) {
        qWarning() << "Report file not found";
        return false;
    }
    m_xmlDoc = doc;
    readVariables();
    return true;
}

// Each child element of the document element is one report page; the
// variables printed per record are the [name] references in the fields of
// its MasterData bands.
void ReportEngine::readVariables()
{
    static const QRegularExpression reference(QStringLiteral("\\[([^\\[\\]]+)\\]"));
    m_pageVariables.clear();
    for (QDomNode page = m_xmlDoc.documentElement().firstChild(); !page.isNull(); page = page.nextSibling()) {
        QStringList names;
        for (QDomElement band = page.firstChildElement(QStringLiteral("ReportBand")); !band.isNull();
             band = band.nextSiblingElement(QStringLiteral("ReportBand"))) {
            if (band.attribute(QStringLiteral("type")) != kMasterData)
                continue;
            for (QDomElement field = band.firstChildElement(); !field.isNull(); field = field.nextSiblingElement()) {
                auto it = reference.globalMatch(field.attribute(QStringLiteral("value")));
                while (it.hasNext()) {
                    const QString name = it.next().captured(1);
                    if (!names.contains(name))
                        names.append(name);
                }
            }
        }
        m_pageVariables.append(names);
    }
}

QString ReportEngine::renderHtml()
{
    QString html = QStringLiteral("<html><body>");
    for (int page = 0; page < m_pageVariables.size(); ++page) {
        const QStringList& names = m_pageVariables.at(page);
        const int records = page < recordsCount.size() ? recordsCount.at(page) : 0;
        html += QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"2\">");
        for (int recNo = 0; recNo < records; ++recNo) {
            html += QStringLiteral("<tr>");
            for (const QString& name : names) {
                QVariant value;
                emit setValue(recNo, name, value, page);
                html += QStringLiteral("<td>") + value.toString().toHtmlEscaped() + QStringLiteral("</td>");
            }
            html += QStringLiteral("</tr>");
        }
        html += QStringLiteral("</table>");
    }
    html += QStringLiteral("</body></html>");
    return html;
}

bool ReportEngine::printToFile(const QString& fileName)
{
    if (!pageList.isEmpty())
        return ReportPagePainter(*this).printToFile(fileName);
    const QString html = renderHtml();
    if (fileName.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) {
        // The document's print gives no result. Whether the target can be
        // written is found out first, and an empty file after printing means
        // nothing was: a file or folder already there proves nothing.
        QFile target(fileName);
        if (!target.open(QIODevice::WriteOnly)) {
            qWarning() << "Could not write the report to" << fileName << target.errorString();
            return false;
        }
        target.close();
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(fileName);
        QTextDocument document;
        document.setHtml(html);
        document.print(&printer);
        if (QFileInfo(fileName).size() <= 0) {
            qWarning() << "Could not write the report to" << fileName;
            return false;
        }
        return true;
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(html.toUtf8()) < 0 || !file.commit()) {
        qWarning() << "Could not write the report to" << fileName << file.errorString();
        return false;
    }
    return true;
}

void ReportEngine::printExec(bool maximize, bool direct, QString printerName)
{
    if (previewHook()) {
        previewHook()(*this);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    if (!printerName.isEmpty() && QPrinterInfo::printerInfo(printerName).printerName() == printerName)
        printer.setPrinterName(printerName);
    auto paint = [this](QPrinter* target) {
        if (!pageList.isEmpty()) {
            ReportPagePainter(*this).paint(target);
            return;
        }
        QTextDocument document;
        document.setHtml(renderHtml());
        document.print(target);
    };
    if (direct) {
        paint(&printer);
        return;
    }
    QPrintPreviewDialog preview(&printer, qobject_cast<QWidget*>(parent()));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, paint);
    if (maximize)
        preview.setWindowState(preview.windowState() | Qt::WindowMaximized);
    preview.exec();
}
