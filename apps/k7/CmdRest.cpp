#include "Commands.h"

#include "service/RestClient.h"

#include <QString>

#include <cstdio>

namespace {

using Operation = QString (k7::RestClient::*)(const QString&, const QString&);

void PrintRestUsage(FILE* out) {
    std::fprintf(out, "usage: k7 rest [--server] METHOD BASE PATH [PARAMS]\n\n"
                      "Sends one request through the REST client to BASE + PATH + \"?\" + PARAMS (joined as\n"
                      "they stand, nothing escaped) and prints exactly the text the client returns: the\n"
                      "reply body without CR and LF, or its failure envelope. Always exits 0 once the\n"
                      "request was made.\n\n"
                      "  METHOD    GET, PATCH, POST or DELETE (any letter case)\n"
                      "  --server  use the server-side request kind with its explicit time-outs\n");
}

Operation OperationFor(const QString& method) {
    const QString upper = method.toUpper();
    if (upper == QLatin1String("GET"))
        return &k7::RestClient::GetRequest;
    if (upper == QLatin1String("PATCH"))
        return &k7::RestClient::PatchRequest;
    if (upper == QLatin1String("POST"))
        return &k7::RestClient::PostRequest;
    if (upper == QLatin1String("DELETE"))
        return &k7::RestClient::DeleteRequest;
    return nullptr;
}

int UsageError(const char* problem) {
    std::fprintf(stderr, "k7 rest: %s\n\n", problem);
    PrintRestUsage(stderr);
    return 2;
}

} // namespace

int k7::cli::RunRest(int, char**, const QStringList& args) {
    bool server = false;
    bool optionsEnded = false;
    QStringList positional;
    for (const QString& arg : args) {
        if (!optionsEnded && arg == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == QLatin1String("--help") || arg == QLatin1String("-h"))) {
            PrintRestUsage(stdout);
            return 0;
        } else if (!optionsEnded && arg == QLatin1String("--server")) {
            server = true;
        } else if (!optionsEnded && arg.startsWith(QLatin1String("--"))) {
            return UsageError("unknown option");
        } else {
            positional << arg;
        }
    }
    if (positional.size() < 3 || positional.size() > 4)
        return UsageError("expected METHOD BASE PATH [PARAMS]");
    const Operation operation = OperationFor(positional[0]);
    if (!operation)
        return UsageError("METHOD must be GET, PATCH, POST or DELETE");

    k7::RestClient client;
    client.SetAPIHost(positional[1]);
    client.SetBolServer(server);
    const QString reply = (client.*operation)(positional[2], positional.value(3));

    const QByteArray out = reply.toUtf8() + '\n';
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
    std::fflush(stdout);
    return 0;
}
