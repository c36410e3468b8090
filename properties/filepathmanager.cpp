#include "filepathmanager.h"

FilePathManager::FilePathManager(QObject* parent)
    : AbstractPropertyManager(parent)
{
}

FilePathManager::~FilePathManager()
{
    // The base deletes the properties afterwards and would call back into a
    // half-destroyed manager: clear while this class is still whole.
    clear();
}

QString FilePathManager::value(const Property* property) const
{
    return m_values.value(property).value;
}

QString FilePathManager::filter(const Property* property) const
{
    return m_values.value(property).filter;
}

QString FilePathManager::valueText(const Property* property) const
{
    return value(property);
}

void FilePathManager::setValue(Property* property, const QString& val)
{
    const auto it = m_values.find(property);
    if (it == m_values.end() || it->value == val)
        return;
    it->value = val;
    emit propertyChanged(property);
    emit valueChanged(property, val);
}

void FilePathManager::setFilter(Property* property, const QString& fil)
{
    const auto it = m_values.find(property);
    if (it == m_values.end() || it->filter == fil)
        return;
    it->filter = fil;
    emit filterChanged(property, fil);
}

void FilePathManager::initializeProperty(Property* property)
{
    m_values[property] = FilePathRecord();
}

void FilePathManager::uninitializeProperty(Property* property)
{
    m_values.remove(property);
}
