// libFuzzer target: arbitrary received bytes, cut into arbitrary pieces,
// through the gateway client's frame reassembly and packet processing.
#include "fuzzinput.h"
#include "qtclient.h"

#include <QCoreApplication>

#include <cstdlib>

namespace {

void quietHandler(QtMsgType, const QMessageLogContext&, const QString&) {}

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    qInstallMessageHandler(quietHandler);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    qtClient client(FuzzInput::mode(data, size));
    QObject::connect(&client, &qtClient::dataUpdate, [](const DeviceData& block, int blockNo) {
        check(block.size() == 32 && blockNo >= 0 && blockNo < 64);
    });
    QObject::connect(&client, &qtClient::tcpInUpdate, [](const KX4Data& image) {
        check(image.size() == 64);
        for (const DeviceData& block : image)
            check(block.size() == 32);
    });
    FuzzInput::feedInPieces(data, size, [&](const char* bytes, int length) { client.receiveBytes(bytes, length); });
    check(client.no_of_energizers <= qtClient::kMaxEnergizers);
    check(client.no_of_iocards <= qtClient::kMaxIoCards);
    return 0;
}
