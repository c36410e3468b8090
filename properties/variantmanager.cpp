#include "variantmanager.h"

const QString VariantManager::kFilterAttribute = QStringLiteral("filter");

namespace {

// The text of `value`, when it holds text or can be turned into text.
bool toText(const QVariant& value, QString* text)
{
    if (value.type() == QVariant::String) {
        *text = value.toString();
        return true;
    }
    QVariant converted = value;
    if (!value.isValid() || !converted.convert(QMetaType::QString))
        return false;
    *text = converted.toString();
    return true;
}

} // namespace

VariantManager::VariantManager(QObject* parent)
    : VariantPropertyManager(parent)
{
}

VariantManager::~VariantManager() = default;

int VariantManager::filePathTypeId()
{
    static const int id = qRegisterMetaType<FilePathPropertyType>("FilePathPropertyType");
    return id;
}

QString VariantManager::valueText(const Property* property) const
{
    const auto it = m_filePaths.constFind(property);
    if (it == m_filePaths.constEnd())
        return VariantPropertyManager::valueText(property);
    return it->value;
}

bool VariantManager::isPropertyTypeSupported(int propertyType) const
{
    if (propertyType == filePathTypeId())
        return true;
    return VariantPropertyManager::isPropertyTypeSupported(propertyType);
}

int VariantManager::valueType(int propertyType) const
{
    if (propertyType == filePathTypeId())
        return QVariant::String;
    return VariantPropertyManager::valueType(propertyType);
}

QStringList VariantManager::attributes(int propertyType) const
{
    if (propertyType == filePathTypeId())
        return {kFilterAttribute};
    return VariantPropertyManager::attributes(propertyType);
}

int VariantManager::attributeType(int propertyType, const QString& attribute) const
{
    if (propertyType == filePathTypeId())
        return attribute == kFilterAttribute ? QVariant::String : QVariant::Invalid;
    return VariantPropertyManager::attributeType(propertyType, attribute);
}

QVariant VariantManager::value(const Property* property) const
{
    const auto it = m_filePaths.constFind(property);
    if (it == m_filePaths.constEnd())
        return VariantPropertyManager::value(property);
    return it->value;
}

QVariant VariantManager::attributeValue(const Property* property, const QString& attribute) const
{
    const auto it = m_filePaths.constFind(property);
    if (it == m_filePaths.constEnd())
        return VariantPropertyManager::attributeValue(property, attribute);
    if (attribute == kFilterAttribute)
        return it->filter;
    return QVariant();
}

void VariantManager::setValue(Property* property, const QVariant& val)
{
    const auto it = m_filePaths.find(property);
    if (it == m_filePaths.end()) {
        VariantPropertyManager::setValue(property, val);
        return;
    }
    QString text;
    if (!toText(val, &text) || text == it->value)
        return;
    it->value = text;
    emit propertyChanged(property);
    emit valueChanged(property, text);
}

void VariantManager::setAttribute(Property* property, const QString& attribute, const QVariant& value)
{
    const auto it = m_filePaths.find(property);
    if (it == m_filePaths.end()) {
        VariantPropertyManager::setAttribute(property, attribute, value);
        return;
    }
    // The panels set "readOnly" on every row they create; a file-path row
    // has no such attribute and ignores it, like any other name.
    QString text;
    if (attribute != kFilterAttribute || !toText(value, &text) || text == it->filter)
        return;
    it->filter = text;
    emit attributeChanged(property, attribute, text);
}

void VariantManager::initializeProperty(Property* property)
{
    if (propertyType(property) == filePathTypeId())
        m_filePaths[property] = FilePathRecord();
    VariantPropertyManager::initializeProperty(property);
}

void VariantManager::uninitializeProperty(Property* property)
{
    m_filePaths.remove(property);
    VariantPropertyManager::uninitializeProperty(property);
}
