// libFuzzer target: arbitrary received bytes, cut into arbitrary pieces,
// through the TW controller client's frame reassembly and packet processing.
#include "fuzzinput.h"
#include "fuzzqtapp.h"
#include "qtclienttw.h"

#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    FuzzQtApp::start(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    qtClientTW client(1);
    int images = 0;
    QObject::connect(&client, &qtClientTW::tcpInUpdate, [&](const KX4Data& image) {
        ++images;
        check(image.size() == 64);
        for (const DeviceData& record : image)
            check(record.size() == 32);
    });
    FuzzInput::feedInPieces(data, size, [&](const char* bytes, int length) {
        client.receiveBytes(bytes, length);
    });
    // An image goes on only after a whole frame (at least 8 bytes) wrote it.
    check(images <= int(size / 8));
    check(client.configuration().size() == qtClientTW::kConfigRegisterSize);
    return 0;
}
