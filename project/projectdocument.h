#pragma once

#include <QDomDocument>
#include <QObject>
#include <QString>

#include <functional>

class QWidget;

// The project file in use and its document. A file is read and parsed in
// full into a separate document before anything of the running project is
// touched, so a file that cannot be read changes nothing; a file is written
// through a temporary file that replaces the old one only once it is
// complete, so a failed or interrupted save never costs the previous file.
//
// It also knows whether the running project differs from its file: every
// edit marks it changed, a load, a save or New marks it unchanged, and the
// window's Save action follows `modifiedChanged`.
class ProjectDocument : public QObject
{
    Q_OBJECT
public:
    static inline const QString DocumentType = QStringLiteral("Workplaces");
    static inline const QString CompanyText = QStringLiteral("Brenik");
    static constexpr int Indent = 2;
    // The root's attribute naming the address the gateway link dials, empty
    // for none; a file without it links to the last gateway box it lists.
    static inline const QString GatewayLinkAttribute = QStringLiteral("gatewayLink");
    // The same for the TW link; a file without it links to the last enabled
    // TW system it lists.
    static inline const QString TWLinkAttribute = QStringLiteral("twLink");
    // Given by the Save As dialog to a name typed without a suffix of its own.
    static inline const QString FileSuffix = QStringLiteral(".xml");

    explicit ProjectDocument(QObject* parent = nullptr);

    bool isModified() const { return m_modified; }
    void setModified(bool modified);

    // False, with a diagnostic line naming the file and the reason in
    // `error`, when it is missing or unreadable, or its content is refused
    // (ProjectLimits::refusal: too big, not well-formed, over a limit; then
    // `refused` is set, when given: the file would fail again as it stands).
    // `document` is then untouched.
    static bool read(const QString& fileName, QDomDocument& document, QString* error = nullptr,
                     bool* refused = nullptr);
    // Writes `document` as UTF-8 text with an XML declaration, indented by
    // two spaces, each element's attributes in the order of their names.
    // False, with the reason in `error`, when the text would be refused on
    // reading (then nothing is written) or could not be written in full; the
    // old file then stays as it was.
    static bool write(const QString& fileName, const QDomDocument& document, QString* error = nullptr);
    // Where an end that asks nothing leaves the unsaved changes of the
    // project in `fileName`: "<name>.unsaved.xml" beside it, never the file
    // itself, or "unsaved.xml" in the program's directory for a project
    // never saved.
    static QString unsavedCopyName(const QString& fileName);

    // The file dialogs of Save As and Open; replaceable so tests never open
    // one. A chooser returns the chosen path, or an empty string when
    // cancelled; the path of Save As is the file written, as it stands.
    using FileNameChooser = std::function<QString(QWidget* parent, const QString& title, const QString& directory,
                                                  const QString& filter)>;
    // An empty function restores the dialog.
    static void setSaveFileChooser(FileNameChooser chooser);
    static void setOpenFileChooser(FileNameChooser chooser);
    static QString chooseSaveFileName(QWidget* parent, const QString& title, const QString& directory,
                                      const QString& filter);
    static QString chooseOpenFileName(QWidget* parent, const QString& title, const QString& directory,
                                      const QString& filter);

    QDomDocument workspaceDocument;
    QString currentFileName;

signals:
    void modifiedChanged(bool modified);

private:
    bool m_modified = false;
};
