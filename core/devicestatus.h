#pragma once

#include <QVariant>
#include <QtGlobal>

#include <array>

// The 32-byte status record of one device on the bus (energizer, IO card or
// TW sensor) and the 8-byte output area kept beside it. Fixed-size arrays, so
// a short buffer can never be handed to a decoder.
constexpr int kStatusRecordSize = 32;
constexpr int kOutputAreaSize = 8;
using StatusRecord = std::array<quint8, kStatusRecordSize>;
using OutputArea = std::array<quint8, kOutputAreaSize>;

// Highest parameter number of each device kind; everything above is invalid.
constexpr int kLastEnergizerParam = 52;
constexpr int kLastIOCardParam = 17;

// Energizer parameter numbers that the status evaluation and the views read
// by name. The numbers are also the keys of the energizer alarm conditions.
namespace EnergizerParam {
constexpr int Service = 4;
constexpr int SyncLoss = 5;
constexpr int BatteryVoltage = 6;
constexpr int MainFail = 7;
constexpr int Tamper = 8;
constexpr int Panic = 10;
constexpr int GateAlarm = 12;
constexpr int GateStatus = 13;
constexpr int LowVoltageZone1 = 16;
constexpr int LowVoltageZone2 = 17;
constexpr int FenceOn1 = 20;
constexpr int FenceOn2 = 21;
constexpr int FenceAlarm1 = 22;
constexpr int FenceAlarm2 = 23;
constexpr int SectorAlarm1 = 24;
constexpr int SectorAlarm2 = 25;
constexpr int FenceState1 = 26;
constexpr int FenceState2 = 27;
constexpr int FenceReturnVolt1 = 28;
constexpr int FenceReturnVolt2 = 29;
constexpr int FenceVoltage1 = 30;
constexpr int FenceVoltage2 = 31;
constexpr int FenceCondition1 = 32;
constexpr int FenceCondition2 = 33;
constexpr int CommsFail = 36;
// No status field uses this key: it names the colour of an element without alarm.
constexpr int NoAlarmColorKey = 53;
} // namespace EnergizerParam

namespace IOCardParam {
constexpr int BatteryVoltage = 0;
constexpr int FirstRelay = 1;  // relays 1 to 8 are params 1 to 8
constexpr int FirstInput = 9;  // inputs 1 to 8 are params 9 to 16
constexpr int CommsFail = 17;
} // namespace IOCardParam

// Decoders: a flag is an int 0 or 1; scaled values are float (steps of
// 0.125), double (steps of 6.25) or int (steps of 125); unknown parameters
// give an invalid QVariant.
QVariant decodeEnergizerParam(const StatusRecord& record, int param);
// An energizer parameter as a number without a QVariant, for the status
// evaluation and the views: a flag 0 or 1, a two-bit code, a fence state's
// code (not its text); any other parameter as
// decodeEnergizerParam(...).toInt().
int energizerParamCode(const StatusRecord& record, int param);
// The record byte that holds an energizer parameter (its code reads that
// byte only), or -1 for none.
int energizerParamByte(int param);
QVariant decodeIOCardParam(const StatusRecord& record, int param);
QVariant decodeSensorParam(const StatusRecord& record, int param);

inline uint byteToInt(quint8 value) { return value; }
inline quint8 intToByte(int value) { return static_cast<quint8>(value & 0xFF); }

// Modbus-style CRC-16 (reflected 0xA001, start 0xFFFF) and a reflected
// CRC-8 (0x8C, start 0xFF); -1 for a length below 1.
int crc16(const quint8* data, int length);
int crc8(const quint8* data, int length);

void copyRecord32(StatusRecord& target, const StatusRecord& source);
void copyRecord8(OutputArea& target, const OutputArea& source);
bool compareRecord32(const StatusRecord& a, const StatusRecord& b);
// Writes the eight bits of one byte to the diagnostic log, for field work.
void dumpByteBits(uint header, uint byteNumber, quint8 value);
