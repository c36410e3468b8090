#pragma once

#include <QList>
#include <QMetaType>
#include <QtGlobal>

#include <array>

// One output or input mapping entry of a device. In an output mapping `id` is
// the IO card (33 to 63) whose relays follow the energizer, in an input
// mapping the energizer that the card's inputs drive; 0 means none (and marks
// the global inputs). Only the low 16 bits of each coded value are used.
struct MappingRecord
{
    static constexpr int kCodedValueCount = 8;

    quint16 id = 0;
    quint16 latchingCode = 0;
    std::array<quint32, kCodedValueCount> codedValue{};

    bool operator==(const MappingRecord& other) const
    {
        return id == other.id && latchingCode == other.latchingCode && codedValue == other.codedValue;
    }
    bool operator!=(const MappingRecord& other) const { return !(*this == other); }
};
Q_DECLARE_METATYPE(MappingRecord)

using MappingRecordList = QList<MappingRecord>;
