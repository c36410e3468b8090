// libFuzzer target: arbitrary bytes as a project file.
#include "projectfilefuzz.h"

#include <QApplication>

#include <cstdlib>

namespace {

void quietHandler(QtMsgType, const QMessageLogContext&, const QString&) {}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(*argc, *argv);
    qInstallMessageHandler(quietHandler);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!ProjectFileFuzz::run(QByteArray(reinterpret_cast<const char*>(data), int(size))))
        std::abort();
    return 0;
}
