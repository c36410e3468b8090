#include "statusword.h"

#include <array>

namespace {

// Result bit i takes word bit kRemapSource[i].
constexpr std::array<int, 13> kRemapSource = {12, 10, 11, 9, 8, 7, 6, 3, 2, 5, 4, 1, 0};
// statusWordBit index -> word bit; indexes past the end read bit 0.
constexpr std::array<int, 12> kWordBitOfIndex = {12, 11, 8, 7, 10, 9, 6, 5, 4, 3, 1, 2};

int bitOf(quint32 value, int bit)
{
    return int((value >> bit) & 1u);
}

// Zone bits of the first four coded values: the same sum for kinds 2 and 4.
int zoneCode(const MappingRecord& record)
{
    return bitOf(record.codedValue[0], 0) * 1 + bitOf(record.codedValue[1], 2) * 2
        + bitOf(record.codedValue[2], 1) * 4 + bitOf(record.codedValue[3], 3) * 8;
}

} // namespace

int remapStatusBits(quint16 word)
{
    int result = 0;
    for (int i = 0; i < int(kRemapSource.size()); ++i)
        result |= bitOf(word, kRemapSource[i]) << i;
    return result;
}

int remapStatusWord(const MappingRecord& record, int index)
{
    if (index < 0 || index >= MappingRecord::kCodedValueCount)
        return 0;
    return remapStatusBits(quint16(record.codedValue[index] & 0xFFFF));
}

bool statusWordBit(quint16 word, int index)
{
    const int bit = (index >= 0 && index < int(kWordBitOfIndex.size())) ? kWordBitOfIndex[index] : 0;
    return bitOf(word, bit) != 0;
}

int statusWordField(const QList<MappingRecord>& records, int kind)
{
    if (records.isEmpty())
        return 0;
    const MappingRecord& chosen = (records.first().id == 0 && records.size() > 1) ? records.at(1) : records.first();

    switch (kind) {
    case 2: {
        const int sum = zoneCode(chosen);
        return sum == 0 ? 0 : sum + 128;
    }
    case 3: {
        const MappingRecord& first = records.first();
        const bool globalOn = bitOf(first.codedValue[4], 0);
        const bool globalHigh = bitOf(first.codedValue[5], 1);
        if (globalOn)
            return globalHigh ? 176 : 144;
        return globalHigh ? 160 : 0;
    }
    case 4:
        return zoneCode(chosen) + bitOf(chosen.codedValue[4], 0) * 16 + bitOf(chosen.codedValue[5], 1) * 32;
    default:
        return 0;
    }
}

int bitsToInt(const QBitArray& bits)
{
    int result = 0;
    const int count = qMin(bits.size(), 16);
    for (int i = 0; i < count; ++i) {
        if (bits.testBit(i))
            result |= 1 << i;
    }
    return result;
}

int remapStatusArray(const QBitArray& bits)
{
    return remapStatusBits(quint16(bitsToInt(bits)));
}

bool testBit16(quint16 word, int index)
{
    return index >= 0 && index < 16 && bitOf(word, index) != 0;
}
