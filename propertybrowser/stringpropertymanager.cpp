#include "stringpropertymanager.h"

#include "property.h"
#include "propertyvaluemap.h"

#include <QApplication>
#include <QStyle>

class StringPropertyManagerPrivate
{
public:
    PropertyValueMap<StringPropertyManager::Data> values;
};

namespace {
// The character a line edit of the current style shows for each masked one.
QChar passwordCharacter()
{
    if (qobject_cast<QApplication *>(QCoreApplication::instance()))
        return QChar(QApplication::style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter));
    return QLatin1Char('*');
}
} // namespace

StringPropertyManager::StringPropertyManager(QObject *parent)
    : AbstractPropertyManager(parent), d(std::make_unique<StringPropertyManagerPrivate>())
{
}

StringPropertyManager::~StringPropertyManager()
{
    clear();
}

QString StringPropertyManager::value(const Property *property) const
{
    return d->values.field(property, &Data::val);
}

QRegExp StringPropertyManager::regExp(const Property *property) const
{
    return d->values.field(property, &Data::regExp);
}

QLineEdit::EchoMode StringPropertyManager::echoMode(const Property *property) const
{
    return QLineEdit::EchoMode(d->values.field(property, &Data::echoMode, int(QLineEdit::Normal)));
}

bool StringPropertyManager::isReadOnly(const Property *property) const
{
    return d->values.field(property, &Data::readOnly);
}

QString StringPropertyManager::valueText(const Property *property) const
{
    return value(property);
}

QString StringPropertyManager::displayText(const Property *property) const
{
    const Data *record = d->values.find(property);
    if (!record)
        return QString();
    switch (record->echoMode) {
    case QLineEdit::NoEcho:
        return QString();
    case QLineEdit::Password:
    case QLineEdit::PasswordEchoOnEdit:
        return QString(record->val.size(), passwordCharacter());
    default:
        return record->val;
    }
}

void StringPropertyManager::setValue(Property *property, const QString &val)
{
    Data *record = d->values.find(property);
    if (!record || record->val == val)
        return;
    if (record->regExp.isValid() && !record->regExp.exactMatch(val))
        return;
    record->val = val;
    emit propertyChanged(property);
    emit valueChanged(property, val);
}

void StringPropertyManager::setRegExp(Property *property, const QRegExp &regExp)
{
    if (storeChangedField(d->values, property, &Data::regExp, regExp))
        emit regExpChanged(property, regExp);
}

void StringPropertyManager::setEchoMode(Property *property, QLineEdit::EchoMode echoMode)
{
    if (!storeChangedField(d->values, property, &Data::echoMode, int(echoMode)))
        return;
    emit propertyChanged(property);
    emit echoModeChanged(property, echoMode);
}

void StringPropertyManager::setReadOnly(Property *property, bool readOnly)
{
    if (!storeChangedField(d->values, property, &Data::readOnly, readOnly))
        return;
    emit propertyChanged(property);
    emit readOnlyChanged(property, readOnly);
}

void StringPropertyManager::initializeProperty(Property *property)
{
    d->values.reset(property);
}

void StringPropertyManager::uninitializeProperty(Property *property)
{
    d->values.remove(property);
}
