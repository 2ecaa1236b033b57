#include "PlantOptions.h"

#include "PlantReplies.h"

#include <stdexcept>

namespace k7::plant {

namespace {

[[noreturn]] void Fail(const QString& message) {
    throw std::invalid_argument(message.toStdString());
}

int WholeNumber(const QString& text, int min, int max, const QString& what) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < min || value > max)
        Fail(QString("%1 must be a whole number from %2 to %3, not '%4'")
                 .arg(what)
                 .arg(min)
                 .arg(max)
                 .arg(text));
    return value;
}

// "PATH:REST" -> PATH (without leading slashes) and REST; the path may not be empty.
std::pair<QString, QString> SplitPath(const QString& flag, const QString& value, bool restRequired) {
    const qsizetype colon = value.indexOf(':');
    const QString path = PlantReplies::NormalisePath(colon < 0 ? value : value.left(colon));
    if (path.isEmpty() || (restRequired && colon < 0))
        Fail(QString("%1 expects %2, not '%3'").arg(flag, restRequired ? "PATH:VALUE" : "PATH", value));
    return {path, colon < 0 ? QString() : value.mid(colon + 1)};
}

// \r, \n, \t, \" and \\ in a raw body given on the command line.
QString Unescape(const QString& text) {
    QString result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QChar('\\') || i + 1 == text.size()) {
            result += text[i];
            continue;
        }
        const QChar next = text[++i];
        if (next == QChar('r'))
            result += QChar('\r');
        else if (next == QChar('n'))
            result += QChar('\n');
        else if (next == QChar('t'))
            result += QChar('\t');
        else if (next == QChar('"') || next == QChar('\\'))
            result += next;
        else
            result += QChar('\\') + QString(next);
    }
    return result;
}

} // namespace

PlantOptions PlantOptions::Parse(const QStringList& args) {
    PlantOptions options;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString flag = args[i];
        QString value;
        bool hasValue = false;
        const qsizetype equals = flag.indexOf('=');
        if (flag.startsWith("--") && equals > 0) {
            value = flag.mid(equals + 1);
            flag = flag.left(equals);
            hasValue = true;
        }
        const auto takeValue = [&]() -> QString {
            if (hasValue)
                return value;
            if (i + 1 >= args.size())
                Fail(flag + " needs a value");
            return args[++i];
        };
        if (flag == "--help" || flag == "-h") {
            options.Help = true;
        } else if (flag == "--port") {
            options.Port = WholeNumber(takeValue(), 0, 65535, "--port");
        } else if (flag == "--seed") {
            const QString text = takeValue();
            bool ok = false;
            options.Seed = text.toULongLong(&ok);
            if (!ok)
                Fail("--seed must be a whole number, not '" + text + "'");
        } else if (flag == "--fault") {
            const auto [path, rest] = SplitPath(flag, takeValue(), true);
            const qsizetype colon = rest.indexOf(':');
            Fault& fault = options.Faults[path];
            fault.Status = WholeNumber(colon < 0 ? rest : rest.left(colon), 100, 599, "--fault STATUS");
            if (colon >= 0)
                fault.Reason = rest.mid(colon + 1);
        } else if (flag == "--delay") {
            const auto [path, rest] = SplitPath(flag, takeValue(), true);
            options.Faults[path].DelayMs = WholeNumber(rest, 0, 600000, "--delay MS");
        } else if (flag == "--raw") {
            const auto [path, rest] = SplitPath(flag, takeValue(), true);
            options.Faults[path].RawBody = Unescape(rest);
        } else if (flag == "--drop") {
            const auto [path, rest] = SplitPath(flag, takeValue(), false);
            options.Faults[path].DropConnection = true;
        } else if (flag == "--lose-reply") {
            const auto [path, rest] = SplitPath(flag, takeValue(), false);
            options.Faults[path].LoseReply = true;
        } else {
            Fail("unknown argument '" + args[i] + "'");
        }
    }
    return options;
}

QString PlantOptions::Usage() {
    return "usage: k7 plant [--port N] [--seed N] [fault options]\n"
           "\n"
           "Runs the simulated plant REST service on 127.0.0.1 until SIGINT or SIGTERM.\n"
           "\n"
           "  --port N                    port to listen on (default 0: any free port)\n"
           "  --seed N                    seed of the simulated figures\n"
           "  --fault PATH:STATUS[:REASON] answer PATH with this status (and reason phrase)\n"
           "  --delay PATH:MS             wait MS milliseconds before answering PATH\n"
           "  --raw PATH:TEXT             answer PATH with TEXT as the body (\\r \\n \\t \\\" \\\\ escapes)\n"
           "  --drop PATH                 close the connection of PATH without an answer\n"
           "  --lose-reply PATH           carry out the request on PATH, then close without an answer\n"
           "  --help                      this text\n"
           "\n"
           "PATH is written without leading slashes (processes/kpis/followup); '*' stands for every path.\n"
           "A write sent again with the Idempotency-Key of one carried out gets the first answer and\n"
           "books nothing; GET /simulator/writes lists the writes carried out.\n";
}

} // namespace k7::plant
