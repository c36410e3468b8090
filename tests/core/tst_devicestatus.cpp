#include "devicestatus.h"

#include <QtTest>

class TestDeviceStatus : public QObject
{
    Q_OBJECT
private slots:
    void energizerValues_data();
    void energizerValues();
    void energizerFlags_data();
    void energizerFlags();
    void energizerOutOfRange();
    void ioCard();
    void sensorState_data();
    void sensorState();
    void checksums();
    void byteConversions();
};

namespace {

StatusRecord recordWith(int byte, quint8 value)
{
    StatusRecord record{};
    record[byte] = value;
    return record;
}

} // namespace

void TestDeviceStatus::energizerValues_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("param");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("battery full scale") << 9 << 0xFF << 6 << QVariant(31.875f);
    QTest::newRow("second eighths value") << 10 << 0x09 << 47 << QVariant(1.125f);
    QTest::newRow("return voltage 1 full scale") << 17 << 0xFF << 28 << QVariant(31875);
    QTest::newRow("return voltage 2") << 24 << 0x02 << 29 << QVariant(250);
    QTest::newRow("fence voltage 1") << 16 << 0x80 << 30 << QVariant(16000);
    QTest::newRow("fence voltage 2") << 23 << 0x01 << 31 << QVariant(125);
    QTest::newRow("zone value 1") << 15 << 0x10 << 37 << QVariant(100.0);
    QTest::newRow("zone value 2") << 22 << 0xFF << 38 << QVariant(1593.75);
    QTest::newRow("state bad, condition 10") << 12 << 0x3A << 26 << QVariant(QStringLiteral("Bad"));
    QTest::newRow("condition 10 is empty text") << 12 << 0x3A << 32 << QVariant(QStringLiteral(""));
    QTest::newRow("state good") << 12 << 0x19 << 26 << QVariant(QStringLiteral("Good"));
    QTest::newRow("condition 9") << 12 << 0x19 << 32 << QVariant(9);
    QTest::newRow("state check zone 2") << 19 << 0x20 << 27 << QVariant(QStringLiteral("Check"));
    QTest::newRow("state 0 is empty text") << 19 << 0x00 << 27 << QVariant(QStringLiteral(""));
    QTest::newRow("condition zone 2") << 19 << 0xC3 << 33 << QVariant(3);
    QTest::newRow("low-voltage code 1") << 13 << 0xFE << 16 << QVariant(2);
    QTest::newRow("low-voltage code 2") << 20 << 0x03 << 17 << QVariant(3);
}

void TestDeviceStatus::energizerValues()
{
    QFETCH(int, byte);
    QFETCH(int, value);
    QFETCH(int, param);
    QFETCH(QVariant, expected);

    const QVariant actual = decodeEnergizerParam(recordWith(byte, quint8(value)), param);
    QCOMPARE(actual.userType(), expected.userType());
    QCOMPARE(actual, expected);
}

void TestDeviceStatus::energizerFlags_data()
{
    QTest::addColumn<int>("param");
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("bit");

    // param, byte.bit as the field table lays them out
    const int flags[][3] = {
        {1, 5, 1},   {2, 5, 2},   {3, 5, 3},   {4, 8, 7},   {5, 8, 4},   {7, 4, 0},   {8, 4, 2},
        {9, 4, 5},   {10, 6, 2},  {11, 6, 5},  {12, 5, 0},  {13, 5, 4},  {14, 6, 0},  {15, 6, 1},
        {18, 6, 3},  {19, 6, 4},  {20, 13, 7}, {21, 20, 7}, {22, 12, 7}, {23, 19, 7}, {24, 12, 6},
        {25, 19, 6}, {34, 13, 6}, {35, 20, 6}, {36, 5, 5},  {39, 14, 0}, {40, 21, 0}, {41, 14, 1},
        {42, 21, 1}, {43, 14, 2}, {44, 21, 2}, {45, 14, 3}, {46, 21, 3}, {48, 8, 1},  {49, 8, 0},
        {50, 8, 3},  {51, 4, 3},  {52, 4, 1},
    };
    for (const auto& flag : flags)
        QTest::addRow("param %d", flag[0]) << flag[0] << flag[1] << flag[2];
}

// Each flag reads exactly its own bit: set, it is 1; every other bit of its
// byte set, it stays 0.
void TestDeviceStatus::energizerFlags()
{
    QFETCH(int, param);
    QFETCH(int, byte);
    QFETCH(int, bit);

    const QVariant on = decodeEnergizerParam(recordWith(byte, quint8(1 << bit)), param);
    QCOMPARE(on.userType(), int(QMetaType::Int));
    QCOMPARE(on.toInt(), 1);
    QCOMPARE(decodeEnergizerParam(recordWith(byte, quint8(~(1 << bit))), param).toInt(), 0);
}

void TestDeviceStatus::energizerOutOfRange()
{
    StatusRecord full;
    full.fill(0xFF);
    for (int param : {-1, 0, 53, 1000}) {
        QVERIFY(!decodeEnergizerParam(full, param).isValid());
        QVERIFY(!decodeEnergizerParam(StatusRecord{}, param).isValid());
    }
}

void TestDeviceStatus::ioCard()
{
    QCOMPARE(decodeIOCardParam(recordWith(30, 0x01), 17), QVariant(1));
    QCOMPARE(decodeIOCardParam(recordWith(30, 0xFE), 17), QVariant(0));
    QVERIFY(!decodeIOCardParam(recordWith(30, 0x01), 18).isValid());
    QVERIFY(!decodeIOCardParam(StatusRecord{}, -1).isValid());
    QCOMPARE(decodeIOCardParam(recordWith(5, 0x50), 0), QVariant(10.0f));
    for (int n = 0; n < 8; ++n) {
        QCOMPARE(decodeIOCardParam(recordWith(6, quint8(1 << n)), 1 + n), QVariant(1));
        QCOMPARE(decodeIOCardParam(recordWith(6, quint8(~(1 << n))), 1 + n), QVariant(0));
        QCOMPARE(decodeIOCardParam(recordWith(4, quint8(1 << n)), 9 + n), QVariant(1));
        QCOMPARE(decodeIOCardParam(recordWith(4, quint8(~(1 << n))), 9 + n), QVariant(0));
    }
}

void TestDeviceStatus::sensorState_data()
{
    QTest::addColumn<int>("byte1");
    QTest::addColumn<int>("state");
    QTest::newRow("both 0") << 0x00 << 0;
    QTest::newRow("15 and 0") << 0xF0 << 0;
    QTest::newRow("both 15") << 0xFF << 15;
    QTest::newRow("7 and 14") << 0x7E << 14;
    QTest::newRow("11 and 7") << 0xB7 << 11;
    QTest::newRow("13 and 15") << 0xFD << 13;
    QTest::newRow("7 and 3") << 0x37 << 7;
    QTest::newRow("neither known") << 0x21 << 0;
}

void TestDeviceStatus::sensorState()
{
    QFETCH(int, byte1);
    QFETCH(int, state);
    StatusRecord record = recordWith(1, quint8(byte1));
    record[0] = 5;  // the sensor's number plays no part
    QCOMPARE(decodeSensorParam(record, 0), QVariant(state));
    QVERIFY(!decodeSensorParam(record, 1).isValid());
}

void TestDeviceStatus::checksums()
{
    const QByteArray text("123456789");
    const auto* bytes = reinterpret_cast<const quint8*>(text.constData());
    QCOMPARE(crc16(bytes, text.size()), 0x4B37);
    QCOMPARE(crc8(bytes, text.size()), 0x0B);
    // A Modbus request frame carries its CRC low byte first.
    const quint8 request[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A};
    QCOMPARE(crc16(request, 6), 0xCDC5);
    QCOMPARE(crc16(bytes, 0), -1);
    QCOMPARE(crc8(bytes, 0), -1);
    QCOMPARE(crc16(bytes, -3), -1);
    QCOMPARE(crc16(nullptr, 4), -1);
}

void TestDeviceStatus::byteConversions()
{
    QCOMPARE(byteToInt(0xFF), 255u);
    QCOMPARE(intToByte(0x1234), quint8(0x34));
    QCOMPARE(intToByte(-1), quint8(0xFF));

    StatusRecord a = recordWith(31, 7);
    StatusRecord b{};
    QVERIFY(!compareRecord32(a, b));
    copyRecord32(b, a);
    QVERIFY(compareRecord32(a, b));
    OutputArea out{};
    copyRecord8(out, OutputArea{1, 2, 3, 4, 5, 6, 7, 8});
    QCOMPARE(out[7], quint8(8));
}

QTEST_GUILESS_MAIN(TestDeviceStatus)
#include "tst_devicestatus.moc"
