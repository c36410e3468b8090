#pragma once

#include <QApplication>
#include <QByteArray>

// The one application object every fuzz target needs: offscreen, so no
// display is asked for, and silent, so the diagnostic log of millions of bad
// inputs does not drown the fuzzer's own output.
namespace FuzzQtApp {

inline void quietHandler(QtMsgType, const QMessageLogContext&, const QString&) {}

inline void start(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(*argc, *argv);
    qInstallMessageHandler(quietHandler);
}

} // namespace FuzzQtApp
