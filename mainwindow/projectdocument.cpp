#include "projectdocument.h"
#include "mainwindowlogging.h"

#include "xmldocumentreader.h"

#include <QDebug>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextCodec>
#include <QTextStream>

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
    qCWarning(lcMainWindow).noquote() << QStringLiteral("Project %1 not read: %2").arg(fileName, reason);
    if (error)
        *error = reason;
    return false;
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

bool ProjectDocument::read(const QString& fileName, QDomDocument& document, QString* error)
{
    const QFileInfo info(fileName);
    if (!info.exists())
        return fail(fileName, QStringLiteral("the file does not exist"), error);
    if (!info.isFile())
        return fail(fileName, QStringLiteral("not a file"), error);
    if (info.size() > MaxFileSize)
        return fail(fileName, QStringLiteral("%1 bytes, more than the %2 a project may have")
                                  .arg(info.size())
                                  .arg(MaxFileSize),
                    error);
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return fail(fileName, file.errorString(), error);
    const QByteArray content = file.read(MaxFileSize + 1);
    if (content.size() > MaxFileSize)
        return fail(fileName, QStringLiteral("it grew beyond %1 bytes while being read").arg(MaxFileSize), error);
    QDomDocument parsed;
    QString reason;
    if (!readXmlDocument(content, &parsed, &reason))
        return fail(fileName, QStringLiteral("not well-formed XML (%1)").arg(reason), error);
    document = parsed;
    return true;
}

bool ProjectDocument::write(const QString& fileName, const QDomDocument& document, QString* error)
{
    QSaveFile file(fileName);
    const auto failed = [&](const QString& reason) {
        qCWarning(lcMainWindow).noquote() << QStringLiteral("Project %1 not written: %2").arg(fileName, reason);
        if (error)
            *error = reason;
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return failed(file.errorString());
    QTextStream stream(&file);
    stream.setCodec(QTextCodec::codecForName("UTF-8"));
    document.save(stream, Indent, QDomNode::EncodingFromTextStream);
    stream.flush();
    if (stream.status() != QTextStream::Ok || file.error() != QFileDevice::NoError)
        return failed(file.errorString());
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
    return QFileDialog::getSaveFileName(parent, title, directory, filter);
}

QString ProjectDocument::chooseOpenFileName(QWidget* parent, const QString& title, const QString& directory,
                                            const QString& filter)
{
    if (openChooser())
        return openChooser()(parent, title, directory, filter);
    return QFileDialog::getOpenFileName(parent, title, directory, filter);
}
