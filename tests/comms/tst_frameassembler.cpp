#include "controllerframe.h"
#include "frameassembler.h"

#include <QtTest>

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

// Feeds the bytes in pieces and collects what the assembler makes of them.
struct Cut
{
    QList<QByteArray> frames;
    QList<FrameAssembler::Result> rejections;
};

Cut cutInPieces(const QByteArray& bytes, const QList<int>& pieces)
{
    FrameAssembler assembler(&ControllerFrame::isKnownFunction);
    Cut cut;
    int offset = 0;
    QList<int> sizes = pieces;
    sizes << bytes.size();
    for (int size : sizes) {
        const QByteArray piece = bytes.mid(offset, size);
        offset += piece.size();
        assembler.append(piece.constData(), piece.size());
        FrameAssembler::FrameView view;
        for (;;) {
            const FrameAssembler::Result result = assembler.next(&view);
            if (result == FrameAssembler::Result::NeedMore)
                break;
            if (result == FrameAssembler::Result::Frame)
                cut.frames << QByteArray(reinterpret_cast<const char*>(view.data), view.size);
            else
                cut.rejections << result;
        }
        if (offset >= bytes.size())
            break;
    }
    return cut;
}


} // namespace

class TestFrameAssembler : public QObject
{
    Q_OBJECT
private slots:
    void everySplitPoint();
    void rejections_data();
    void rejections();
    void fullLengthFrames();
    void sentFrames_data();
    void sentFrames();
    void acknowledgement();
};

void TestFrameAssembler::everySplitPoint()
{
    const QByteArray first = hex("000100010006015a0100aabb");
    const QByteArray second = hex("0000000100050103021122");
    const QByteArray stream = first + second + first;
    for (int a = 0; a <= stream.size(); ++a) {
        for (int b = a; b <= stream.size(); b += 3) {
            const Cut cut = cutInPieces(stream, {a, b - a});
            QCOMPARE(cut.frames, (QList<QByteArray>{first, second, first}));
            QVERIFY(cut.rejections.isEmpty());
        }
    }
}

void TestFrameAssembler::rejections_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("value");

    QTest::newRow("length 0") << hex("000000000000015a") << int(FrameAssembler::Result::BadLength) << 0;
    QTest::newRow("length 1") << hex("00000000000101") << int(FrameAssembler::Result::BadLength) << 1;
    QTest::newRow("length 2043") << hex("0000000007fb015a") << int(FrameAssembler::Result::BadLength) << 2043;
    QTest::newRow("function 0") << hex("0000000000040100aabb") << int(FrameAssembler::Result::UnknownFunction) << 0;
    QTest::newRow("function 7") << hex("0000000000040107aabb") << int(FrameAssembler::Result::UnknownFunction) << 7;
}

void TestFrameAssembler::rejections()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, result);
    QFETCH(int, value);

    FrameAssembler assembler(&ControllerFrame::isKnownFunction);
    // A good frame after the bad header is lost with it: the stream has no resync point.
    const QByteArray stream = bytes + hex("000100010006015a0100aabb");
    assembler.append(stream.constData(), stream.size());
    FrameAssembler::FrameView view;
    QCOMPARE(int(assembler.next(&view)), result);
    QCOMPARE(assembler.rejectedValue(), value);
    QCOMPARE(assembler.droppedBytes(), stream.size());
    QCOMPARE(assembler.buffered(), 0);
    QCOMPARE(assembler.next(&view), FrameAssembler::Result::NeedMore);

    // The next bytes start afresh.
    const QByteArray good = hex("000100010006015a0100aabb");
    assembler.append(good.constData(), good.size());
    QCOMPARE(assembler.next(&view), FrameAssembler::Result::Frame);
    QCOMPARE(view.size, good.size());
}

void TestFrameAssembler::fullLengthFrames()
{
    // A heartbeat of 32 energizers and 31 IO cards: the 16-bit length counts in full.
    QByteArray heartbeat = hex("00010001") ;
    const int length = 4 + 6 * 32 + 2 * 31;
    heartbeat.append(char(length >> 8)).append(char(length & 0xFF)).append(hex("015a201f"));
    heartbeat.append(QByteArray(6 * 32 + 2 * 31, '\x33'));
    QCOMPARE(heartbeat.size(), 264);
    QByteArray biggest = hex("0000000107fa0164");
    biggest.append(QByteArray(FrameAssembler::kMaxLength - 2, '\x01'));
    const Cut cut = cutInPieces(heartbeat + biggest, {100, 100, 1000});
    QCOMPARE(cut.frames, (QList<QByteArray>{heartbeat, biggest}));
}

void TestFrameAssembler::sentFrames_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("hello") << ControllerFrame::hello() << hex("00000001000f012b00000008084272652d2d6e696b");
    QTest::newRow("read device 1") << ControllerFrame::readRequest(32, 32) << hex("000000010006010300200020");
    QTest::newRow("read device 63") << ControllerFrame::readRequest(2016, 32) << hex("00000001000601030" "7e00020");
    QTest::newRow("read register 256") << ControllerFrame::readRequest(256, 32) << hex("000000010006010301000020");
    QTest::newRow("reset") << ControllerFrame::controllerResetRequest()
                           << hex("00000001000d011000000007070000050000030" "0");
    QTest::newRow("configuration read") << ControllerFrame::configurationReadRequest()
                                        << hex("00000001000701140400000000");
}

void TestFrameAssembler::sentFrames()
{
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, expected);
    QCOMPARE(frame, expected);
}

void TestFrameAssembler::acknowledgement()
{
    const QByteArray heartbeat = hex("1234abcd000607" "5a0100aabb");
    const QByteArray ack = ControllerFrame::acknowledgement(reinterpret_cast<const uchar*>(heartbeat.constData()));
    QCOMPARE(ack, hex("1234abcd0000075a"));
    QCOMPARE(ControllerFrame::configurationWriteRequest().size(), 6 + 55);
}

QTEST_APPLESS_MAIN(TestFrameAssembler)
#include "tst_frameassembler.moc"
