#pragma once

#include <QList>
#include <QMap>

class Property;

// The value records of one manager, keyed by property address. Every manager
// operation starts with a look-up here; a property that is not held gives
// null or the caller's fallback, so foreign properties are ignored.
template <class Data>
class PropertyValueMap
{
public:
    Data *find(const Property *property)
    {
        const auto it = m_records.find(property);
        return it == m_records.end() ? nullptr : &*it;
    }

    const Data *find(const Property *property) const
    {
        const auto it = m_records.constFind(property);
        return it == m_records.cend() ? nullptr : &*it;
    }

    bool contains(const Property *property) const { return m_records.contains(property); }

    Data value(const Property *property, const Data &fallback = Data()) const
    {
        return m_records.value(property, fallback);
    }

    template <class T, class Record>
    T field(const Property *property, T Record::*member, const T &fallback = T()) const
    {
        const Data *record = find(property);
        return record ? record->*member : fallback;
    }

    void reset(const Property *property, const Data &record = Data()) { m_records[property] = record; }
    void remove(const Property *property) { m_records.remove(property); }
    QList<const Property *> keys() const { return m_records.keys(); }

private:
    QMap<const Property *, Data> m_records;
};

// The plain setter rule: store the value when the property is held and the
// value differs from the stored one. Returns whether it was stored.
template <class Data>
bool storeChangedValue(PropertyValueMap<Data> &map, const Property *property, const Data &val)
{
    Data *record = map.find(property);
    if (!record || *record == val)
        return false;
    *record = val;
    return true;
}

// The attribute setter rule: store one field of a held property's record when
// it differs. Returns whether it was stored.
template <class Data, class T, class Record>
bool storeChangedField(PropertyValueMap<Data> &map, const Property *property, T Record::*member, const T &value)
{
    Data *record = map.find(property);
    if (!record || record->*member == value)
        return false;
    record->*member = value;
    return true;
}
