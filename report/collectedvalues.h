#pragma once

#include <QList>
#include <QString>
#include <QVariant>

// One value the engine collected while evaluating a record: the reference as
// written ("[amount]"), its value text before any number format (or, for a
// value kept only for aggregates, its number), and the record it belongs to.
struct CollectedValue
{
    QString name;
    QVariant value;
    int recNo = 0;
};

// What the report aggregates read from the engine: the collected values in
// the order they were collected, and the records of the data group being
// printed. Values are only ever appended until the list is emptied (on
// loading a template); whoever empties it also resets the aggregates reading
// it.
class CollectedValues
{
public:
    virtual ~CollectedValues() = default;

    // The values kept for reading.
    virtual int collectedCount() const = 0;
    virtual CollectedValue collectedAt(int index) const = 0;
    // Whether any value was collected: also of values not kept, which no
    // aggregate reads.
    virtual bool anyCollected() const { return collectedCount() > 0; }

    // The records of the data group being printed; empty outside groups.
    // Return the engine's own list: it is compared on every aggregate call,
    // which costs nothing while it is the same shared list.
    virtual QList<int> groupRecords() const = 0;
};
