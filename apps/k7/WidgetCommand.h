#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>
#include <functional>
#include <stdexcept>

namespace k7::cli {

// A mistake on the command line: reported with the subcommand's usage, exit status 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The value of the option args[i], i moved onto it; a UsageError when none follows.
QString OptionValue(const QStringList& args, int& i);
// `text`, the value of `option`, as a number of seconds of at least `least`; a UsageError otherwise.
double OptionSeconds(const QString& option, const QString& text, double least);

// A word of a command that runs a form that is none of its options: an unknown option (a
// UsageError), else the form, once (`formGiven` says it came; a second one is a UsageError).
void TakeFormArgument(const QString& arg, bool& formGiven, QString& form);

// What a subcommand that opens widgets (show, demo, terminal) does around its own work, so that
// they agree on it: the platform set up before the application, the application, the write journal
// FILE (when `journal` is not empty) in use while `body` runs and closed after it, and a failure
// as one line "k7 NAME: text" with exit status 1. Returns what `body` returns.
int RunWithApplication(const char* name, int argc, char** argv, const QString& journal,
                       const std::function<int()>& body);

// The whole subcommand: --help or -h prints `help`; `parse` reads the arguments (a UsageError
// prints it and the usage, exit 2); then `run` under RunWithApplication. Options carry Journal.
template <class Options>
int RunWidgetCommand(const char* name, const char* help, int argc, char** argv, const QStringList& args,
                     Options (*parse)(const QStringList&), int (*run)(const Options&)) {
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(help, stdout);
        return 0;
    }
    Options options;
    try {
        options = parse(args);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "%s: %s\n\n%s", name, error.what(), help);
        return 2;
    } catch (const std::exception& error) {
        // A file the options name that cannot be used (a configuration file): the start failed.
        std::fprintf(stderr, "%s: %s\n", name, error.what());
        return 1;
    }
    return RunWithApplication(name, argc, argv, options.Journal, [&] { return run(options); });
}

} // namespace k7::cli
