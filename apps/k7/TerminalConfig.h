#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>
#include <utility>

namespace k7::cli {

// The shortest default refresh period a terminal takes, from its command line or its file.
inline constexpr double kLeastPeriodSeconds = 0.5;

// A configuration file that cannot be used: the message names the file, the line and the key
// ("/etc/orvelk7/terminal.conf:7: period: ..."), so whoever rolled it out finds the mistake.
class TerminalConfigError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What `k7 terminal --config FILE` reads: an INI file whose [terminal] group holds what the command
// line holds (form, api, company, session, kiosk, journal, period). A service starts every
// terminal of a line the same way and keeps what differs in one file per machine.
//
// A file is checked whole before anything starts: an unknown key (a typo would silently fall back
// to a default), a value that does not parse, a key given twice, or a file that names no form is
// refused. Relative paths (form, journal) are taken from the file's folder, so a folder holding the
// file and its form can be copied from machine to machine.
struct TerminalConfig {
    static constexpr const char* kGroup = "terminal";

    QString Form;
    QString Api;
    QString Company;
    QString Session;
    QString Journal;
    std::optional<bool> Kiosk;
    std::optional<double> PeriodSeconds;

    // Throws TerminalConfigError.
    static TerminalConfig Read(const QString& path);

    // The file "--config FILE" in a command line names, read; empty when it names none. Throws
    // UsageError when the option has no value, TerminalConfigError for a bad file.
    static TerminalConfig FromCommandLine(const QStringList& args);

    // Sets what the file holds on `options`; the command line is applied after it, so it wins.
    template <class Options> void ApplyTo(Options& options) const {
        for (auto [from, to] : {std::pair{&Form, &options.Form}, std::pair{&Api, &options.Api},
                                std::pair{&Company, &options.Company}, std::pair{&Session, &options.Session},
                                std::pair{&Journal, &options.Journal}})
            if (!from->isEmpty())
                *to = *from;
        options.Kiosk = Kiosk.value_or(options.Kiosk);
        options.PeriodSeconds = PeriodSeconds.value_or(options.PeriodSeconds);
    }
};

} // namespace k7::cli
