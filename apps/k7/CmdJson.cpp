#include "Commands.h"

#include "core/RuntimeError.h"
#include "json/JsonBag.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdio>

namespace {

constexpr char kUsage[] =
    "usage: k7 json [--decimal] [--pretty] [FILE|-]\n"
    "\n"
    "Parses a JSON document exactly as the controls do and writes it back.\n"
    "\n"
    "  --decimal  read numbers as 28-digit decimals instead of doubles\n"
    "  --pretty   write the document indented, one item per line\n"
    "  FILE       the document, read as UTF-8; none or '-' reads standard input\n"
    "\n"
    "Exit status: 0 the document was written back; 1 it does not parse, and the failure\n"
    "text (number-description) is printed on standard output; 2 bad usage or an\n"
    "unreadable file.\n";

void WriteLine(const QString& text) {
    const QByteArray bytes = (text + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

int UsageError(const QString& message) {
    std::fprintf(stderr, "k7 json: %s\n\n%s", message.toLocal8Bit().constData(), kUsage);
    return 2;
}

} // namespace

int k7::cli::RunJson(int, char**, const QStringList& args) {
    bool decimalMode = false;
    bool pretty = false;
    bool optionsEnded = false;
    QString path = QStringLiteral("-");
    bool havePath = false;
    for (const QString& arg : args) {
        if (!optionsEnded && (arg == QLatin1String("--help") || arg == QLatin1String("-h"))) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (!optionsEnded && arg == QLatin1String("--decimal")) {
            decimalMode = true;
        } else if (!optionsEnded && arg == QLatin1String("--pretty")) {
            pretty = true;
        } else if (!optionsEnded && arg == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && arg.startsWith(QLatin1Char('-')) && arg != QLatin1String("-")) {
            return UsageError(QStringLiteral("unknown option '%1'").arg(arg));
        } else if (havePath) {
            return UsageError(QStringLiteral("only one FILE may be given"));
        } else {
            path = arg;
            havePath = true;
        }
    }

    QFile file;
    bool opened = false;
    if (path == QLatin1String("-")) {
        opened = file.open(stdin, QIODevice::ReadOnly);
    } else {
        file.setFileName(path);
        opened = file.open(QIODevice::ReadOnly);
    }
    const QByteArray bytes = opened ? file.readAll() : QByteArray();
    if (!opened || file.error() != QFileDevice::NoError) {
        std::fprintf(stderr, "k7 json: cannot read '%s': %s\n", path.toLocal8Bit().constData(),
                     file.errorString().toLocal8Bit().constData());
        return 2;
    }

    // The controls' way: DecimalMode before the text, so that every level reads decimals.
    auto bag = k7::JsonBag::Create();
    try {
        bag->SetDecimalMode(decimalMode);
        bag->SetJSON(QString::fromUtf8(bytes));
        bag->SetWhitespace(pretty);
        WriteLine(bag->JSON());
        return 0;
    } catch (const k7::RuntimeError& error) {
        WriteLine(error.FailureText());
        return 1;
    }
}
