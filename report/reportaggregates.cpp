#include "reportaggregates.h"

#include "collectedvalues.h"

#include <algorithm>

void ReportAggregates::Totals::add(double value, int times)
{
    if (times <= 0)
        return;
    sum += value * times;
    count += times;
    largest = std::max(largest, value);
    smallest = any ? std::min(smallest, value) : value;
    any = true;
}

ReportAggregates::ReportAggregates(const CollectedValues& source)
    : m_source(source)
{
}

void ReportAggregates::reset()
{
    m_read = 0;
    m_firstValue = 0;
    m_totals.clear();
    m_byRecord.clear();
    m_group.clear();
    m_groupTimes.clear();
    m_groupTotals.clear();
}

// Reads the values collected since the last call into the running totals.
void ReportAggregates::catchUp()
{
    const int count = m_source.collectedCount();
    if (count < m_read)
        reset(); // the list was emptied behind our back
    for (; m_read < count; ++m_read) {
        const CollectedValue entry = m_source.collectedAt(m_read);
        const QString text = entry.value.toString();
        const double number = text.toDouble(); // a text that is no number counts 0
        if (m_read == 0)
            m_firstValue = number;
        if (!text.isEmpty())
            m_totals[entry.name].add(number, 1);
        m_byRecord[entry.name][entry.recNo].append(number);
        const auto group = m_groupTotals.find(entry.name);
        if (group != m_groupTotals.end())
            group->add(number, m_groupTimes.value(entry.recNo));
    }
}

void ReportAggregates::followGroup(const QList<int>& records)
{
    if (records == m_group)
        return;
    m_group = records;
    m_groupTimes.clear();
    m_groupTotals.clear();
    for (int record : records)
        ++m_groupTimes[record];
}

ReportAggregates::Totals ReportAggregates::groupTotals(const QString& name) const
{
    Totals totals;
    const auto values = m_byRecord.constFind(name);
    if (values == m_byRecord.constEnd())
        return totals;
    for (auto record = m_groupTimes.constBegin(); record != m_groupTimes.constEnd(); ++record) {
        for (double number : values->value(record.key()))
            totals.add(number, record.value());
    }
    return totals;
}

QVariant ReportAggregates::result(int kind, const Totals& totals) const
{
    switch (kind) {
    case SumKind:
        return totals.sum;
    case AvgKind:
        return totals.count == 0 ? QVariant(0) : QVariant(totals.sum / totals.count);
    case CountKind:
        return totals.count;
    case MaxKind:
        return totals.largest;
    case MinKind:
        return totals.any ? std::min(m_firstValue, totals.smallest) : m_firstValue;
    default:
        return 0;
    }
}

QVariant ReportAggregates::aggregate(int kind, const QString& name, bool inGroup)
{
    catchUp();
    if (m_read == 0)
        return kind == SumKind || kind == MaxKind || kind == MinKind ? QVariant(0.0) : QVariant(0);

    const QList<int> records = m_source.groupRecords();
    if (!inGroup || records.isEmpty())
        return result(kind, m_totals.value(name));

    followGroup(records);
    auto totals = m_groupTotals.find(name);
    if (totals == m_groupTotals.end())
        totals = m_groupTotals.insert(name, groupTotals(name));
    return result(kind, *totals);
}
