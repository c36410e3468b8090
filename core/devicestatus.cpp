#include "devicestatus.h"
#include "corelogging.h"

#include <QDebug>
#include <QObject>

namespace {

enum class Field : quint8 {
    None,
    Flag,         // one bit
    Eighths,      // byte x 0.125, float
    Steps625,     // byte x 6.25, double
    Steps125,     // byte x 125, int
    Code2,        // bits 0-1
    FenceState,   // bits 4-5 as a text
    Condition,    // bits 0-3, 10 to 15 as an empty text
};

struct FieldSource
{
    Field kind;
    quint8 byte;
    quint8 bit;
};

constexpr FieldSource flag(int byte, int bit) { return {Field::Flag, quint8(byte), quint8(bit)}; }
constexpr FieldSource whole(Field kind, int byte) { return {kind, quint8(byte), 0}; }

// Index = energizer parameter number.
constexpr std::array<FieldSource, kLastEnergizerParam + 1> kEnergizerFields = {{
    {Field::None, 0, 0},
    flag(5, 1), flag(5, 2), flag(5, 3), flag(8, 7), flag(8, 4),          // 1-5
    whole(Field::Eighths, 9), flag(4, 0), flag(4, 2), flag(4, 5),        // 6-9
    flag(6, 2), flag(6, 5), flag(5, 0), flag(5, 4), flag(6, 0),          // 10-14
    flag(6, 1), whole(Field::Code2, 13), whole(Field::Code2, 20),        // 15-17
    flag(6, 3), flag(6, 4), flag(13, 7), flag(20, 7), flag(12, 7),       // 18-22
    flag(19, 7), flag(12, 6), flag(19, 6),                               // 23-25
    whole(Field::FenceState, 12), whole(Field::FenceState, 19),          // 26-27
    whole(Field::Steps125, 17), whole(Field::Steps125, 24),              // 28-29
    whole(Field::Steps125, 16), whole(Field::Steps125, 23),              // 30-31
    whole(Field::Condition, 12), whole(Field::Condition, 19),            // 32-33
    flag(13, 6), flag(20, 6), flag(5, 5),                                // 34-36
    whole(Field::Steps625, 15), whole(Field::Steps625, 22),              // 37-38
    flag(14, 0), flag(21, 0), flag(14, 1), flag(21, 1), flag(14, 2),     // 39-43
    flag(21, 2), flag(14, 3), flag(21, 3),                               // 44-46
    whole(Field::Eighths, 10), flag(8, 1), flag(8, 0), flag(8, 3),       // 47-50
    flag(4, 3), flag(4, 1),                                              // 51-52
}};

QVariant fenceStateText(int code)
{
    switch (code) {
    case 1: return QObject::tr("Good");
    case 2: return QObject::tr("Check");
    case 3: return QObject::tr("Bad");
    default: return QStringLiteral("");
    }
}

QVariant decodeField(const StatusRecord& record, const FieldSource& source)
{
    const quint8 value = record[source.byte];
    switch (source.kind) {
    case Field::Flag: return int((value >> source.bit) & 1);
    case Field::Eighths: return float(value) * 0.125f;
    case Field::Steps625: return double(value) * 6.25;
    case Field::Steps125: return int(value) * 125;
    case Field::Code2: return int(value & 0x03);
    case Field::FenceState: return fenceStateText((value >> 4) & 0x03);
    case Field::Condition: {
        const int code = value & 0x0F;
        return code <= 9 ? QVariant(code) : QVariant(QStringLiteral(""));
    }
    case Field::None: break;
    }
    return {};
}

// Lookup table of a reflected CRC of the width of T.
template<typename T>
constexpr std::array<T, 256> makeCrcTable(T polynomial)
{
    std::array<T, 256> table{};
    for (int i = 0; i < 256; ++i) {
        T crc = T(i);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? T((crc >> 1) ^ polynomial) : T(crc >> 1);
        table[i] = crc;
    }
    return table;
}

constexpr auto kCrc16Table = makeCrcTable<quint16>(0xA001);
constexpr auto kCrc8Table = makeCrcTable<quint8>(0x8C);

} // namespace

QVariant decodeEnergizerParam(const StatusRecord& record, int param)
{
    if (param < 1 || param > kLastEnergizerParam)
        return {};
    return decodeField(record, kEnergizerFields[param]);
}

int energizerParamCode(const StatusRecord& record, int param)
{
    if (param < 1 || param > kLastEnergizerParam)
        return 0;
    const FieldSource& source = kEnergizerFields[param];
    const quint8 value = record[source.byte];
    switch (source.kind) {
    case Field::Flag: return (value >> source.bit) & 1;
    case Field::Code2: return value & 0x03;
    case Field::FenceState: return (value >> 4) & 0x03;
    case Field::Steps125: return int(value) * 125;
    default: return decodeField(record, source).toInt();
    }
}

int energizerParamByte(int param)
{
    if (param < 1 || param > kLastEnergizerParam)
        return -1;
    return kEnergizerFields[param].byte;
}

QVariant decodeIOCardParam(const StatusRecord& record, int param)
{
    if (param == IOCardParam::BatteryVoltage)
        return decodeField(record, whole(Field::Eighths, 5));
    if (param >= IOCardParam::FirstRelay && param < IOCardParam::FirstInput)
        return decodeField(record, flag(6, param - IOCardParam::FirstRelay));
    if (param >= IOCardParam::FirstInput && param < IOCardParam::CommsFail)
        return decodeField(record, flag(4, param - IOCardParam::FirstInput));
    if (param == IOCardParam::CommsFail)
        return decodeField(record, flag(30, 0));
    return {};
}

QVariant decodeSensorParam(const StatusRecord& record, int param)
{
    if (param != 0)
        return {};
    const int low = record[1] & 0x0F;
    const int high = record[1] >> 4;
    if (low == 0 && high == 0)
        return 0;
    if (low == 15 && high == 15)
        return 15;
    for (int state : {14, 13, 11, 7}) {
        if (low == state || high == state)
            return state;
    }
    return 0;
}

int crc16(const quint8* data, int length)
{
    if (!data || length < 1)
        return -1;
    quint16 crc = 0xFFFF;
    for (int i = 0; i < length; ++i)
        crc = quint16((crc >> 8) ^ kCrc16Table[(crc ^ data[i]) & 0xFF]);
    return crc;
}

int crc8(const quint8* data, int length)
{
    if (!data || length < 1)
        return -1;
    quint8 crc = 0xFF;
    for (int i = 0; i < length; ++i)
        crc = kCrc8Table[crc ^ data[i]];
    return crc;
}

void copyRecord32(StatusRecord& target, const StatusRecord& source)
{
    target = source;
}

void copyRecord8(OutputArea& target, const OutputArea& source)
{
    target = source;
}

bool compareRecord32(const StatusRecord& a, const StatusRecord& b)
{
    return a == b;
}

void dumpByteBits(uint header, uint byteNumber, quint8 value)
{
    qCDebug(lcCore).noquote() << QStringLiteral("---BYTE--%1---------------------------------").arg(header);
    for (int bit = 7; bit >= 0; --bit)
        qCDebug(lcCore).noquote() << QStringLiteral("Byte%1 / Bit%2 %3").arg(byteNumber).arg(bit).arg((value >> bit) & 1);
}
