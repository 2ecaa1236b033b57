// `k7 terminal` as a user runs it: the shipped form against the built-in plant, headless, with
// its screenshots and the dump of every control; and the command line it refuses.
#include "support/Checks.h"
#include "support/K7Process.h"

#include "controls/ControlCatalog.h"
#include "json/JsonBag.h"
#include "plant/PlantService.h"


#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kLineTerminal = QStringLiteral(K7_EXAMPLES_DIR "/line-terminal.ui");

TEST(TerminalCommand, RunsTheLineTerminalHeadlessWritingScreenshotsAndTheDumpOfEveryControl) {
    QTemporaryDir dir;
    const QString dump = dir.filePath("state.json");
    const K7Run run = RunK7({"terminal", kLineTerminal, "--plant", "--seconds", "1", "--out",
                             dir.filePath("shots"), "--dump", dump, "--journal", dir.filePath("journal.db")});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    // What the headless run writes and prints is the demo command's test; here, that --out is its.
    EXPECT_TRUE(run.Out.endsWith(dir.filePath("shots/screen.png\n"))) << run.Out.toStdString();

    const auto document = k7::test::Parse(k7::test::ReadFile(dump));
    // Whether each control loads without an error is the in-process test of the same screen.
    QStringList kinds;
    for (int32_t i = 1; i <= document->Count(); ++i) {
        // The terminal's own record (the writes it forwarded) stands beside the controls'.
        const QString name = document->Name(i).ToText();
        if (name != "k7Forwarded")
            kinds << document->Item(name).Item("control").ToText();
    }
    EXPECT_EQ(document->Item("k7Forwarded").As<k7::JsonBag>()->Count(), 0);
    for (const QString& kind : k7::ControlCatalog::Names())
        EXPECT_TRUE(kinds.contains(kind)) << kind.toStdString();
    EXPECT_EQ(document->Item("prodCodeP200").Item("properties").Item("Process").ToText(), "P200");
}

TEST(TerminalCommand, RefusesABadCommandLineWithItsUsage) {
    struct Case {
        QStringList Args;
        QString Says;
    };
    for (const Case& c :
         {Case{{"terminal"}, "name the form"}, Case{{"terminal", "a.ui", "b.ui"}, "one form at a time"},
          Case{{"terminal", "a.ui", "--plant", "--api", "http://127.0.0.1:1/"}, "give one"},
          Case{{"terminal", "a.ui", "--period", "0.1"}, "--period"},
          Case{{"terminal", "a.ui", "--seconds"}, "needs a value"},
          Case{{"terminal", "a.ui", "--fullscreen"}, "unknown option"},
          Case{{"terminal", "a.ui", "--journal", "j.db", "--no-journal"}, "give one"},
          Case{{"terminal", "a.ui", "--click", "scrap/btnScrap:0"}, "give --at SECONDS before it"},
          Case{{"terminal", "a.ui", "--at", "soon"}, "--at wants SECONDS"},
          Case{{"terminal", "a.ui", "--at", "-1"}, "--at wants SECONDS"},
          Case{{"terminal", "a.ui", "--at", "3", "--at", "1"}, "in time order"},
          Case{{"terminal", "a.ui", "--at", "1", "--click", "btnScrap:0"}, "OBJECT/NAME:INDEX"},
          Case{{"terminal", "a.ui", "--at", "1", "--menu", "table/"}, "OBJECT/NAME:INDEX"},
          Case{{"terminal", "a.ui", "--at", "1", "--click", "scrap/btnScrap:x"}, "NAME:INDEX"},
          Case{{"terminal", "a.ui", "--at", "1", "--answer"}, "needs a value"},
          Case{{"terminal", "a.ui", "--seconds", "2", "--at", "3"}, "before the last --at"},
          Case{{"terminal", "a.ui", "--at", "1", "--release", "s/l:0"}, "unknown option"},
          // The tests run offscreen: a kiosk there would run headless and exit.
          Case{{"terminal", "a.ui", "--kiosk"}, "--kiosk needs a display (QT_QPA_PLATFORM=offscreen)"}}) {
        const K7Run run = RunK7(c.Args);
        EXPECT_EQ(run.ExitCode, 2) << c.Args.join(' ').toStdString();
        EXPECT_TRUE(run.Err.contains(c.Says)) << run.Err.toStdString();
        EXPECT_TRUE(run.Err.contains("usage: k7 terminal")) << run.Err.toStdString();
    }
    const K7Run missing = RunK7({"terminal", "/nonexistent/screen.ui", "--seconds", "0.1", "--no-journal"});
    EXPECT_EQ(missing.ExitCode, 1);
    EXPECT_TRUE(missing.Err.contains("cannot read /nonexistent/screen.ui")) << missing.Err.toStdString();
}

} // namespace
