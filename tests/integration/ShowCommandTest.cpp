#include "plant/PlantService.h"
#include "support/Checks.h"
#include "support/K7Process.h"
#include "json/JsonBag.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using k7::JsonBag;
using k7::Variant;

namespace {

// The child entry of the dump with this name.
Variant Child(const std::shared_ptr<JsonBag>& dump, const QString& name) {
    auto children = dump->Item("children").As<JsonBag>();
    for (int32_t i = 1; i <= children->Count(); ++i)
        if (children->Item(i).Item("name").ToText() == name)
            return children->Item(i);
    return Variant();
}

class ShowCommand : public ::testing::Test {
protected:
    void SetUp() override { plant.Start(0); }
    k7::plant::PlantService plant;
    QTemporaryDir directory;
};

TEST_F(ShowCommand, ScreenFileRestoresPersistedPropertiesAndSavesThemBack) {
    const QString text = QStringLiteral(R"({"controls":[
        {"kind":"ProdCode","name":"other","properties":{"Process":"P200"}},
        {"kind":"ProdCode","name":"prod1","left":120,"top":240,"width":5640,"height":495,
         "properties":{"APIHost":"%1","Company":"ORV","Session":"T9","Process":"P300"}}]})");
    const QString screen =
        k7::test::WriteFile(directory.filePath("screen.json"), text.arg(plant.BaseUrl()).toUtf8());
    const QString saved = directory.filePath("saved.json");

    const auto dump =
        RunK7Json({"show", "--screen", screen, "--name", "prod1", "--dump", "-", "--save", saved});
    EXPECT_EQ(Child(dump, "lblCode").Item("caption").ToText(), "H-2002-B");

    const auto savedScreen = k7::test::Parse(k7::test::ReadFile(saved));
    const Variant entry = savedScreen->Item("controls").Item(1);
    EXPECT_EQ(entry.Item("name").ToText(), "prod1");
    EXPECT_EQ(entry.Item("top").ToDouble(), 240.0);
    EXPECT_EQ(entry.Item("properties").Item("Process").ToText(), "P300");
    EXPECT_EQ(entry.Item("properties").Item("FontSize").ToDouble(), 8.0) << "default restored, then written";
}

// Steps run in the order given: a load without layout, a host resize, then the layout at the new
// extent; opened and sized (two refreshes, one layout). --no-refresh alone: the golden dumps.
TEST_F(ShowCommand, StepsRunInTheOrderGiven) {
    const QString png = directory.filePath("prod.png");
    // Either way the layout is at the final extent, and the control read its code twice.
    const struct {
        QString Process;
        QStringList Steps;
        QString Code;
    } rows[] = {{"P100",
                 {"--refresh", "true", "--resize", "11280x990", "--release", "lblCode", "--refresh", "false"},
                 "T-4711"},
                {"P200", {"--size", "11280x990", "--opened", "--screenshot", png}, "880154"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Steps.join(' ').toStdString());
        const int before = plant.RequestCount("processes/prod");
        // Properties given after the steps are still set before them.
        const auto dump = RunK7Json(QStringList{"show", "ProdCode"} + row.Steps +
                                    QStringList{"--prop", "APIHost=" + plant.BaseUrl(), "--prop",
                                                "Process=" + row.Process, "--dump", "-"});
        EXPECT_EQ(Child(dump, "lblCode").Item("caption").ToText(), row.Code);
        EXPECT_FLOAT_EQ(Child(dump, "lblTxt").Item("width").ToSingle(), 3948);
        EXPECT_EQ(plant.RequestCount("processes/prod") - before, 2);
        // The host's record: APIHost is the one notifying property of ProdCode.
        const Variant host = dump->Item("host");
        EXPECT_EQ(host.Item(1).Item("what").ToText(), "CanPropertyChange");
        EXPECT_EQ(host.Item(2).Item("what").ToText(), "PropertyChanged");
        EXPECT_EQ(host.Item(2).Item("name").ToText(), "APIHost");
        EXPECT_EQ(host.As<JsonBag>()->Count(), 2);
    }
    EXPECT_EQ(QImage(png).size(), QSize(752, 66));
}

TEST(DemoCommand, RendersHeadlessAndPrintsTheScreenshotsItWrote) {
    QTemporaryDir directory;
    const QString out = directory.filePath("shots");
    const K7Run run = RunK7({"demo", "--seconds", "1", "--interval", "400", "--out", out});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    const QStringList printed = run.Out.split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(printed.size(), 3);
    EXPECT_EQ(printed.first(), out + "/screen-open.png");
    EXPECT_EQ(printed.last(), out + "/screen.png");
    for (const QString& path : printed) {
        const QImage image(path);
        EXPECT_FALSE(image.isNull()) << path.toStdString();
        EXPECT_GT(image.width(), 376) << "the screen holds at least one ProdCode";
    }
}

struct FailureRow {
    QStringList Args;
    int ExitCode;
    const char* ErrorText;
};

void PrintTo(const FailureRow& row, std::ostream* out) {
    *out << row.Args.join(' ').toStdString();
}

class ShowCommandFailure : public ::testing::TestWithParam<FailureRow> {};

TEST_P(ShowCommandFailure, ExitsWithAClearMessage) {
    const K7Run run = RunK7(GetParam().Args);
    EXPECT_EQ(run.ExitCode, GetParam().ExitCode) << run.Err.toStdString();
    EXPECT_TRUE(run.Err.contains(GetParam().ErrorText)) << run.Err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Integration, ShowCommandFailure,
    ::testing::Values(
        FailureRow{{"show", "NoSuchControl", "--dump", "-"}, 2, "no control named 'NoSuchControl'"},
        FailureRow{{"show"}, 2, "name a control"},
        FailureRow{{"show", "ProdCode", "--size", "wide"}, 2, "--size wants"},
        FailureRow{{"show", "ProdCode", "--prop", "Error=x", "--dump", "-"}, 1, "read-only"},
        FailureRow{{"show", "ProdCode", "--prop", "Colour=1", "--dump", "-"}, 1, "no property 'Colour'"},
        FailureRow{{"show", "ProdCode", "--prop", "FontSize=big", "--dump", "-"}, 1, "13-Type mismatch"},
        FailureRow{{"show", "--screen", "/nonexistent/screen.json"}, 1, "cannot read screen file"},
        // A device never ends; it is refused at the size limit, not read until memory runs out.
        FailureRow{{"show", "--screen", "/dev/zero"}, 1, "screen file /dev/zero is larger than 4 MiB"},
        FailureRow{{"show", "--screen", "/dev/null"}, 1, "screen file /dev/null: -2147182"},
        FailureRow{{"show", "ProdCode", "--click", "btnScrap:1", "--dump", "-"}, 1, "no widget btnScrap(1)"},
        FailureRow{{"show", "ProdCode", "--click", "lblCode", "--dump", "-"}, 1, "lblCode is no button"},
        FailureRow{
            {"show", "ScrapScreen", "--click", "btnScrap:2", "--dump", "-"}, 1, "btnScrap(2): it is hidden"},
        FailureRow{
            {"show", "FaiJustifier", "--release", "lblFai:1", "--dump", "-"}, 1, "lblFai(1): it is hidden"},
        FailureRow{{"show", "ProdCode", "--refresh", "maybe"}, 2, "--refresh wants true or false"}));

} // namespace
