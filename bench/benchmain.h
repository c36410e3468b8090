#pragma once

#include "resources.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

#include <type_traits>

// Runs the registered benchmarks inside a Qt application object of type App.
// Widget and painting benchmarks get the offscreen platform (unless one is
// chosen) and the compiled-in icons. `beforeExit` runs while the application
// object still lives: widgets kept across benchmarks go there.
template <typename App>
int runQtBenchmarks(int argc, char** argv, void (*beforeExit)() = nullptr)
{
    constexpr bool gui = std::is_base_of_v<QGuiApplication, App>;
    if (gui && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    App app(argc, argv);
    if (gui)
        initLumetraResources();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (beforeExit)
        beforeExit();
    return 0;
}
