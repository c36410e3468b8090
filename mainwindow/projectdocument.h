#pragma once

#include <QDomDocument>
#include <QString>

// The project file in use and its document. A file is read and parsed in
// full into a separate document before anything of the running project is
// touched, so a file that cannot be read changes nothing.
class ProjectDocument
{
public:
    static inline const QString DocumentType = QStringLiteral("Workplaces");

    ProjectDocument();

    // False, with a diagnostic line naming the file, when it is missing,
    // unreadable or not well-formed; `document` is then untouched.
    static bool read(const QString& fileName, QDomDocument& document);

    QDomDocument workspaceDocument;
    QString currentFileName;
};
