#pragma once

#include <QIcon>
#include <QLineEdit>
#include <QObject>
#include <QSet>
#include <QString>

#include <memory>

class Property;
class AbstractPropertyManagerPrivate;

// Base of every property manager. A manager makes, owns and deletes its
// properties, answers everything about their values and announces every
// structural or descriptive change through the four signals below.
class AbstractPropertyManager : public QObject
{
    Q_OBJECT
public:
    explicit AbstractPropertyManager(QObject *parent = nullptr);
    ~AbstractPropertyManager() override;

    QSet<Property *> properties() const;
    void clear() const;

    Property *addProperty(const QString &name = QString());

    // Value queries; Property forwards its own queries here.
    virtual bool hasValue(const Property *property) const;
    virtual QIcon valueIcon(const Property *property) const;
    virtual QString valueText(const Property *property) const;
    virtual QString displayText(const Property *property) const;
    virtual QLineEdit::EchoMode echoMode(const Property *property) const;

signals:
    void propertyInserted(Property *property, Property *parent, Property *after);
    void propertyChanged(Property *property);
    void propertyRemoved(Property *property, Property *parent);
    void propertyDestroyed(Property *property);

protected:
    virtual void initializeProperty(Property *property) = 0;
    virtual void uninitializeProperty(Property *property);
    virtual Property *createProperty();

private:
    friend class Property;
    void propertyGone(Property *property);

    std::unique_ptr<AbstractPropertyManagerPrivate> d;
};
