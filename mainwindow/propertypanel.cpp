#include "propertypanel.h"

#include "mainwindow.h"
#include "property.h"
#include "propertyset.h"
#include "treepropertybrowser.h"
#include "variantmanager.h"

#include <QLayout>
#include <QStringList>

PropertyPanel::PropertyPanel(MainWindow* window, QWidget* container)
{
    auto* set = new PropertySet(window);
    propertySets.append(set);
    set->browser = new TreePropertyBrowser(container);
    container->layout()->addWidget(set->browser);

    m_manager = std::make_unique<VariantManager>();
    set->manager = m_manager.get();
    QObject::connect(m_manager.get(), &VariantManager::valueChanged, window,
                     [window, set](Property* property, const QVariant& value) {
                         window->propertyChanged(set, property, value);
                     });
}

PropertyPanel::~PropertyPanel() = default;

void PropertyPanel::setStatusColors(const QList<QColor>& statusColors, const QColor& textAlarmBackground)
{
    static const QStringList names{QStringLiteral("OK status color"), QStringLiteral("Warning status color"),
                                   QStringLiteral("Critical status color"), QStringLiteral("Failure status color"),
                                   QStringLiteral("Tamper status color")};
    for (PropertySet* set : propertySets) {
        for (int i = 0; i < names.size() && i < statusColors.size(); ++i)
            set->setValue(names.at(i), statusColors.at(i));
        set->setValue(QStringLiteral("Blinking background"), textAlarmBackground);
    }
}
