#include "dialoglaunchers.h"

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

int DialogLaunchers::relayTimers(QList<TimerData>&)
{
    return notAvailable("relay timer list");
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

int DialogLaunchers::workspaceSetup(QString&, QString&, int&)
{
    return notAvailable("workspace set-up page");
}

Node* DialogLaunchers::selectSensor()
{
    notAvailable("sensor picker");
    return nullptr;
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
