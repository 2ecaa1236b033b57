// Forms made in Designer, run as `k7 terminal` runs them: loaded through the catalog, filled in,
// scheduled, marked when stale; and the shipped line terminal measured against the simulated plant.
#include "FormTerminal.h"
#include "FormLoader.h"
#include "StaleFrame.h"

#include "TerminalForms.h"
#include "support/Checks.h"
#include "support/Printers.h"
#include "support/TestHttpServer.h"
#include "ui_line-terminal.h"

#include "controls/faijustifier/FaiJustifier.h"
#include "controls/oeetracker/OEETracker.h"
#include "controls/prodcode/ProdCode.h"
#include "controls/productionperiodtable/ProductionPeriodTable.h"
#include "controls/scrapscreen/ScrapScreen.h"
#include "controls/timetracker/TimeTracker.h"
#include "frame/children/CommandButton.h"
#include "frame/children/FilledRect_p.h"
#include "frame/children/Label.h"
#include "frame/children/WidgetArray_p.h"
#include "frame/control/ControlBase.h"
#include "frame/control/ServiceControl.h"
#include "frame/drawing/CaptionPainting.h"
#include "frame/drawing/TextMeasure_p.h"
#include "frame/drawing/Twips.h"
#include "plant/PlantService.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using k7::ControlBase;
using k7::cli::FormLoader;
using k7::cli::FormTerminal;
using k7::test::Property;
using k7::test::RefreshSeconds;
using k7::test::WaitUntil;
using k7::test::Widget;
using k7::test::WriteForm;

namespace {

const QString kLineTerminal = QStringLiteral(K7_EXAMPLES_DIR "/line-terminal.ui");

bool Settled(const FormTerminal& terminal) {
    for (const ControlBase* control : terminal.Controls())
        if (const auto* service = qobject_cast<const k7::ServiceControl*>(control);
            service && service->RequestInFlight())
            return false;
    return true;
}

// A bool property, which the shipped form has not, and a control period of the form's own.
const QString kTwoControls =
    Widget("ProdCode", "code", 10,
           Property("Process", "P200") + Property("Company", "FORMCO") + RefreshSeconds(2.5)) +
    Widget("ProductionPeriodTable", "table", 60,
           Property("Process", "P100") + Property("StartDate", "20260302060000") +
               Property("EndDate", "20260302140000") +
               R"(<property name="Accumulated"><bool>true</bool></property>)");

// A read of `control` settled, good or not, `secondsAgo`, as the control reports it to its host.
void Report(ControlBase& control, bool good, int secondsAgo = 0) {
    k7::RequestOutcome outcome;
    outcome.Status = good ? 200 : 0;
    outcome.Good = good;
    outcome.Time = QDateTime::currentDateTime().addSecs(-secondsAgo);
    emit control.ReadSettled(outcome);
}

// The shipped form is what Designer saves: uic compiles it, and the controls uic's code builds hold
// exactly the values the run-time loader gives them, dynamic properties included.
TEST(FormLoader, BuildsTheShippedFormAsUicGeneratedCodeDoes) {
    QWidget compiled;
    Ui::LineTerminal ui;
    ui.setupUi(&compiled);
    FormLoader loader;
    const std::unique_ptr<QWidget> loaded = loader.Load(kLineTerminal);
    const auto controls = compiled.findChildren<ControlBase*>();
    EXPECT_EQ(controls.size(), loaded->findChildren<ControlBase*>().size());
    for (const ControlBase* built : controls) {
        SCOPED_TRACE(built->objectName().toStdString());
        const auto* read = loaded->findChild<ControlBase*>(built->objectName());
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(read->Identity().ControlName, built->Identity().ControlName);
        EXPECT_EQ(read->parentWidget()->objectName(), built->parentWidget()->objectName());
        EXPECT_EQ(read->geometry(), built->geometry());
        for (const k7::DispatchMember& member : built->Identity().Members) {
            if (member.Kind.startsWith(QLatin1String("property")) && member.Name != QLatin1String("Error")) {
                EXPECT_EQ(read->Value(member.Name), built->Value(member.Name)) << member.Name.toStdString();
            }
        }
        EXPECT_EQ(read->dynamicPropertyNames(), built->dynamicPropertyNames());
        for (const QByteArray& name : built->dynamicPropertyNames())
            EXPECT_EQ(read->property(name), built->property(name)) << name.toStdString();
    }
    EXPECT_EQ(ui.prodCodeP300->Process(), "P300");
}

TEST(FormTerminal, FillsTheConnectionTheFormLeftEmptyAndSchedulesEachControlOnItsPeriod) {
    QTemporaryDir dir;
    FormTerminal terminal(WriteForm(dir, kTwoControls), {{"http://127.0.0.1:9/", "CLI", "S9"}, 7000});
    auto* code = terminal.Form().findChild<k7::ProdCode*>("code");
    auto* table = terminal.Form().findChild<k7::ProductionPeriodTable*>("table");
    ASSERT_NE(code, nullptr);
    ASSERT_NE(table, nullptr);
    EXPECT_TRUE(table->Accumulated());
    EXPECT_EQ(code->APIHost(), "http://127.0.0.1:9/");
    EXPECT_EQ(code->Company(), "FORMCO");
    EXPECT_EQ(code->Session(), "S9");
    EXPECT_EQ(table->Company(), "CLI");
    EXPECT_EQ(terminal.PeriodMs(*code), 2500);
    EXPECT_EQ(terminal.PeriodMs(*table), 7000);
    EXPECT_EQ(table->GetRequestMode(), k7::RequestMode::NonBlocking);
    EXPECT_EQ(terminal.Controls().size(), 2u);
}

TEST(FormTerminal, RefusesAFormItCannotLoadOrAPeriodOrWindowItCannotKeep) {
    QTemporaryDir dir;
    const QString junk = k7::test::WriteFile(dir.filePath("junk.ui"), "not a form");
    // A chart with one dynamic property, in a form of its own.
    const auto chart = [&dir](const QString& name, const QString& type, const QString& value) {
        const QString property = QStringLiteral(R"(<property name="%1" stdset="0"><%2>%3</%2></property>)");
        const QString widget = Widget("OEETracker", "chart", 0, property.arg(name, type, value));
        return WriteForm(dir, widget, value + ".ui");
    };
    struct Case {
        QString Path, Says;
    };
    // A form that is fine but for its size: the padding after its end is allowed white space.
    const QString padded = WriteForm(dir, Widget("ProdCode", "code", 10), "padded.ui");
    k7::test::WriteFile(padded, k7::test::ReadFile(padded).toUtf8() + QByteArray(4 * 1024 * 1024, ' '));
    // A group box of a class nobody knows would be dropped with the control inside it.
    const QString mystery =
        R"(<widget class="MysteryBox" name="box">)" + Widget("ProdCode", "inside", 10) + "</widget>";
    const Case cases[] = {{WriteForm(dir, R"(<widget class="k7::Gauge" name="g"/>)"),
                           "form.ui:6: no control of the library is named k7::Gauge"},
                          {WriteForm(dir, mystery, "mystery.ui"),
                           "mystery.ui:6: neither Qt nor the library knows the widget class MysteryBox"},
                          {padded, "padded.ui is larger than 4 MiB"},
                          {junk, "no form"},
                          {dir.filePath("missing.ui"), "cannot read"},
                          {chart("k7RefreshSeconds", "double", "0.1"), "'0.1'"},
                          {chart("k7RefreshSeconds", "string", "often"), "'often'"},
                          {chart("k7Window", "string", "fortnight"), "'fortnight'"}};
    for (const Case& c : cases) {
        try {
            FormTerminal(c.Path, {});
            ADD_FAILURE() << "loaded " << c.Says.toStdString();
        } catch (const std::exception& error) {
            EXPECT_TRUE(QString(error.what()).contains(c.Says)) << error.what();
        }
    }
}

// Every caption line a control shows, read whole: inside its label or button face and inside the
// control (a widget partly outside the control shows only what falls inside), and not shrunk below
// three quarters. The OEE chart's "0" level label sits half below its bottom edge by design.
QStringList Misfits(const ControlBase& control) {
    QStringList misfits;
    for (const auto& child : control.Children()) {
        auto* widget = dynamic_cast<const QWidget*>(child.get());
        if (widget == nullptr || !widget->isVisibleTo(&control))
            continue;
        const QString where =
            QStringLiteral("%1.%2(%3)").arg(control.objectName(), child->Name()).arg(child->Index());
        const bool mayOverhang = control.Identity().ControlName == QLatin1String("OEETracker") &&
                                 child->Name() == QLatin1String("lblOeeV") && child->Index() == 0;
        std::vector<k7::CaptionPainting::PlacedLine> lines;
        QRectF box = widget->rect();
        k7::FontStyle font;
        if (const auto* label = dynamic_cast<const k7::Label*>(widget)) {
            lines = label->PlacedCaption();
            font = label->Font();
        } else if (const auto* button = dynamic_cast<const k7::CommandButton*>(widget)) {
            const QRect face = button->rect().adjusted(3, 2, -3, -2); // inside the button's border
            box = face;
            font = button->Font();
            lines = k7::CaptionPainting::Place(face, Qt::AlignCenter, button->WordWrap(), button->Caption(),
                                               font, k7::Twips::LogicalDpi(*button));
        } else {
            continue;
        }
        const double ascent = k7::TextMeasure::Ascent(font, k7::Twips::LogicalDpi(*widget));
        const QRectF inControl = QRectF(control.rect()).translated(-QPointF(widget->pos()));
        for (const auto& line : lines) {
            const QRectF text(line.Baseline.x(), line.Baseline.y() - ascent * line.Scale, line.Width,
                              ascent * line.Scale);
            const auto inside = [&text](const QRectF& area) {
                return text.left() >= area.left() - 0.5 && text.right() <= area.right() + 0.5 &&
                       text.top() >= area.top() - 0.5 && text.bottom() <= area.bottom() + 0.5;
            };
            if (!inside(box))
                misfits << QStringLiteral("%1 '%2' outside its box").arg(where, line.Text);
            else if (!inside(inControl) && !mayOverhang)
                misfits << QStringLiteral("%1 '%2' outside the control").arg(where, line.Text);
            if (line.Scale < 0.75)
                misfits << QStringLiteral("%1 '%2' shrunk to %3").arg(where, line.Text).arg(line.Scale);
        }
    }
    return misfits;
}

// The shipped screen against the plant, once every control's first reply is in.
TEST(LineTerminal, ShowsThePlantsFiguresReadableAndApartWithWindowsAndUrlFilledIn) {
    k7::plant::PlantService plant;
    plant.Start(0);
    FormTerminal terminal(kLineTerminal, {{plant.BaseUrl(), "ORV", "DEMO"}, 5000});
    terminal.show();
    terminal.Open();
    ASSERT_TRUE(WaitUntil([&] { return Settled(terminal); }));

    // The controls and their stale frames stand apart, inside the full HD screen, above the status
    // line.
    ASSERT_EQ(terminal.Form().size(), QSize(1920, 1080));
    const int reach = k7::cli::StaleFrame::kReach;
    const QRect usable(0, 0, 1920, 1080 - FormTerminal::kStatusHeight);
    std::vector<std::pair<QString, QRect>> areas;
    for (ControlBase* control : terminal.Controls()) {
        SCOPED_TRACE(control->objectName().toStdString());
        EXPECT_EQ(control->Error(), "");
        EXPECT_EQ(Misfits(*control), QStringList());
        const QRect area(control->mapTo(&terminal.Form(), QPoint(0, 0)), control->size());
        const QRect marked = area.adjusted(-reach, -reach, reach, reach);
        EXPECT_TRUE(usable.contains(marked));
        for (const auto& [name, other] : areas)
            EXPECT_FALSE(marked.intersects(other)) << name.toStdString();
        areas.emplace_back(control->objectName(), marked);
        // Requests go out on workers: a control that shows what its loader stored (the OEE chart,
        // the FAI screen) shows it once the reply is in, not the figures from before it.
        if (auto* chart = qobject_cast<k7::OEETracker*>(control)) {
            for (int day = 0; day <= 30; ++day)
                EXPECT_TRUE(chart->barOee()(day).FillColor() != 0 && chart->OeeValues()[day] != 0) << day;
        } else if (auto* fai = qobject_cast<k7::FaiJustifier*>(control)) {
            EXPECT_EQ(fai->lblFai(1).Caption(), "PENDING");
            EXPECT_TRUE(fai->lblFai(1).Visible());
        }
    }
    auto* table = terminal.Form().findChild<k7::ProductionPeriodTable*>();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->StartDate().size(), 14);
    EXPECT_GT(table->EndDate(), table->StartDate());
    auto* path = terminal.Form().findChild<ControlBase*>("pathControl");
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(path->property("URL").toString(), plant.BaseUrl() + "drawing/path");
}

// The first-article row is wider than its control by design: the figure in the cell that reaches
// past the edge is fitted to what the control shows of it, never cut at the edge ("174" for 1740).
TEST(FormTerminal, FitsTheFirstArticleFiguresInsideTheControlAtEveryExtent) {
    k7::plant::PlantService plant;
    plant.Start(0);
    for (const QSize size : {QSize(342, 168), QSize(600, 200), QSize(240, 90), QSize(1000, 400)}) {
        SCOPED_TRACE(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height()).toStdString());
        QTemporaryDir dir;
        const QString widget = Widget("FaiJustifier", "fai", 10, Property("Process", "P100"), size);
        FormTerminal terminal(WriteForm(dir, widget), {{plant.BaseUrl(), "ORV", "DEMO"}, 600000});
        terminal.show();
        terminal.Open();
        auto* fai = terminal.Form().findChild<k7::FaiJustifier*>("fai");
        ASSERT_NE(fai, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return Settled(terminal) && fai->lblFai(4).Visible(); }));
        EXPECT_FALSE(fai->lblFai(4).Caption().isEmpty());
        // Bounds as laid out: the row is still 1.1 times the control's width for hosts.
        EXPECT_NEAR(fai->lblFai(4).Left() + fai->lblFai(4).Width(), 1.1 * fai->Width(), 1.0);
        const QStringList cut = Misfits(*fai).filter("outside");
        EXPECT_EQ(cut, QStringList());
    }
}

// After a power cut the terminals boot before their service: every control of the shipped screen
// must come back on its own once the service answers, the ones that stop by their own rules
// included (the scrap screen reads its causes only when opened, the cycle clock ticks only after a
// good first read). The backoff is shortened so the test takes seconds.
TEST(LineTerminal, RecoversEveryControlWhenItsServiceStartsAfterIt) {
    const int port = k7::test::UnusedLoopbackPort();
    FormTerminal::Settings settings{{QStringLiteral("http://127.0.0.1:%1/").arg(port), "ORV", "DEMO"}, 5000};
    settings.Reopen = {.FirstMs = 100, .LongestMs = 1000, .Jitter = 0.2};
    FormTerminal terminal(kLineTerminal, settings);
    terminal.show();
    terminal.Open();
    const k7::cli::StaleMarks& marks = terminal.Schedule().Marks();
    const auto controls = terminal.Controls();
    ASSERT_TRUE(WaitUntil([&] { return size_t(marks.MarkedControls().size()) == controls.size(); }))
        << terminal.StatusText().toStdString();
    EXPECT_TRUE(terminal.StatusText().contains("service NOT reachable, next attempt in "))
        << terminal.StatusText().toStdString();
    for (const ControlBase* control : controls)
        EXPECT_EQ(terminal.MarkText(*control), "no figures yet") << control->objectName().toStdString();

    k7::plant::PlantService plant;
    plant.Start(port);
    auto* scrap = terminal.Form().findChild<k7::ScrapScreen*>();
    auto* clock = terminal.Form().findChild<k7::TimeTracker*>();
    ASSERT_NE(scrap, nullptr);
    ASSERT_NE(clock, nullptr);
    const auto recovered = [&] {
        for (const ControlBase* control : controls)
            if (marks.Marked(control->objectName()) || !marks.LastGood(control->objectName()))
                return false;
        return true;
    };
    // The scrap screen shows the causes it read on its next refresh, within its period.
    const auto pressable = [&] {
        return scrap->btnScrap(0).Visible() && !scrap->btnScrap(0).Caption().isEmpty();
    };
    ASSERT_TRUE(WaitUntil([&] { return recovered() && pressable(); }, std::chrono::seconds(30)))
        << terminal.StatusText().toStdString();
    const QString time = clock->lblTime().Caption();
    EXPECT_TRUE(WaitUntil([&] { return clock->lblTime().Caption() != time; }, std::chrono::seconds(3)))
        << time.toStdString();
    EXPECT_FALSE(terminal.StatusText().contains("next attempt")) << terminal.StatusText().toStdString();
}

// A view switch from the table's menus ends with PropertyChanged: the terminal reloads the table at
// once, not at its next period.
TEST(FormTerminal, ReloadsATableThatRaisedPropertyChanged) {
    k7::plant::PlantService plant;
    plant.Start(0);
    QTemporaryDir dir;
    FormTerminal terminal(WriteForm(dir, kTwoControls), {{plant.BaseUrl(), "ORV", "DEMO"}, 600000});
    terminal.show();
    terminal.Open();
    ASSERT_TRUE(WaitUntil([&] { return Settled(terminal); }));
    auto* table = terminal.Form().findChild<k7::ProductionPeriodTable*>("table");
    ASSERT_NE(table, nullptr);
    const int before = plant.TotalRequests();
    emit table->PropertyChanged();
    EXPECT_EQ(plant.TotalRequests(), before); // not from inside the control's own handler
    ASSERT_TRUE(WaitUntil([&] { return plant.TotalRequests() > before && Settled(terminal); }));
    EXPECT_EQ(table->Error(), "");
}

// The host's side of the marks, through the control's own signal: the age a failed read shows is
// that of the last good reply as the control timed it, and a write's outcome is in the status. How
// a mark shows and clears is the held figures' test; what marks, the marks' own.
TEST(StaleMarkHost, ShowsTheAgeTheControlReportedAndTheWritesOutcome) {
    QTemporaryDir dir;
    FormTerminal terminal(WriteForm(dir, Widget("ProdCode", "code", 10)), {});
    terminal.show();
    ControlBase& code = *terminal.Controls().front();
    const auto status = [&terminal] { return terminal.StatusText().toStdString(); };
    // No journal in this process: the status line says so before anything else.
    EXPECT_TRUE(terminal.StatusText().startsWith("journal off  |  service: no reply yet")) << status();

    Report(code, true, 300);
    Report(code, false, 200);
    EXPECT_EQ(terminal.MarkText(code), "stale 5 min");

    k7::WriteOutcome write;
    write.Verb = "POST";
    write.Url = "http://127.0.0.1:9/scrap";
    write.Verdict = k7::WriteVerdict::Unknown;
    write.Time = QDateTime::currentDateTime();
    emit qobject_cast<k7::ServiceControl*>(&code)->WriteFinished(write);
    EXPECT_TRUE(terminal.StatusText().contains("writes: 1 not confirmed, last POST /scrap unknown"))
        << status();
}

// Controls a form leaves unnamed are named after their class and place, and each keeps a mark of
// its own: one's good read must not clear another's failure.
TEST(StaleMarkHost, NamesUnnamedControlsSoEachKeepsItsOwnMark) {
    QTemporaryDir dir;
    const QString unnamed = R"(<widget class="k7::ProdCode"><property name="geometry"><rect><x>0</x><y>%1</y>
   <width>400</width><height>40</height></rect></property></widget>)";
    const QString form = WriteForm(dir, QString(unnamed).arg(10) + Widget("ProdCode", "named", 60) +
                                            QString(unnamed).arg(110) + Widget("OEETracker", "", 160));
    FormTerminal terminal(form, {});
    QStringList names;
    for (const ControlBase* control : terminal.Controls())
        names << control->objectName();
    names.sort();
    EXPECT_EQ(names, QStringList({"OEETracker#1", "ProdCode#1", "ProdCode#3", "named"}));
    EXPECT_EQ(terminal.LoadNotes().size(), 3);
    EXPECT_TRUE(terminal.LoadNotes().contains("the k7::ProdCode without an object name is called ProdCode#3"))
        << terminal.LoadNotes().join('\n').toStdString();

    const auto report = [&terminal](const QString& name, bool good) {
        Report(*terminal.Form().findChild<ControlBase*>(name), good);
    };
    report("ProdCode#3", false);
    report("OEETracker#1", true);
    report("ProdCode#1", true);
    EXPECT_EQ(terminal.MarkText(*terminal.Form().findChild<ControlBase*>("ProdCode#3")), "no figures yet");
    EXPECT_EQ(terminal.MarkText(*terminal.Form().findChild<ControlBase*>("ProdCode#1")), "");
}

} // namespace
