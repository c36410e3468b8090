#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>
#include <QVector>

class CollectedValues;

// The aggregates of report formulas (Sum, Avg, Count, Max, Min) over the
// values collected under one reference.
//
// Totals are kept per reference and brought up to date from the values
// collected since the last call, so a running total in a band printed for
// every record costs the same for the last record as for the first; totals
// of a data group are kept until the group changes.
//
// The largest and smallest are values of the reference, 0 only when none
// was counted. Outside data groups empty values are skipped; inside them an
// empty value counts as 0.
class ReportAggregates
{
public:
    enum Kind { SumKind = 0, AvgKind = 1, CountKind = 2, MaxKind = 3, MinKind = 4 };

    explicit ReportAggregates(const CollectedValues& source);

    // The aggregate of the given kind: a real for sums, averages and
    // extremes, an integer for counts, and the integer 0 for any other kind
    // (and for an average of nothing). inGroup: the formula's band is shown
    // inside data groups, so only the group's records count.
    QVariant aggregate(int kind, const QString& name, bool inGroup);

    // Forget everything read so far; call when the collected list is emptied.
    void reset();

private:
    struct Totals
    {
        double sum = 0;
        int count = 0;
        double largest = 0;
        double smallest = 0;
        bool any = false;
        void add(double value, int times);
    };
    void catchUp();
    void followGroup(const QList<int>& records);
    Totals groupTotals(const QString& name);
    QVariant result(int kind, const Totals& totals) const;

    const CollectedValues& m_source;
    int m_read = 0;
    QHash<QString, Totals> m_totals;          // non-empty values, outside groups
    // Every value, empty ones as 0, by reference, ordered by record when a
    // group's totals are wanted: they are then found from its records alone.
    struct RecordValue
    {
        int recNo;
        double number;
    };
    struct RecordValues
    {
        QVector<RecordValue> values;
        bool sorted = true;
    };
    QHash<QString, RecordValues> m_byRecord;
    QList<int> m_group;
    QHash<int, int> m_groupTimes;             // record -> times it stands in the group
    QHash<QString, Totals> m_groupTotals;     // per reference, for m_group
};
