// `k7 terminal --config FILE`: what a file gives, what it refuses (with its line and key), and the
// built k7 taking the file with its command line over it.
#include "TerminalConfig.h"

#include "support/Checks.h"
#include "support/K7Process.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using k7::cli::TerminalConfig;
using k7::cli::TerminalConfigError;
using k7::test::WriteFile;

// A folder with a form in it (the file only has to exist to be named) and a file to read.
struct ConfigFolder {
    QTemporaryDir Dir;
    ConfigFolder() { WriteFile(Dir.filePath("screen.ui"), "<ui/>"); }
    QString Config(const QByteArray& text) { return WriteFile(Dir.filePath("terminal.conf"), text); }
};

// What a file gives, one field per column ("" and "-" for a field the file leaves out).
TEST(TerminalConfig, ReadsEveryKeyOfTheTerminalGroup) {
    struct Case {
        QByteArray Text;
        QString Form, Api, Company, Session, Journal, Kiosk, Period;
    };
    for (const Case& c : {
             Case{"; a comment\n# and another\n[terminal]\nform = screen.ui\napi = http://mes:8080/\n"
                  "company = ORV\nsession = LINE 1\nkiosk = true\njournal = /var/lib/orvelk7/journal.sqlite\n"
                  "period = 2.5\n",
                  "screen.ui", "http://mes:8080/", "ORV", "LINE 1", "/var/lib/orvelk7/journal.sqlite", "true",
                  "2.5"},
             // Relative paths are the file's folder's; a form in a sub-folder stays found.
             Case{"[terminal]\nform=./sub/../screen.ui\njournal=state/journal.sqlite\nkiosk=No\n",
                  "screen.ui", "", "", "", "state/journal.sqlite", "false", "-"},
             Case{"[terminal]\r\nform = screen.ui\r\napi = https://10.0.0.1/mes\r\nkiosk = 1\r\nperiod = "
                  "60\r\n",
                  "screen.ui", "https://10.0.0.1/mes", "", "", "", "true", "60"},
         }) {
        ConfigFolder folder;
        const TerminalConfig config = TerminalConfig::Read(folder.Config(c.Text));
        const QDir dir(folder.Dir.path());
        EXPECT_EQ(config.Form, dir.filePath(c.Form)) << c.Text.constData();
        EXPECT_EQ(config.Api, c.Api);
        EXPECT_EQ(config.Company, c.Company);
        EXPECT_EQ(config.Session, c.Session);
        EXPECT_EQ(config.Journal, c.Journal.isEmpty() ? "" : QDir::cleanPath(dir.filePath(c.Journal)));
        EXPECT_EQ(config.Kiosk ? (*config.Kiosk ? "true" : "false") : "-", c.Kiosk);
        EXPECT_EQ(config.PeriodSeconds ? QString::number(*config.PeriodSeconds) : "-", c.Period);
    }
}

// A file refused says "FILE:LINE: KEY: ..." with `Says` after it.
TEST(TerminalConfig, RefusesABadFileNamingItsLineAndKey) {
    struct Case {
        QByteArray Text;
        int Line;
        QString Key;
        QString Says;
    };
    for (const Case& c : {
             Case{"[terminal]\nform = screen.ui\nperiode = 5\n", 3, "periode",
                  "unknown key (known: form, api"},
             Case{"api = http://mes/\n[terminal]\nform = screen.ui\n", 1, "api", "outside [terminal]"},
             Case{"[terminal]\nform = screen.ui\n[display]\nkiosk = true\n", 4, "kiosk",
                  "outside [terminal]"},
             Case{"[terminal]\nform = screen.ui\nperiod = soon\n", 3, "period",
                  "'soon' is not a number of seconds"},
             Case{"[terminal]\nform = screen.ui\nperiod = 0.1\n", 3, "period", "of at least 0.5"},
             Case{"[terminal]\nform = screen.ui\n\nkiosk = maybe\n", 4, "kiosk",
                  "'maybe' is neither true nor false"},
             Case{"[terminal]\nform = screen.ui\napi = ftp://mes/\n", 3, "api", "not an http:// or https://"},
             Case{"[terminal]\nform = screen.ui\napi = mes:8080\n", 3, "api", "not an http:// or https://"},
             Case{"[terminal]\nform = screen.ui\ncompany =\n", 3, "company", "no value"},
             Case{"# the line's screen\n\n[terminal]\napi = http://mes/\n", 3, "form", "no form named"},
             Case{"api = \n", 1, "api", "outside [terminal]"},
             Case{"", 1, "form", "no form named"},
             Case{"[terminal]\nform = gone.ui\n", 2, "form", "no such file"},
             Case{"[terminal]\nform = screen.ui\nsession = A\nsession = B\n", 4, "session",
                  "given twice (first on line 3)"},
             Case{"[terminal]\nform screen.ui\n", 2, "form screen.ui", "not a 'key = value' line"},
         }) {
        ConfigFolder folder;
        const QString path = folder.Config(c.Text);
        const QString expected = QStringLiteral("%1:%2: %3: ").arg(path).arg(c.Line).arg(c.Key);
        try {
            TerminalConfig::Read(path);
            ADD_FAILURE() << "accepted: " << c.Text.constData();
        } catch (const TerminalConfigError& error) {
            const QString message = QString::fromUtf8(error.what());
            EXPECT_TRUE(message.startsWith(expected) && message.contains(c.Says))
                << message.toStdString() << "\nexpected " << expected.toStdString() << "... "
                << c.Says.toStdString();
        }
    }
}

// The built k7 with a file and a command line: the file fills what the command line leaves out,
// wherever --config stands among the options; --plant stands in for the file's service.
TEST(TerminalConfig, TheCommandLineWinsOverTheFile) {
    QTemporaryDir dir;
    const QString config = WriteFile(dir.filePath("terminal.conf"),
                                     "[terminal]\nform = " K7_EXAMPLES_DIR "/line-terminal.ui\n"
                                     "api = http://127.0.0.1:9/\ncompany = FILECO\nsession = FILESESSION\n");
    const QString dump = dir.filePath("state.json");
    const QString fileApi = "http://127.0.0.1:9/";
    // Api "plant": the simulated plant's address, whatever its port.
    struct Case {
        QStringList Args;
        QString Api, Company, Session;
    };
    const QString cliApi = "http://127.0.0.1:8/";
    // What the command line gives wins and the rest stays the file's, --config first or not.
    const QStringList around = {"--session", "CLISESSION", "--config", config, "--company", "CLICO"};
    for (const Case& c : {Case{{"--config", config}, fileApi, "FILECO", "FILESESSION"},
                          Case{around, fileApi, "CLICO", "CLISESSION"},
                          Case{{"--config", config, "--api", cliApi}, cliApi, "FILECO", "FILESESSION"},
                          Case{{"--config", config, "--plant"}, "plant", "FILECO", "FILESESSION"}}) {
        QFile::remove(dump);
        const K7Run run = RunK7(
            QStringList{"terminal", "--seconds", "0.2", "--out", dir.filePath("shots"), "--dump", dump} +
            c.Args);
        ASSERT_EQ(run.ExitCode, 0) << c.Args.join(' ').toStdString() << "\n" << run.Err.toStdString();
        const auto properties =
            k7::test::Parse(k7::test::ReadFile(dump))->Item("prodCodeP200").Item("properties");
        const QString api = properties.Item("APIHost").ToText();
        if (c.Api == "plant")
            EXPECT_TRUE(api.startsWith("http://127.0.0.1:") && api != fileApi) << api.toStdString();
        else
            EXPECT_EQ(api, c.Api);
        EXPECT_EQ(properties.Item("Company").ToText(), c.Company) << c.Args.join(' ').toStdString();
        EXPECT_EQ(properties.Item("Session").ToText(), c.Session) << c.Args.join(' ').toStdString();
    }
}

// What ends the start: exit status 1 for a file that cannot be used (and for the command line's
// form, which is the one opened), 2 for a command line that contradicts itself.
TEST(TerminalConfig, ABadFileOrCommandLineEndsTheStart) {
    QTemporaryDir dir;
    const QString config =
        WriteFile(dir.filePath("terminal.conf"),
                  "[terminal]\nform = " K7_EXAMPLES_DIR "/line-terminal.ui\napi = http://127.0.0.1:9/\n");
    const QString bad = WriteFile(dir.filePath("bad.conf"),
                                  "[terminal]\nform = " K7_EXAMPLES_DIR "/line-terminal.ui\nperod = 5\n");
    struct Case {
        QStringList Args;
        int ExitCode;
        QString Says;
    };
    for (const Case& c : {
             Case{{"--config", config, "/nonexistent/other.ui"}, 1, "cannot read /nonexistent/other.ui"},
             Case{{"--config", bad}, 1, bad + ":3: perod: unknown key"},
             Case{{"--config", dir.filePath("missing.conf")},
                  1,
                  "cannot read " + dir.filePath("missing.conf")},
             Case{{"--config"}, 2, "--config needs a value"},
             Case{{"--config", config, "--plant", "--api", "http://127.0.0.1:8/"}, 2, "give one"},
         }) {
        const K7Run run =
            RunK7(QStringList{"terminal", "--seconds", "0.2", "--out", dir.filePath("shots")} + c.Args);
        EXPECT_EQ(run.ExitCode, c.ExitCode) << c.Args.join(' ').toStdString();
        EXPECT_TRUE(run.Err.contains(c.Says)) << run.Err.toStdString();
    }
}

} // namespace
