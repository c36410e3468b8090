#include "applicationlook.h"

#include "settingsfile.h"
#include "windowsettings.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSettings>

namespace {
const QString DarkToolTipStyle =
    QStringLiteral("QToolTip { color: #ffffff; background-color: #2a82da; border: 1px solid white; }");
} // namespace

ApplicationLook::ApplicationLook(QMenu* menu, QAction* defaultLook, QAction* dark, QAction* bronze, QAction* coffee,
                                 QObject* parent)
    : QObject(parent)
    , m_menu(menu)
    , m_default(defaultLook)
    , m_dark(dark)
    , m_bronze(bronze)
    , m_coffee(coffee)
    , m_defaultPalette(QApplication::palette())
{
    for (const auto& [name, action] : looks())
        connect(action, &QAction::triggered, this, [this, name = name] { setPalitte(name); });
}

void ApplicationLook::applyStoredLook()
{
    QStringList names;
    for (const auto& look : looks())
        names << look.first;
    const auto settings = SettingsFile::open();
    const QString key = QStringLiteral("Palette");
    setPalitte(settings->contains(key) ? SettingsFile::choiceValue(*settings, key, names, QString())
                                       : QStringLiteral("Default"));
}

QList<QPair<QString, QAction*>> ApplicationLook::looks() const
{
    return {{QStringLiteral("Default"), m_default},
            {QStringLiteral("Dark"), m_dark},
            {QStringLiteral("Bronze"), m_bronze},
            {QStringLiteral("Coffee"), m_coffee}};
}

// An unknown name (a hand-edited setting) leaves the look as it is.
void ApplicationLook::setPalitte(const QString& name)
{
    QAction* chosen = nullptr;
    for (const auto& [look, action] : looks()) {
        if (look == name)
            chosen = action;
    }
    if (!chosen)
        return;
    for (QAction* look : m_menu->actions())
        look->setChecked(false);
    QApplication::setPalette(m_defaultPalette);
    qApp->setStyleSheet(QString());
    if (chosen == m_coffee) {
        QPalette palette;
        palette.setColor(QPalette::Base, QColor(255, 255, 224));
        palette.setColor(QPalette::Window, QColor(238, 232, 170));
        palette.setColor(QPalette::AlternateBase, QColor(238, 232, 170));
        palette.setColor(QPalette::Button, QColor(238, 232, 170));
        palette.setColor(QPalette::Highlight, QColor(189, 183, 107));
        QApplication::setPalette(palette);
    } else if (chosen == m_bronze) {
        QPalette palette(QColor(207, 155, 95));
        palette.setColor(QPalette::BrightText, Qt::white);
        palette.setColor(QPalette::Base, QColor(239, 239, 247));
        palette.setColor(QPalette::AlternateBase, QColor(223, 223, 239));
        palette.setColor(QPalette::Highlight, QColor(95, 95, 191));
        palette.setColor(QPalette::Disabled, QPalette::Highlight, Qt::darkGray);
        QApplication::setPalette(palette);
    } else if (chosen == m_dark) {
        QPalette palette;
        palette.setColor(QPalette::Window, QColor(22, 57, 85));
        palette.setColor(QPalette::WindowText, Qt::white);
        palette.setColor(QPalette::Base, QColor(25, 25, 25));
        palette.setColor(QPalette::AlternateBase, QColor(22, 57, 85));
        palette.setColor(QPalette::ToolTipBase, Qt::white);
        palette.setColor(QPalette::ToolTipText, Qt::white);
        palette.setColor(QPalette::Text, Qt::white);
        palette.setColor(QPalette::Button, QColor(22, 57, 85));
        palette.setColor(QPalette::ButtonText, Qt::white);
        palette.setColor(QPalette::BrightText, Qt::red);
        palette.setColor(QPalette::Link, QColor(42, 130, 218));
        palette.setColor(QPalette::Highlight, QColor(42, 130, 218));
        palette.setColor(QPalette::HighlightedText, Qt::black);
        QApplication::setStyle(QStringLiteral("Fusion"));
        QApplication::setPalette(palette);
        qApp->setStyleSheet(DarkToolTipStyle);
    } else {
        // The default look of this platform layer is Fusion.
        QApplication::setStyle(QStringLiteral("Fusion"));
        QApplication::setPalette(m_defaultPalette);
    }
    chosen->setChecked(true);
    WindowSettings::write([&name](QSettings& settings) { settings.setValue(QStringLiteral("Palette"), name); });
}
