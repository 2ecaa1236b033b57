#pragma once

// The main function of a benchmark program that times controls: real widgets, so it makes the
// application object first, on the offscreen platform unless the caller chose one.

#include "K7Bench.h"

#include <QApplication>

#include <string>

namespace k7::bench {

inline int WidgetMain(int argc, char** argv, const std::string& ours) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    return Main(argc, argv, ours);
}

} // namespace k7::bench
