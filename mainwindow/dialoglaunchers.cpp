#include "dialoglaunchers.h"

#include "commondlg.h"
#include "mappingdlg.h"
#include "timerdlg.h"

#include <QDebug>
#include <QDesktopServices>
#include <QDialog>
#include <QSet>

DialogLaunchers::DialogLaunchers(QWidget* parent)
    : m_parent(parent)
{
}

DialogLaunchers::~DialogLaunchers() = default;

int DialogLaunchers::notAvailable(const char* dialog) const
{
    static QSet<QByteArray> reported;
    if (!reported.contains(dialog)) {
        reported.insert(dialog);
        qWarning().noquote() << QStringLiteral("The %1 is not available in this build").arg(QLatin1String(dialog));
    }
    return QDialog::Rejected;
}

int DialogLaunchers::gatewaySetup()
{
    return notAvailable("gateway setup dialog");
}

int DialogLaunchers::twSensorsSetup(int)
{
    return notAvailable("TW sensor setup dialog");
}

int DialogLaunchers::userAdministration()
{
    return notAvailable("user administration dialog");
}

int DialogLaunchers::about()
{
    return notAvailable("about box");
}

int DialogLaunchers::relayTimers(QList<TimerData>& timers)
{
    TimerDlg dialog(m_parent);
    const int result = dialog.editTimers(timers);
    if (result == QDialog::Accepted)
        timers = dialog.timers();
    return result;
}

int DialogLaunchers::settings(GraphicsScene*)
{
    return notAvailable("settings dialog");
}

Node* DialogLaunchers::actionManager(GraphicsScene*)
{
    notAvailable("action manager");
    return nullptr;
}

int DialogLaunchers::workspaceSetup(QString& caption, QString& imageFile, int& mode)
{
    CommonDlg dialog(m_parent);
    return dialog.workspaceSetup(caption, imageFile, mode);
}

int DialogLaunchers::globalCommand(int mode)
{
    CommonDlg dialog(m_parent);
    const int chosen = dialog.globalCommand(mode);
    return dialog.result() == QDialog::Accepted ? chosen : CommonDlg::GlobalCommandCancelled;
}

Node* DialogLaunchers::selectElement(int kind)
{
    CommonDlg dialog(m_parent);
    Node* node = dialog.selectElement(kind);
    return dialog.result() == QDialog::Accepted ? node : nullptr;
}

int DialogLaunchers::buttonAction(ButtonAction& action)
{
    CommonDlg dialog(m_parent);
    const ButtonAction chosen = dialog.selectButtonAction();
    if (dialog.result() == QDialog::Accepted)
        action = chosen;
    return dialog.result();
}

void installElementPicker()
{
    MappingDlg::setElementPicker([](QWidget* parent, int kind, Node*) {
        CommonDlg dialog(parent);
        Node* node = dialog.selectElement(kind);
        return dialog.result() == QDialog::Accepted ? node : nullptr;
    });
}

static UrlOpener& urlOpener()
{
    static UrlOpener opener = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    return opener;
}

void setUrlOpener(UrlOpener opener)
{
    urlOpener() = std::move(opener);
}

bool openUrl(const QUrl& url)
{
    return urlOpener()(url);
}
