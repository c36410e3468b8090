#include "projectdocument.h"
#include "projectlogging.h"

#include "projectlimits.h"

#include "apppaths.h"
#include "savefiledialog.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QSaveFile>
#include <QVector>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cerrno>

namespace {

ProjectDocument::FileNameChooser& saveChooser()
{
    static ProjectDocument::FileNameChooser chooser;
    return chooser;
}

ProjectDocument::FileNameChooser& openChooser()
{
    static ProjectDocument::FileNameChooser chooser;
    return chooser;
}

bool fail(const QString& fileName, const QString& reason, QString* error)
{
    qCWarning(lcProject).noquote() << QStringLiteral("Project %1 not read: %2").arg(fileName, reason);
    if (error)
        *error = reason;
    return false;
}

// The DOM keeps attributes in a hash, whose order changes with every run's
// seed: they are written sorted by name, so that a project saved twice is
// the same file byte for byte.
void writeNode(QXmlStreamWriter& writer, const QDomNode& node)
{
    if (node.isElement()) {
        const QDomElement element = node.toElement();
        if (element.hasChildNodes())
            writer.writeStartElement(element.tagName());
        else
            writer.writeEmptyElement(element.tagName());
        const QDomNamedNodeMap map = element.attributes();
        QVector<QDomAttr> attributes;
        for (int i = 0; i < map.count(); ++i)
            attributes.append(map.item(i).toAttr());
        std::sort(attributes.begin(), attributes.end(),
                  [](const QDomAttr& a, const QDomAttr& b) { return a.name() < b.name(); });
        for (const QDomAttr& attribute : qAsConst(attributes))
            writer.writeAttribute(attribute.name(), attribute.value());
        for (QDomNode child = element.firstChild(); !child.isNull(); child = child.nextSibling())
            writeNode(writer, child);
        if (element.hasChildNodes())
            writer.writeEndElement();
    } else if (node.isCDATASection()) {
        writer.writeCDATA(node.nodeValue());
    } else if (node.isText()) {
        writer.writeCharacters(node.nodeValue());
    } else if (node.isComment()) {
        writer.writeComment(node.nodeValue());
    } else if (node.isProcessingInstruction() && node.nodeName() != QLatin1String("xml")) {
        // The declaration is the writer's own.
        writer.writeProcessingInstruction(node.nodeName(), node.nodeValue());
    }
}

QByteArray serialized(const QDomDocument& document)
{
    QByteArray content;
    QXmlStreamWriter writer(&content);
    writer.setCodec("UTF-8");
    writer.setAutoFormatting(true);
    writer.setAutoFormattingIndent(ProjectDocument::Indent);
    writer.writeStartDocument();
    for (QDomNode node = document.firstChild(); !node.isNull(); node = node.nextSibling())
        writeNode(writer, node);
    writer.writeEndDocument();
    return content;
}

} // namespace

ProjectDocument::ProjectDocument(QObject* parent)
    : QObject(parent)
    , workspaceDocument(DocumentType)
{
}

void ProjectDocument::setModified(bool modified)
{
    if (modified == m_modified)
        return;
    m_modified = modified;
    emit modifiedChanged(modified);
}

bool ProjectDocument::read(const QString& fileName, QDomDocument& document, QString* error, bool* refused)
{
    const auto failed = [&](const QString& reason, bool byContent) {
        if (refused)
            *refused = byContent;
        return fail(fileName, reason, error);
    };
    const QFileInfo info(fileName);
    if (!info.exists())
        return failed(QStringLiteral("the file does not exist"), false);
    if (!info.isFile())
        return failed(QStringLiteral("not a file"), false);
    const QString tooBig = ProjectLimits::sizeRefusal(info.size());
    if (!tooBig.isEmpty())
        return failed(tooBig, true);
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return failed(file.errorString(), false);
    // A buffer of the file's size, not of the limit's: one byte more shows
    // that it grew meanwhile, and only then is the rest read up to the limit.
    QByteArray content = file.read(info.size() + 1);
    if (content.size() > info.size() && file.error() == QFileDevice::NoError)
        content += file.read(ProjectLimits::MaxFileSize + 1 - content.size());
    if (file.error() != QFileDevice::NoError)
        return failed(file.errorString(), false);
    if (content.size() > ProjectLimits::MaxFileSize)
        return failed(QStringLiteral("it grew beyond %1 bytes while being read").arg(ProjectLimits::MaxFileSize), true);
    QDomDocument parsed;
    const QString refusal = ProjectLimits::refusal(content, &parsed);
    if (!refusal.isEmpty())
        return failed(refusal, true);
    if (refused)
        *refused = false;
    document = parsed;
    return true;
}

QString ProjectDocument::unsavedCopyName(const QString& fileName)
{
    if (fileName.isEmpty())
        return AppPaths::filePath(QStringLiteral("unsaved.xml"));
    const QFileInfo file(fileName);
    return file.dir().filePath(file.completeBaseName() + QStringLiteral(".unsaved.xml"));
}

bool ProjectDocument::write(const QString& fileName, const QDomDocument& document, QString* error)
{
    QSaveFile file(fileName);
    const auto failed = [&](const QString& reason) {
        qCWarning(lcProject).noquote() << QStringLiteral("Project %1 not written: %2").arg(fileName, reason);
        if (error)
            *error = reason;
        file.cancelWriting();
        return false;
    };
    const QByteArray content = serialized(document);
    const QString refusal = ProjectLimits::refusal(content);
    if (!refusal.isEmpty())
        return failed(QStringLiteral("Not saved, as the file would be refused when opened: %1.").arg(refusal));
    if (!file.open(QIODevice::WriteOnly))
        return failed(file.errorString());
    // Written whole in one go: a failure of the file's own buffered writes
    // would pass unnoticed and the commit would keep a cut-off file.
    errno = 0;
    if (file.write(content) != content.size() || !file.flush()) {
        // The file reports a failed write only as "Unknown error"; the
        // system says why (a full disk, a file size limit).
        const int cause = errno;
        return failed(cause != 0 ? qt_error_string(cause) : file.errorString());
    }
    if (!file.commit())
        return failed(file.errorString());
    return true;
}

void ProjectDocument::setSaveFileChooser(FileNameChooser chooser)
{
    saveChooser() = std::move(chooser);
}

void ProjectDocument::setOpenFileChooser(FileNameChooser chooser)
{
    openChooser() = std::move(chooser);
}

QString ProjectDocument::chooseSaveFileName(QWidget* parent, const QString& title, const QString& directory,
                                            const QString& filter)
{
    if (saveChooser())
        return saveChooser()(parent, title, directory, filter);
    return SaveFileDialog::getSaveFileName(parent, title, directory, filter, FileSuffix);
}

QString ProjectDocument::chooseOpenFileName(QWidget* parent, const QString& title, const QString& directory,
                                            const QString& filter)
{
    if (openChooser())
        return openChooser()(parent, title, directory, filter);
    return QFileDialog::getOpenFileName(parent, title, directory, filter);
}
