#pragma once

#include <QLocale>
#include <QMap>
#include <QPair>
#include <QSizePolicy>
#include <QStringList>

// Process-wide names of the size policies, languages and countries, built
// once on first use. Language and country indexes are positions in name
// lists sorted by name; only languages that have countries take part.
class EnumNameTable
{
public:
    EnumNameTable();

    static const EnumNameTable *instance();

    QStringList policyNames() const;
    int indexOfPolicy(QSizePolicy::Policy policy) const;
    QSizePolicy::Policy policyOfIndex(int index) const;

    QStringList languageNames() const;
    QStringList countryNames(QLocale::Language language) const;

    void indicesOfLocale(QLocale::Language language, QLocale::Country country, int *languageIndex,
                         int *countryIndex) const;
    void localeOfIndices(int languageIndex, int countryIndex, QLocale::Language *language,
                         QLocale::Country *country) const;

private:
    void buildPolicyTable();
    void buildLocaleTable();
    void addLanguage(QLocale::Language language, QList<QLocale::Country> countries);

    QStringList m_policyNames;
    QList<int> m_policyValues;
    QStringList m_languageNames;
    QMap<QLocale::Language, QStringList> m_countryNames;
    QMap<int, QLocale::Language> m_indexToLanguage;
    QMap<QLocale::Language, int> m_languageToIndex;
    QMap<QPair<int, int>, QLocale::Country> m_indicesToCountry;
    QMap<QPair<QLocale::Language, QLocale::Country>, int> m_countryToIndex;
};
