// Feeds arbitrary text to the path view's canvas interpreter as a drawing script on a small
// picture. Whatever the script (huge numbers, endless arguments, broken quotes, every command
// cut short), running it must not crash, throw, hang or read what it should not; afterwards the
// picture keeps its size and the drawing state stays usable: a finite current point and a line
// width the surface accepts.

#include "controls/pathcontrol/CanvasInterpreter_p.h"
#include "controls/pathcontrol/PathControl.h"
#include "controls/pathcontrol/RasterSurface_p.h"

#include <QApplication>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

QApplication* application = nullptr;
k7::PathControl* control = nullptr;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_canvas: %s\n", what);
    std::abort();
}

} // namespace

// fontconfig keeps its font caches for the life of the process and frees them nowhere; they are
// not ours and not a leak of the interpreter.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    application = new QApplication(*argc, *argv);
    control = new k7::PathControl;
    control->resize(64, 48);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString script = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    k7::RasterSurface& picture = control->picPath();
    // Every input starts from a fresh picture and a fresh interpreter, so a finding replays alone.
    picture.Clear();
    picture.SetForeColor(0);
    picture.SetFillColor(0);
    picture.SetFillStyle(k7::FillStyle::Transparent);
    picture.SetDrawWidth(1);
    k7::CanvasInterpreter interpreter(picture, [](const QString& text, int32_t x, int32_t y) {
        control->TextRotate(control->hDC(), text, x, y, -90.0f);
    });
    try {
        interpreter.Run(script);
    } catch (...) {
        Fail("Run let an exception through");
    }
    if (picture.PixelSize() != QSize(64, 48))
        Fail("the picture changed its size");
    if (!std::isfinite(picture.CurrentX()) || !std::isfinite(picture.CurrentY()))
        Fail("the current point is no longer a finite number");
    if (picture.DrawWidth() < 1 || picture.DrawWidth() > k7::RasterSurface::MaxDrawWidth)
        Fail("the line width left the surface's range");
    return 0;
}
