#include "pdfprobe.h"

#include <QDebug>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning() << "poppler tool failed:" << program << arguments << process.errorString()
                   << process.readAllStandardError();
        return QString();
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString info(const QString& pdf, const QString& key)
{
    const QRegularExpression line(QStringLiteral("^") + key + QStringLiteral(":\\s*(.*)$"),
                                  QRegularExpression::MultilineOption);
    return line.match(run(QStringLiteral("pdfinfo"), {pdf})).captured(1).trimmed();
}

} // namespace

int PdfProbe::pageCount(const QString& pdf)
{
    bool ok = false;
    const int pages = info(pdf, QStringLiteral("Pages")).toInt(&ok);
    return ok ? pages : -1;
}

QString PdfProbe::pageSize(const QString& pdf)
{
    return info(pdf, QStringLiteral("Page size"));
}

QString PdfProbe::text(const QString& pdf, int page)
{
    QStringList arguments{QStringLiteral("-layout")};
    if (page > 0)
        arguments << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l") << QString::number(page);
    return run(QStringLiteral("pdftotext"), arguments << pdf << QStringLiteral("-"));
}

QImage PdfProbe::pageImage(const QString& pdf, int page, int dpi)
{
    QTemporaryDir dir;
    const QString prefix = dir.filePath(QStringLiteral("page"));
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"), QString::number(page),
                                     QStringLiteral("-l"), QString::number(page), QStringLiteral("-singlefile"),
                                     QStringLiteral("-png"), pdf, prefix});
    return QImage(prefix + QStringLiteral(".png"));
}

QList<PdfProbe::Word> PdfProbe::words(const QString& pdf, int page)
{
    static const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    QList<Word> found;
    const QString p = QString::number(page);
    for (auto it = word.globalMatch(run(QStringLiteral("pdftotext"), {"-bbox", "-f", p, "-l", p, pdf, "-"})); it.hasNext();) {
        const auto m = it.next();
        found.append({m.captured(5), QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                            QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()))});
    }
    return found;
}
