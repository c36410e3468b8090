#include "enumnametable.h"

#include "metaenumwrapper.h"

#include <QMetaEnum>
#include <QMetaProperty>
#include <QMultiMap>

#include <algorithm>

Q_GLOBAL_STATIC(EnumNameTable, processEnumNameTable)

EnumNameTable::EnumNameTable()
{
    buildPolicyTable();
    buildLocaleTable();
}

const EnumNameTable *EnumNameTable::instance()
{
    return processEnumNameTable();
}

void EnumNameTable::buildPolicyTable()
{
    const QMetaObject &meta = MetaEnumWrapper::staticMetaObject;
    const QMetaProperty property = meta.property(meta.indexOfProperty("policy"));
    const QMetaEnum enumerator = property.enumerator();
    for (int i = 0; i < enumerator.keyCount(); ++i) {
        m_policyNames.append(QString::fromLatin1(enumerator.key(i)));
        m_policyValues.append(enumerator.value(i));
    }
}

// Languages run up to the last one this Qt knows, so that new Qt releases
// add their languages instead of being cut off at a fixed number.
void EnumNameTable::buildLocaleTable()
{
    QMultiMap<QString, QLocale::Language> languagesByName;
    for (int value = QLocale::C; value <= QLocale::LastLanguage; ++value) {
        const auto language = QLocale::Language(value);
        if (QLocale(language, QLocale::AnyCountry).language() == language)
            languagesByName.insert(QLocale::languageToString(language), language);
    }
    const QLocale system = QLocale::system();
    const QString systemLanguageName = QLocale::languageToString(system.language());
    if (!languagesByName.contains(systemLanguageName))
        languagesByName.insert(systemLanguageName, system.language());

    for (auto it = languagesByName.cbegin(); it != languagesByName.cend(); ++it) {
        const QLocale::Language language = it.value();
        QList<QLocale::Country> countries = QLocale::countriesForLanguage(language);
        if (countries.isEmpty() && language == system.language())
            countries << system.country();
        if (!countries.isEmpty() && !m_languageToIndex.contains(language))
            addLanguage(language, countries);
    }
}

void EnumNameTable::addLanguage(QLocale::Language language, QList<QLocale::Country> countries)
{
    std::stable_sort(countries.begin(), countries.end(), [](QLocale::Country a, QLocale::Country b) {
        return QLocale::countryToString(a) < QLocale::countryToString(b);
    });
    const int languageIndex = m_languageNames.size();
    m_indexToLanguage.insert(languageIndex, language);
    m_languageToIndex.insert(language, languageIndex);
    QStringList names;
    for (int j = 0; j < countries.size(); ++j) {
        names.append(QLocale::countryToString(countries.at(j)));
        m_indicesToCountry.insert(qMakePair(languageIndex, j), countries.at(j));
        m_countryToIndex.insert(qMakePair(language, countries.at(j)), j);
    }
    m_languageNames.append(QLocale::languageToString(language));
    m_countryNames.insert(language, names);
}

QStringList EnumNameTable::policyNames() const
{
    return m_policyNames;
}

int EnumNameTable::indexOfPolicy(QSizePolicy::Policy policy) const
{
    return m_policyValues.indexOf(int(policy));
}

QSizePolicy::Policy EnumNameTable::policyOfIndex(int index) const
{
    return QSizePolicy::Policy(m_policyValues.value(index, QSizePolicy::Fixed));
}

QStringList EnumNameTable::languageNames() const
{
    return m_languageNames;
}

QStringList EnumNameTable::countryNames(QLocale::Language language) const
{
    return m_countryNames.value(language);
}

void EnumNameTable::indicesOfLocale(QLocale::Language language, QLocale::Country country, int *languageIndex,
                                    int *countryIndex) const
{
    if (languageIndex)
        *languageIndex = m_languageToIndex.value(language, -1);
    if (countryIndex)
        *countryIndex = m_countryToIndex.value(qMakePair(language, country), -1);
}

void EnumNameTable::localeOfIndices(int languageIndex, int countryIndex, QLocale::Language *language,
                                    QLocale::Country *country) const
{
    if (language)
        *language = m_indexToLanguage.value(languageIndex, QLocale::C);
    if (country)
        *country = m_indicesToCountry.value(qMakePair(languageIndex, countryIndex), QLocale::AnyCountry);
}
