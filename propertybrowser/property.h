#pragma once

#include <QIcon>
#include <QList>
#include <QMetaType>
#include <QString>

#include <memory>

class AbstractPropertyManager;
class PropertyPrivate;

// One named entry of a property panel. Properties form a graph without cycles:
// a property may sit under several parents and is shown under each of them.
// The owning manager answers every question about the value and announces
// every change; the property itself knows nothing of views.
class Property
{
public:
    virtual ~Property();

    AbstractPropertyManager *propertyManager() const;

    QString propertyName() const;
    QString toolTip() const;
    QString statusTip() const;
    QString whatsThis() const;
    bool isEnabled() const;
    bool isModified() const;

    QList<Property *> subProperties() const;

    bool hasValue() const;
    QIcon valueIcon() const;
    QString valueText() const;
    QString displayText() const;

    void setPropertyName(const QString &text);
    void setToolTip(const QString &text);
    void setStatusTip(const QString &text);
    void setWhatsThis(const QString &text);
    void setEnabled(bool enable);
    void setModified(bool modified);

    void addSubProperty(Property *property);
    void insertSubProperty(Property *property, Property *afterProperty);
    void removeSubProperty(Property *property);

protected:
    // Only managers make properties (AbstractPropertyManager::createProperty
    // and the managers' own property subclasses).
    explicit Property(AbstractPropertyManager *manager);
    void propertyChanged();

private:
    Q_DISABLE_COPY(Property)
    bool isDescendant(const Property *candidateAncestor) const;

    std::unique_ptr<PropertyPrivate> d;
    friend class AbstractPropertyManager;
};

Q_DECLARE_METATYPE(Property *)
