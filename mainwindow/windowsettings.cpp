#include "windowsettings.h"

#include "programend.h"
#include "settingsfile.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace WindowSettings {
namespace {

bool& told()
{
    static bool once = false;
    return once;
}

Notifier& notifier()
{
    static Notifier current;
    return current;
}

void showMessage(const QString& text)
{
    auto* box = new QMessageBox(QMessageBox::Warning, QCoreApplication::translate("WindowSettings", "Settings"), text,
                                QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}

} // namespace

bool write(const std::function<void(QSettings&)>& fill)
{
    if (SettingsFile::write(fill))
        return true;
    // Once the end has begun no box may keep it waiting: the log says it.
    if (told() || ProgramEnd::hasBegun())
        return false;
    told() = true;
    const QString text = QCoreApplication::translate("WindowSettings",
                                                     "The settings could not be saved to\n%1\n"
                                                     "Settings changed in this session may be lost.")
                             .arg(SettingsFile::path());
    if (notifier())
        notifier()(text);
    else
        showMessage(text);
    return false;
}

void setNotifier(Notifier newNotifier)
{
    notifier() = std::move(newNotifier);
}

void reset()
{
    told() = false;
}

} // namespace WindowSettings
