#include "Commands.h"

#include "HostPlatform.h"

#include "controls/pathcontrol/PathControl.h"
#include "controls/pathcontrol/RasterSurface_p.h"

#include <QApplication>
#include <QFile>

#include <cstdio>
#include <stdexcept>

namespace k7::cli {

namespace {

const char* const kCanvasHelp =
    "usage: k7 canvas [--size WxH] SCRIPT -o OUT.png\n"
    "\n"
    "Renders a drawing script of the path view (ctx.moveTo(10,20);ctx.lineTo(...), lines ending in\n"
    "CR LF) on a fresh, white picture, exactly as PathControl draws a reply, and writes it as PNG.\n"
    "A statement the interpreter cannot run stops the script and is drawn as its error text at\n"
    "(10, 20), as on a terminal.\n"
    "\n"
    "  SCRIPT          the script file, read as UTF-8 (- for standard input)\n"
    "  --size WxH      the picture in pixels (default 320x240, at most 8192 on a side)\n"
    "  -o, --out FILE  the PNG to write\n"
    "\n"
    "Exit status: 0 written, 1 the script or the PNG could not be read or written, 2 bad usage.\n";

struct CanvasOptions {
    QString Script;
    QString Out;
    int Width = 320;
    int Height = 240;
};

CanvasOptions ParseOptions(const QStringList& args) {
    CanvasOptions options;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const auto value = [&]() {
            if (i + 1 >= args.size())
                throw std::invalid_argument(QStringLiteral("%1 needs a value").arg(arg).toStdString());
            return args[++i];
        };
        if (arg == QLatin1String("--size")) {
            const QString size = value();
            const QStringList parts = size.split(QLatin1Char('x'));
            bool okWidth = false, okHeight = false;
            if (parts.size() == 2) {
                options.Width = parts[0].toInt(&okWidth);
                options.Height = parts[1].toInt(&okHeight);
            }
            if (!okWidth || !okHeight || options.Width < 1 || options.Height < 1 ||
                options.Width > RasterSurface::MaxSide || options.Height > RasterSurface::MaxSide)
                throw std::invalid_argument(
                    QStringLiteral("--size wants WIDTHxHEIGHT in pixels (1 to %1), not '%2'")
                        .arg(RasterSurface::MaxSide)
                        .arg(size)
                        .toStdString());
        } else if (arg == QLatin1String("-o") || arg == QLatin1String("--out")) {
            options.Out = value();
        } else if (arg.startsWith(QLatin1Char('-')) && arg != QLatin1String("-")) {
            throw std::invalid_argument(QStringLiteral("unknown option %1").arg(arg).toStdString());
        } else if (options.Script.isEmpty()) {
            options.Script = arg;
        } else {
            throw std::invalid_argument(QStringLiteral("one script only, not also '%1'").arg(arg).toStdString());
        }
    }
    if (options.Script.isEmpty() || options.Out.isEmpty())
        throw std::invalid_argument("a SCRIPT and -o OUT.png are needed");
    return options;
}

} // namespace

int RunCanvas(int argc, char** argv, const QStringList& args) {
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(kCanvasHelp, stdout);
        return 0;
    }
    CanvasOptions options;
    try {
        options = ParseOptions(args);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "k7 canvas: %s\n\n%s", error.what(), kCanvasHelp);
        return 2;
    }
    QFile file;
    const bool opened = options.Script == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                             : (file.setFileName(options.Script), file.open(QIODevice::ReadOnly));
    if (!opened) {
        std::fprintf(stderr, "k7 canvas: cannot read %s\n", qPrintable(options.Script));
        return 1;
    }
    const QString script = QString::fromUtf8(file.readAll());

    HostPlatform::Prepare();
    QApplication application(argc, argv);
    PathControl control;
    control.SetExtent(static_cast<float>(control.PixelsToTwips(options.Width)),
                      static_cast<float>(control.PixelsToTwips(options.Height)));
    control.Paint(script);
    if (!control.picPath().Image().save(options.Out, "PNG")) {
        std::fprintf(stderr, "k7 canvas: cannot write %s\n", qPrintable(options.Out));
        return 1;
    }
    return 0;
}

} // namespace k7::cli
