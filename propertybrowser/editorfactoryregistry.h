#pragma once

#include <QList>
#include <QMap>
#include <QObject>
#include <QSet>

class AbstractEditorFactoryBase;
class AbstractPropertyBrowser;
class AbstractPropertyManager;

// The process-wide tables that bind, per browser and manager, the editor
// factory that makes the editors. Shared by all browsers; made on first use
// and destroyed at program exit.
//
// Every entry that names a manager or a factory goes when that object is
// destroyed, and a browser drops its entries in its destructor: panels are
// built and torn down repeatedly, and a stale pointer whose address the heap
// hands out again would otherwise be taken for a live binding.
class EditorFactoryRegistry : public QObject
{
    Q_OBJECT
public:
    using FactoryByManager = QMap<AbstractPropertyManager*, AbstractEditorFactoryBase*>;
    using BrowsersByFactory = QMap<AbstractEditorFactoryBase*, QList<AbstractPropertyBrowser*>>;

    // Null once the program is shutting down.
    static EditorFactoryRegistry* instance();

    QMap<AbstractPropertyBrowser*, FactoryByManager> factoryByBrowser;
    QMap<AbstractPropertyManager*, BrowsersByFactory> browsersByManager;

    // Purges the entries of `object` once it is destroyed.
    void watch(QObject* object);

private:
    void purgeManager(QObject* manager);
    void purgeFactory(QObject* factory);

    QSet<QObject*> m_watched;
};
