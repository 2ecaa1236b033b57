#pragma once

#include <QStringList>

// One function per k7 subcommand. Each gets the arguments after the subcommand's name and returns
// the process exit code. A subcommand that needs widgets creates the QApplication itself.
namespace k7::cli {

int RunJson(int argc, char** argv, const QStringList& args);
int RunRest(int argc, char** argv, const QStringList& args);
int RunPlant(int argc, char** argv, const QStringList& args);
int RunShow(int argc, char** argv, const QStringList& args);
int RunDemo(int argc, char** argv, const QStringList& args);
int RunTerminal(int argc, char** argv, const QStringList& args);
int RunFleet(int argc, char** argv, const QStringList& args);
int RunCanvas(int argc, char** argv, const QStringList& args);
int RunJournal(int argc, char** argv, const QStringList& args);

} // namespace k7::cli
