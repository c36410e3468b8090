// libFuzzer target: arbitrary bytes as a report template.
#include "reporttemplatefuzz.h"

#include "fuzzqtapp.h"

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    FuzzQtApp::start(argc, argv);
    // Loops written into a formula are stopped quickly.
    ReportEngine::setScriptTimeLimit(20);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!ReportTemplateFuzz::run(QByteArray(reinterpret_cast<const char*>(data), int(size))))
        std::abort();
    return 0;
}
