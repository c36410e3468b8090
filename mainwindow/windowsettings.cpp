#include "windowsettings.h"

#include "programend.h"
#include "selfshownwindow.h"
#include "settingsfile.h"

#include <QCoreApplication>
#include <QDir>
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

// Told by a write the program makes by itself (a zoom step, the recent
// projects): the box takes no key typed elsewhere and blocks no window.
void showMessage(const QString& text)
{
    auto* box = new QMessageBox(QMessageBox::Warning, QCoreApplication::translate("WindowSettings", "Settings"), text,
                                QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    SelfShownWindow::show(box);
}

// Once the end has begun no box may keep it waiting: the log says it.
void tell(const QString& text)
{
    if (ProgramEnd::hasBegun())
        return;
    if (notifier())
        notifier()(text);
    else
        showMessage(text);
}

} // namespace

bool write(const std::function<void(QSettings&)>& fill)
{
    if (SettingsFile::write(fill))
        return true;
    if (told() || ProgramEnd::hasBegun())
        return false;
    told() = true;
    tell(QCoreApplication::translate("WindowSettings",
                                     "The settings could not be saved to\n%1\n"
                                     "Settings changed in this session may be lost.")
             .arg(SettingsFile::path()));
    return false;
}

void tellSetAside(const QString& path, const QString& keptAs)
{
    tell(QCoreApplication::translate("WindowSettings",
                                     "The settings file\n%1\ncould not be read. It is kept as\n%2\n"
                                     "and the settings are saved anew; those it held are back at their defaults.")
             .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(keptAs)));
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
