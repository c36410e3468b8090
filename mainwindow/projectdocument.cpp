#include "projectdocument.h"

#include <QDebug>
#include <QFile>

ProjectDocument::ProjectDocument()
    : workspaceDocument(DocumentType)
{
}

bool ProjectDocument::read(const QString& fileName, QDomDocument& document)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning().noquote() << QStringLiteral("Project %1 could not be opened: %2").arg(fileName, file.errorString());
        return false;
    }
    QDomDocument parsed(DocumentType);
    QString error;
    int line = 0;
    if (!parsed.setContent(&file, &error, &line)) {
        qWarning().noquote() << QStringLiteral("Project %1 is not well-formed (line %2: %3)")
                                    .arg(fileName)
                                    .arg(line)
                                    .arg(error);
        return false;
    }
    document = parsed;
    return true;
}
