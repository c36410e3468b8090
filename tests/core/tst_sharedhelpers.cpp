#include "colortext.h"
#include "decimaltext.h"
#include "eventtypename.h"
#include "messagecatcher.h"
#include "statusword.h"
#include "testhome.h"
#include "userright.h"

#include <QEvent>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

class TestSharedHelpers : public QObject
{
    Q_OBJECT
private slots:
    void colorTextRoundTrip();
    void textToColor_data();
    void textToColor();
    void decimalInt();
    void userRights();
    void userRightsSqlError();
    void remapStatusBits_data();
    void remapStatusBits();
    void statusWordBitIndexes();
    void statusWordField_data();
    void statusWordField();
    void bitArrays();
    void eventNames();
};

void TestSharedHelpers::colorTextRoundTrip()
{
    QCOMPARE(colorToText(QColor(255, 255, 255, 255)), QStringLiteral("rgba(255,255,255,255)"));
    QCOMPARE(::textToColor(QStringLiteral("rgba(255,255,255,255)")), QColor(255, 255, 255, 255));
    const QColor alarm(232, 194, 251, 40);
    QCOMPARE(::textToColor(colorToText(alarm)), alarm);
}

void TestSharedHelpers::textToColor_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("expected");
    QTest::newRow("three numbers: alpha 0") << "rgba(1,2,3)" << QColor(1, 2, 3, 0);
    QTest::newRow("no parentheses") << "1,2,3,4" << QColor(1, 2, 3, 4);
    QTest::newRow("not a number") << "rgba(x,2,3,4)" << QColor(0, 2, 3, 4);
    QTest::newRow("text after the bracket") << "rgba(9,8,7,6) trailing(1,1,1,1)" << QColor(9, 8, 7, 6);
    QTest::newRow("closing bracket only") << "5,6,7,8)" << QColor(5, 6, 7, 8);
    QTest::newRow("out of range is clamped") << "rgba(300,-4,3,4)" << QColor(255, 0, 3, 4);
    QTest::newRow("spaces and signs") << "rgba( 12 ,+7,- 1,\t5 )" << QColor(12, 7, 0, 5);
    QTest::newRow("beyond an int, hex, empty") << "rgba(99999999999,0x1,,2147483647)" << QColor(0, 0, 0, 255);
    QTest::newRow("no number at all") << "nocolour" << QColor();
}

void TestSharedHelpers::textToColor()
{
    QFETCH(QString, text);
    QFETCH(QColor, expected);
    QCOMPARE(::textToColor(text), expected);
    QVERIFY(!::textToColor(QString()).isValid());
}

// The project's numbers read as QString::toInt reads them.
void TestSharedHelpers::decimalInt()
{
    for (const char* text : {" 12", "12 ", " +7 ", "1 2", "\t5\n", "0012", "-0", "+", "", "-", "2147483647",
                             "2147483648", "-2147483648", "-2147483649", "99999999999", "1e3", "0x1f", "1.5"})
        QCOMPARE(::decimalInt(QString::fromLatin1(text)), QString::fromLatin1(text).toInt());
}

void TestSharedHelpers::userRights()
{
    TestHome home;
    QVERIFY(home.openDatabase());
    QSqlQuery query;
    // An operator whose clear_log holds 2 (only 1 grants) and a user whose role has no rights row.
    QVERIFY2(query.exec(QStringLiteral("update rights set clear_log = 2 where role_id = 2")),
             qPrintable(query.lastError().text()));
    QVERIFY(query.exec(QStringLiteral("insert into users (user, password, active, role_text, role_id) "
                                      "values ('op', 'x', 1, 'Operator', 2), ('ghost', 'x', 1, 'Nobody', 7)")));
    MessageCatcher catcher;

    QVERIFY(checkUserRight(UserRight::EditUsers, QStringLiteral("admin")));
    QVERIFY(checkUserRight(UserRight::SensorsSetup, QStringLiteral("admin")));
    QVERIFY(checkUserRight(UserRight::SendCommand, QStringLiteral("op")));
    QVERIFY(!checkUserRight(UserRight::EditWorkspace, QStringLiteral("op")));
    QVERIFY(!checkUserRight(UserRight::ClearLog, QStringLiteral("op")));
    QVERIFY(!checkUserRight(9, QStringLiteral("admin")));
    QVERIFY(!checkUserRight(-1, QStringLiteral("admin")));
    QVERIFY(!checkUserRight(UserRight::SendCommand, QStringLiteral("nobody")));
    QVERIFY(!checkUserRight(UserRight::SendCommand, QStringLiteral("ghost")));
    QVERIFY(!checkUserRight(UserRight::SendCommand, QStringLiteral("x' or '1'='1")));
    QVERIFY2(catcher.messages().isEmpty(), qPrintable(catcher.messages().join('\n')));

    query = QSqlQuery();
    home.closeDatabase();
}

void TestSharedHelpers::userRightsSqlError()
{
    TestHome home;
    QVERIFY(home.openDatabase());
    QVERIFY(QSqlQuery().exec(QStringLiteral("drop table rights")));
    MessageCatcher catcher;
    QVERIFY(!checkUserRight(UserRight::EditUsers, QStringLiteral("admin")));
    QVERIFY2(catcher.contains(QStringLiteral("no such table")), qPrintable(catcher.messages().join('\n')));
    home.closeDatabase();
}

void TestSharedHelpers::remapStatusBits_data()
{
    QTest::addColumn<int>("word");
    QTest::addColumn<int>("expected");
    QTest::newRow("bit 12 -> 0") << 0x1000 << 0x0001;
    QTest::newRow("bit 0 -> 12") << 0x0001 << 0x1000;
    QTest::newRow("bits 13-15 dropped") << 0xE000 << 0;
    QTest::newRow("bit 10 -> 1") << 0x0400 << 0x0002;
    QTest::newRow("bit 11 -> 2") << 0x0800 << 0x0004;
    QTest::newRow("bit 3 -> 7") << 0x0008 << 0x0080;
    QTest::newRow("bit 2 -> 8") << 0x0004 << 0x0100;
    QTest::newRow("bit 5 -> 9") << 0x0020 << 0x0200;
    QTest::newRow("bit 4 -> 10") << 0x0010 << 0x0400;
    QTest::newRow("bit 1 -> 11") << 0x0002 << 0x0800;
    QTest::newRow("bits 6-9 stay apart") << 0x03C0 << 0x0078;
    QTest::newRow("all 13") << 0xFFFF << 0x1FFF;
}

void TestSharedHelpers::remapStatusBits()
{
    QFETCH(int, word);
    QFETCH(int, expected);
    QCOMPARE(::remapStatusBits(quint16(word)), expected);

    MappingRecord record;
    record.codedValue[7] = 0xABCD0000u | quint32(word);
    QCOMPARE(remapStatusWord(record, 7), expected);
    QCOMPARE(remapStatusWord(record, 8), 0);
}

void TestSharedHelpers::statusWordBitIndexes()
{
    QVERIFY(statusWordBit(0x1000, 0));
    QVERIFY(statusWordBit(0x0001, 13));
    QVERIFY(statusWordBit(0x0001, 12));
    QVERIFY(statusWordBit(0x0001, -5));
    const int bits[] = {12, 11, 8, 7, 10, 9, 6, 5, 4, 3, 1, 2};
    for (int index = 0; index < 12; ++index) {
        QVERIFY(statusWordBit(quint16(1 << bits[index]), index));
        QVERIFY(!statusWordBit(quint16(~(1 << bits[index])), index));
    }
    QVERIFY(testBit16(0x8000, 15));
    QVERIFY(!testBit16(0x7FFF, 15));
    QVERIFY(!testBit16(0xFFFF, 16));
}

void TestSharedHelpers::statusWordField_data()
{
    QTest::addColumn<QList<MappingRecord>>("records");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("expected");

    MappingRecord c0;
    c0.id = 1;
    c0.codedValue[0] = 1;
    QTest::newRow("kind 2, c0 bit 0") << QList<MappingRecord>{c0} << 2 << 129;
    QTest::newRow("kind 4, c0 bit 0") << QList<MappingRecord>{c0} << 4 << 1;
    QTest::newRow("kind 5") << QList<MappingRecord>{c0} << 5 << 0;
    QTest::newRow("empty list") << QList<MappingRecord>{} << 2 << 0;

    MappingRecord none;
    QTest::newRow("kind 2, nothing set") << QList<MappingRecord>{none} << 2 << 0;

    MappingRecord all;
    all.codedValue = {1, 4, 2, 8, 1, 2, 0, 0};
    QTest::newRow("kind 2, all zone bits") << QList<MappingRecord>{all} << 2 << 128 + 15;
    QTest::newRow("kind 4, all bits") << QList<MappingRecord>{all} << 4 << 63;

    // With a first record of id 0 the second one counts, except for kind 3.
    MappingRecord global;
    global.codedValue[4] = 1;
    global.codedValue[5] = 2;
    QTest::newRow("kind 2 skips id 0") << QList<MappingRecord>{global, c0} << 2 << 129;
    QTest::newRow("kind 4 skips id 0") << QList<MappingRecord>{global, c0} << 4 << 1;
    QTest::newRow("kind 4 single id 0") << QList<MappingRecord>{global} << 4 << 48;
    QTest::newRow("kind 3 on and high") << QList<MappingRecord>{global, c0} << 3 << 176;
    MappingRecord onOnly;
    onOnly.codedValue[4] = 1;
    QTest::newRow("kind 3 on") << QList<MappingRecord>{onOnly} << 3 << 144;
    MappingRecord highOnly;
    highOnly.codedValue[5] = 2;
    QTest::newRow("kind 3 high") << QList<MappingRecord>{highOnly} << 3 << 160;
    QTest::newRow("kind 3 neither") << QList<MappingRecord>{c0} << 3 << 0;
}

void TestSharedHelpers::statusWordField()
{
    QFETCH(QList<MappingRecord>, records);
    QFETCH(int, kind);
    QFETCH(int, expected);
    QCOMPARE(::statusWordField(records, kind), expected);
}

void TestSharedHelpers::bitArrays()
{
    QCOMPARE(bitsToInt(QBitArray()), 0);
    QBitArray bits(20);
    bits.setBit(0);
    bits.setBit(15);
    bits.setBit(19);  // past the first 16: ignored
    QCOMPARE(bitsToInt(bits), 0x8001);
    QBitArray short3(3);
    short3.setBit(2);
    QCOMPARE(bitsToInt(short3), 4);
    QCOMPARE(remapStatusArray(short3), 0x0100);
}

void TestSharedHelpers::eventNames()
{
    QEvent press(QEvent::MouseButtonPress);
    QCOMPARE(eventTypeName(&press), QStringLiteral("MouseButtonPress"));
    QEvent custom(QEvent::Type(QEvent::User + 17));
    QCOMPARE(eventTypeName(&custom), QString::number(QEvent::User + 17));
}

QTEST_GUILESS_MAIN(TestSharedHelpers)
#include "tst_sharedhelpers.moc"
