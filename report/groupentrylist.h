#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QVariant>
#include <QVector>

#include <vector>

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
//
// A long report collects a value per reference and record, while a template
// reads few of them (a grouping text, the references its aggregates name), so
// only the names given to keepOnly() keep their values, numbers read only by
// aggregates as doubles. Every value collected still counts for isEmpty()
// and the highest record of its page.
class GroupEntryList
{
public:
    enum Form { NotKept, AsNumber, AsText };

    // Every value kept as text: the default, and after clear().
    void keepAll();
    // Only the named values kept, in the given form. True when the values
    // already held had to be dropped (a name held as numbers now wanted as
    // text); whoever reads them must then start over.
    bool keepOnly(const QHash<QString, Form>& names);

    // False (and nothing stored) when the entry's name, record and page are
    // already held, or its name is not kept.
    bool append(const GroupEntry& entry);
    void clear();

    // Nothing collected, kept or not.
    bool isEmpty() const { return !m_any; }
    // The kept values.
    int size() const { return m_entries.size(); }
    GroupEntry at(int i) const;

    // Positions of the values kept under `name`, in order.
    QVector<int> indexesOf(const QString& name) const;
    // The highest record collected on `reportPage`, or -1 when none.
    int highestRecNo(int reportPage) const { return m_highestRecNo.value(reportPage, -1); }

private:
    static constexpr int Number = -1; // Stored::text of a value held as a double
    static constexpr int Blank = -2;  // Stored::text of an empty value held as a number
    struct Stored
    {
        double number;
        int name;
        int recNo;
        int reportPage;
        int text; // index into m_texts, or Number, or Blank
    };
    // The records held of one name on one report page.
    struct Held
    {
        std::vector<bool> records;
        QSet<int> others; // records outside the bit range
        bool insert(int recNo);
    };
    struct Name
    {
        QString name;
        QVector<int> positions;
        QHash<int, Held> pages;
    };
    Form formOf(const QString& name) const;
    void dropValues();

    bool m_keepAll = true;
    QHash<QString, Form> m_kept;
    bool m_any = false;
    QHash<int, int> m_highestRecNo;

    QVector<Stored> m_entries;
    QVector<Name> m_names;
    QHash<QString, int> m_nameIds;
    // Texts once each: a grouping text repeats its few values over every record.
    QVector<QString> m_texts;
    QHash<QString, int> m_textIds;
};
