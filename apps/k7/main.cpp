#include "Commands.h"

#include <QString>
#include <QStringList>

#include <cstdio>
#include <cstring>

namespace {

struct Subcommand {
    const char* name;
    const char* usage;
    int (*run)(int, char**, const QStringList&);
};

const Subcommand kSubcommands[] = {
    {"demo", "demo [--seconds N] [--out DIR] [--journal FILE]   every control in a fixed strip against the built-in plant",
     k7::cli::RunDemo},
    {"terminal", "terminal SCREEN.ui [--api URL|--plant] [--company C] [--session S] [--kiosk]\n"
                 "                                        [--seconds N --out DIR] [--dump FILE] [--journal FILE]\n"
                 "                                        run a form made in Qt Designer against the plant",
     k7::cli::RunTerminal},
    {"fleet", "fleet SCREEN.ui --terminals N [--api URL|--plant] [--seconds S] [--outage FROM:TO]\n"
              "                                        [--json FILE]   run N copies of a form headless and report\n"
              "                                        what the service sees of them",
     k7::cli::RunFleet},
    {"show", "show CONTROL [--prop Name=Value]... [--screen FILE] [--size WxH] [--opened] [--wait MS]\n"
             "                                        [--dump FILE|-] [--screenshot FILE]   host one control",
     k7::cli::RunShow},
    {"json", "json [--decimal] [--pretty] [FILE|-]  parse a document and write it back", k7::cli::RunJson},
    {"rest", "rest [--server] METHOD BASE PATH [PARAMS]   one request through the REST client",
     k7::cli::RunRest},
    {"canvas", "canvas [--size WxH] SCRIPT -o OUT.png  render a path view drawing script",
     k7::cli::RunCanvas},
    {"plant", "plant [--port N] [fault options]      run the simulated plant service", k7::cli::RunPlant},
    {"journal", "journal FILE [--json] [--retry ID] [--dismiss ID]   list, resend or set aside journalled writes",
     k7::cli::RunJournal},
};

void PrintUsage(FILE* out) {
    std::fprintf(out, "usage: k7 SUBCOMMAND [ARGS]\n\n");
    for (const auto& sub : kSubcommands)
        std::fprintf(out, "  k7 %s\n", sub.usage);
    std::fprintf(out, "\n'k7 SUBCOMMAND --help' describes one subcommand.\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        PrintUsage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    QStringList args;
    for (int i = 2; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    for (const auto& sub : kSubcommands)
        if (std::strcmp(argv[1], sub.name) == 0)
            return sub.run(argc, argv, args);
    std::fprintf(stderr, "k7: unknown subcommand '%s'\n\n", argv[1]);
    PrintUsage(stderr);
    return 2;
}
