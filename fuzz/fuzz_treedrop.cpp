// libFuzzer target: a drop of arbitrary or node-built payloads on a site tree model.
#include "treedropfuzz.h"

#include "fuzzqtapp.h"

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    FuzzQtApp::start(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!TreeDropFuzz::run(QByteArray(reinterpret_cast<const char*>(data), int(size))))
        std::abort();
    return 0;
}
