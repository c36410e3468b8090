#pragma once

#include "mappingrecord.h"

#include <QBitArray>
#include <QList>
#include <QtGlobal>

// Bit helpers for the status words with which the gateway's output and input
// mapping is coded (bits 0 to 12 of a 16-bit word are used).

// Reorders bits 0-12 into the gateway's order; bits 13-15 are dropped.
int remapStatusBits(quint16 word);
// remapStatusBits of coded value `index` (0 to 7) of the record; 0 otherwise.
int remapStatusWord(const MappingRecord& record, int index);
bool statusWordBit(quint16 word, int index);
// One code of a device's mapping for the gateway's mapping files: kind 2, 3
// or 4; 0 for any other kind and for an empty list.
int statusWordField(const QList<MappingRecord>& records, int kind);
// The first 16 bits of the array, bit i worth 2^i.
int bitsToInt(const QBitArray& bits);
int remapStatusArray(const QBitArray& bits);
// Bit `index` (0 to 15) of the word; false for any other index.
bool testBit16(quint16 word, int index);
