#include "reportaggregates.h"

#include "collectedvalues.h"

#include <algorithm>

void ReportAggregates::Totals::add(double value, int times)
{
    if (times <= 0)
        return;
    sum += value * times;
    count += times;
    largest = any ? std::max(largest, value) : value;
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
        const bool isNumber = entry.value.type() == QVariant::Double;
        const QString text = isNumber ? QString() : entry.value.toString();
        // A text that is no number counts 0.
        const double number = isNumber ? entry.value.toDouble() : text.toDouble();
        if (isNumber || !text.isEmpty())
            m_totals[entry.name].add(number, 1);
        RecordValues& byRecord = m_byRecord[entry.name];
        if (!byRecord.values.isEmpty() && byRecord.values.constLast().recNo > entry.recNo)
            byRecord.sorted = false;
        byRecord.values.append({entry.recNo, number});
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

ReportAggregates::Totals ReportAggregates::groupTotals(const QString& name)
{
    Totals totals;
    const auto found = m_byRecord.find(name);
    if (found == m_byRecord.end())
        return totals;
    QVector<RecordValue>& values = found->values;
    const auto byRecord = [](const RecordValue& a, const RecordValue& b) { return a.recNo < b.recNo; };
    if (!found->sorted) {
        // Stable: a record's values keep the order they came in.
        std::stable_sort(values.begin(), values.end(), byRecord);
        found->sorted = true;
    }
    for (auto record = m_groupTimes.constBegin(); record != m_groupTimes.constEnd(); ++record) {
        const auto range = std::equal_range(values.cbegin(), values.cend(), RecordValue{record.key(), 0}, byRecord);
        for (auto value = range.first; value != range.second; ++value)
            totals.add(value->number, record.value());
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
        return totals.any ? totals.largest : 0.0;
    case MinKind:
        return totals.any ? totals.smallest : 0.0;
    default:
        return 0;
    }
}

QVariant ReportAggregates::aggregate(int kind, const QString& name, bool inGroup)
{
    catchUp();
    if (!m_source.anyCollected())
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
