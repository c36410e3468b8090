#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>

// One value collected while a report is laid out: the reference as written
// (brackets kept), its value before any number format, and where it came from.
struct GroupEntry
{
    QString name;
    QVariant value;
    int recNo = 0;
    int reportPage = 0;
};

// Orders by value text, equal texts by record.
bool groupEntryLess(const GroupEntry& a, const GroupEntry& b);

// The collected values of one report, in the order they were collected.
// Each (name, record, report page) is held once; the indexes keep inserting,
// the per-name walk of aggregates and the highest record of a page
// independent of how many values the report has collected.
class GroupEntryList
{
public:
    // False (and nothing stored) when the entry's name, record and page are already held.
    bool append(const GroupEntry& entry);
    void clear();

    const QList<GroupEntry>& entries() const { return m_entries; }
    bool isEmpty() const { return m_entries.isEmpty(); }
    int size() const { return m_entries.size(); }
    const GroupEntry& at(int i) const { return m_entries.at(i); }

    // Positions in entries() of the values collected under `name`, in order.
    QList<int> indexesOf(const QString& name) const { return m_byName.value(name); }
    // The highest record collected on `reportPage`, or -1 when none.
    int highestRecNo(int reportPage) const { return m_highestRecNo.value(reportPage, -1); }

private:
    struct Key
    {
        QString name;
        int recNo;
        int reportPage;
        bool operator==(const Key& other) const
        {
            return recNo == other.recNo && reportPage == other.reportPage && name == other.name;
        }
    };
    friend uint qHash(const Key& key, uint seed) { return qHash(key.name, seed) ^ uint(key.recNo * 31 + key.reportPage); }

    QList<GroupEntry> m_entries;
    QHash<Key, int> m_index;
    QHash<QString, QList<int>> m_byName;
    QHash<int, int> m_highestRecNo;
};
