#pragma once

#include "abstracteditorfactorybase.h"
#include "property.h"

#include <QSet>

// The factory base for one manager type. It keeps the set of managers it
// serves and forgets a manager the moment that manager is destroyed, so it
// never holds a pointer to a dead manager.
template <class Manager>
class AbstractEditorFactory : public AbstractEditorFactoryBase
{
public:
    explicit AbstractEditorFactory(QObject *parent = nullptr) : AbstractEditorFactoryBase(parent) {}

    QWidget *createEditor(Property *property, QWidget *parent) override
    {
        for (Manager *manager : qAsConst(m_managers)) {
            if (manager == property->propertyManager())
                return createEditor(manager, property, parent);
        }
        return nullptr;
    }

    void addPropertyManager(Manager *manager)
    {
        if (m_managers.contains(manager))
            return;
        m_managers.insert(manager);
        connectPropertyManager(manager);
        connect(manager, &QObject::destroyed, this, &AbstractEditorFactory::managerDestroyed);
    }

    void removePropertyManager(Manager *manager)
    {
        if (!m_managers.contains(manager))
            return;
        disconnect(manager, &QObject::destroyed, this, &AbstractEditorFactory::managerDestroyed);
        disconnectPropertyManager(manager);
        m_managers.remove(manager);
    }

    QSet<Manager *> propertyManagers() const { return m_managers; }

    // Asked through the managers' own property sets, never through the
    // property itself: an editor left open after its manager was unbound
    // may report for a property that has been deleted since.
    Manager *propertyManager(Property *property) const
    {
        for (Manager *manager : qAsConst(m_managers)) {
            if (manager->properties().contains(property))
                return manager;
        }
        return nullptr;
    }

    void breakConnection(AbstractPropertyManager *manager) override
    {
        for (Manager *served : qAsConst(m_managers)) {
            if (served == manager) {
                removePropertyManager(served);
                return;
            }
        }
    }

protected:
    virtual void connectPropertyManager(Manager *manager) = 0;
    virtual QWidget *createEditor(Manager *manager, Property *property, QWidget *parent) = 0;
    virtual void disconnectPropertyManager(Manager *manager) = 0;

    // The manager is already going away: nothing to disconnect.
    void managerDestroyed(QObject *manager) override
    {
        for (Manager *served : qAsConst(m_managers)) {
            if (static_cast<QObject *>(served) == manager) {
                m_managers.remove(served);
                return;
            }
        }
    }

private:
    QSet<Manager *> m_managers;
};
