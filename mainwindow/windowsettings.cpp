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

// The rule of the whole run: what the file still gave, which every read had,
// or, for a file too large to read, the defaults.
void tellSetAside(const QString& path, const QString& keptAs, const QStringList& written, bool carried)
{
    const QString file = QCoreApplication::translate("WindowSettings",
                                                     "The settings file\n%1\ncould not be read. It is kept as\n%2\n")
                             .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(keptAs));
    if (written.isEmpty()) {
        tell(file + QCoreApplication::translate("WindowSettings",
                                                "None of the settings it held is kept; they are back at their defaults."));
        return;
    }
    const QString names = written.join(QStringLiteral(", "));
    if (!carried) {
        tell(file + QCoreApplication::translate("WindowSettings",
                                                "None of the settings it held is used; they are back at their "
                                                "defaults. A new one is written with this session's settings: %1.")
                        .arg(names));
        return;
    }
    tell(file
         + QCoreApplication::translate("WindowSettings",
                                       "The settings it still gave are used for this whole session. A new one is "
                                       "written that keeps them, with this session's changes: %1.")
               .arg(names));
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
