#pragma once

#include <QString>

class QWidget;

namespace k7::cli {

// A screen run without a display, as `k7 demo` and `k7 terminal` do on a build server: a
// screenshot when it opens, one every `shotEveryMs` while the event loop runs for `seconds`, and the
// final state, written as PNG files into a directory and each path printed on standard output.
struct HeadlessRun {
    QString Tool;           // "k7 demo", for messages
    double Seconds = 4;
    QString Out;            // "" for a fresh directory under the temporary directory
    int ShotEveryMs = 2000;

    // 0 when every screenshot was written, 1 otherwise; throws std::runtime_error when the
    // directory cannot be made.
    int Run(QWidget& screen) const;

    // `requested`, made when missing, or a fresh "k7-demo-*" directory under the temporary one.
    static QString OutputDirectory(const QString& requested);
};

} // namespace k7::cli
