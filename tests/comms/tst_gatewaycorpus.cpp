// Replays the inputs the fuzzer found interesting through the gateway
// client's reassembly and packet processing, cut into pieces the same way.
#include "fuzzinput.h"
#include "qtclient.h"

#include <QDir>
#include <QtTest>

class TestGatewayCorpus : public QObject
{
    Q_OBJECT
private slots:
    void replay_data();
    void replay();
};

void TestGatewayCorpus::replay_data()
{
    QTest::addColumn<QByteArray>("input");
    const QDir dir(QStringLiteral(LUMETRA_GATEWAY_CORPUS));
    const QFileInfoList files = dir.entryInfoList(QDir::Files, QDir::Name);
    QVERIFY2(!files.isEmpty(), LUMETRA_GATEWAY_CORPUS);
    for (const QFileInfo& info : files) {
        QFile file(info.filePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTest::newRow(qPrintable(info.fileName())) << file.readAll();
    }
}

void TestGatewayCorpus::replay()
{
    QFETCH(QByteArray, input);
    const auto* data = reinterpret_cast<const uint8_t*>(input.constData());
    const size_t size = size_t(input.size());

    qtClient client(FuzzInput::mode(data, size));
    int badBlocks = 0;
    connect(&client, &qtClient::dataUpdate, this, [&](const DeviceData& block, int blockNo) {
        badBlocks += block.size() != 32 || blockNo < 0 || blockNo >= 64;
    });
    connect(&client, &qtClient::tcpInUpdate, this, [&](const KX4Data& image) {
        badBlocks += image.size() != 64;
    });
    FuzzInput::feedInPieces(data, size, [&](const char* bytes, int length) { client.receiveBytes(bytes, length); });
    QCOMPARE(badBlocks, 0);
    QVERIFY(client.no_of_energizers <= qtClient::kMaxEnergizers);
    QVERIFY(client.no_of_iocards <= qtClient::kMaxIoCards);
}

QTEST_GUILESS_MAIN(TestGatewayCorpus)
#include "tst_gatewaycorpus.moc"
