// libFuzzer target: arbitrary bytes as the whole setting.ini.
#include "settingsfilefuzz.h"
#include "ui_mainwindow.h"

#include "fuzzqtapp.h"

#include <QTemporaryDir>

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QTemporaryDir home;
    qputenv("LUMETRA_HOME", home.path().toLocal8Bit());
    FuzzQtApp::start(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!SettingsFileFuzz::run(QByteArray(reinterpret_cast<const char*>(data), int(size))))
        std::abort();
    return 0;
}
