#include "support/RecordingHost.h"
#include "support/TestControl.h"

#include "controls/pathcontrol/RasterSurface_p.h"
#include "core/RuntimeError.h"
#include "frame/children/CommandButton.h"
#include "frame/children/FilledRect_p.h"
#include "frame/children/Label.h"
#include "frame/children/Line_p.h"
#include "frame/children/PopupMenu.h"
#include "frame/children/Timer_p.h"
#include "frame/children/WidgetArray_p.h"
#include "frame/control/Description.h"
#include "frame/drawing/Colors.h"
#include "frame/drawing/FaceMetrics_p.h"
#include "frame/drawing/FontRegistry_p.h"
#include "json/JsonBag.h"

#include <QImage>
#include <QRawFont>
#include <QSignalSpy>

#include <gtest/gtest.h>

using k7::Colors;

namespace {

// The number of the error `action` raises, 0 when it raises none.
int ErrorNumberOf(const std::function<void()>& action) {
    return k7::ControlBase::Trap(action).value_or("0-").section('-', 0, 0).toInt();
}

// --- widget arrays ---------------------------------------------------------------------------

// Everything a dump shows of the label: its caption, colours, font, styles and place.
QString Described(const k7::Label& label) {
    auto bag = k7::JsonBag::Create();
    k7::Description out(bag);
    label.Describe(out);
    return bag->JSON();
}

// A text child's state and a label's style are each copied whole: one non-default field of each.
TEST(WidgetArray, LoadCopiesElementZeroHiddenAndKeepsItsOwnIndex) {
    TestControl control;
    k7::Label& design = control.Create<k7::Label>("lblFai", 0)
                            .ApplyDesign({.Bounds = {0, 0, 600, 495},
                                          .Font = {.Size = 12},
                                          .BackColor = Colors::Highlight,
                                          .Border = k7::BorderStyle::Single});
    design.SetCaption("FAI");
    k7::WidgetArray<k7::Label> lblFai(design);

    k7::Label& copy = lblFai.Load(3);
    EXPECT_EQ(lblFai.UBound(), 3);
    EXPECT_EQ(copy.Index(), 3);
    EXPECT_EQ(copy.Name(), "lblFai");
    EXPECT_EQ(&lblFai(3), &copy);
    EXPECT_EQ(control.FindChild("lblFai", 3), &copy);
    EXPECT_FALSE(copy.Visible());
    EXPECT_TRUE(design.Visible());
    copy.SetVisible(true);
    EXPECT_EQ(Described(copy), Described(design));
    EXPECT_EQ(copy.geometry(), design.geometry());

    // Elements are independent once loaded.
    copy.SetCaption("PENDING");
    EXPECT_EQ(design.Caption(), "FAI");
}

TEST(WidgetArray, RaisesTheToolkitErrorsAndUnloadsForGood) {
    TestControl control;
    k7::WidgetArray<k7::CommandButton> btnJust(control.Create<k7::CommandButton>("btnJust", 0));
    btnJust.Load(1);
    EXPECT_EQ(ErrorNumberOf([&] { btnJust.Load(1); }), 360);
    EXPECT_EQ(ErrorNumberOf([&] { btnJust.Unload(0); }), 362);
    EXPECT_EQ(ErrorNumberOf([&] { btnJust.Unload(5); }), 340);

    const size_t before = control.Children().size();
    btnJust.Unload(1);
    EXPECT_EQ(btnJust.UBound(), 0);
    EXPECT_EQ(control.Children().size(), before - 1);
    EXPECT_EQ(control.FindChild("btnJust", 1), nullptr);
    // The index is free again.
    EXPECT_EQ(btnJust.Load(1).Index(), 1);
    // Growing loads an index above the highest one only; the gap below stays empty.
    EXPECT_EQ(btnJust.Grow(4).Index(), 4);
    EXPECT_FALSE(btnJust.Exists(3));
    EXPECT_EQ(&btnJust.Grow(1), &btnJust(1));
}

// --- colours ---------------------------------------------------------------------------------

// Below 0x80000000 a colour is a BGR value; above, a system colour read from the palette.
TEST(Colors, MapBgrValuesAndSystemColours) {
    EXPECT_EQ(Colors::ToQColor(0x0044EF93), QColor(147, 239, 68));
    EXPECT_EQ(Colors::FromQColor(QColor(147, 239, 68)), 0x0044EF93u);
    EXPECT_EQ(Colors::ToQColor(0x800000FF), QColor(0, 0, 0)) << "no such system colour";
    QPalette palette; // which role each system colour names is the colour table's, not the test's
    palette.setColor(QPalette::Active, QPalette::Highlight, QColor(1, 100, 200));
    EXPECT_EQ(Colors::ToQColor(Colors::Highlight, palette), QColor(1, 100, 200)) << "the palette given";
}

// --- twips geometry --------------------------------------------------------------------------

// That the twips themselves are kept as assigned shows in ProdCode's golden dump.
TEST(TwipsGeometry, MapsEdgesToPixelsBothWaysAndRunsTheResizeHook) {
    TestControl control;
    ASSERT_DOUBLE_EQ(control.TwipsPerPixel(), 15.0) << "tests assume 96 dpi";
    k7::Label& left = control.Create<k7::Label>("lblTxt");
    k7::Label& right = control.Create<k7::Label>("lblCode");
    left.Move(112.8f, 49.5f, 1974.0f, 396.0f);
    right.Move(2086.8f, 49.5f, 3384.0f, 396.0f);
    // Edges 7.52 -> 8 and 139.12 -> 139 px; the two labels share the edge at 139.
    EXPECT_EQ(left.geometry(), QRect(8, 3, 131, 27));
    EXPECT_EQ(right.geometry().left(), left.geometry().right() + 1);

    // The resize hook runs once the control is placed, then on every new extent.
    EXPECT_EQ(control.Resizes, 0);
    control.show();
    EXPECT_EQ(control.Resizes, 1) << "placed at its design size";
    control.SetExtent(3000, 1500);
    EXPECT_EQ(control.Resizes, 1) << "same extent";
    control.SetExtent(5640, 495);
    EXPECT_EQ(control.size(), QSize(376, 33));
    EXPECT_EQ(control.Resizes, 2);
    // A pixel resize by the host moves the twips extent.
    control.resize(201, 100);
    EXPECT_EQ(control.Width(), 3015.0f);
    EXPECT_EQ(control.Height(), 1500.0f);
    EXPECT_EQ(control.Resizes, 3);
}

TEST(TwipsGeometry, ImpossibleSizesRaiseTheToolkitErrorsAndKeepTheValue) {
    TestControl control;
    k7::Label& label = control.Create<k7::Label>("lbl");
    k7::FilledRect& bar = control.Create<k7::FilledRect>("bar");
    k7::Line& line = control.Create<k7::Line>("line");
    k7::RasterSurface& picture = control.Create<k7::RasterSurface>("pic");
    EXPECT_EQ(ErrorNumberOf([&] { label.SetWidth(-1); }), 380);
    EXPECT_EQ(ErrorNumberOf([&] { bar.SetHeight(-0.5f); }), 380);
    EXPECT_EQ(ErrorNumberOf([&] { bar.SetHeight(std::numeric_limits<float>::quiet_NaN()); }), 6);
    EXPECT_EQ(ErrorNumberOf([&] { label.SetFontSize(0); }), 380);
    EXPECT_EQ(ErrorNumberOf([&] { line.SetBorderWidth(0); }), 380);
    EXPECT_EQ(ErrorNumberOf([&] { picture.SetDrawWidth(0); }), 380);
    EXPECT_EQ(ErrorNumberOf([&] { picture.SetDrawWidth(k7::RasterSurface::MaxDrawWidth + 1); }), 380);
    EXPECT_EQ(ErrorNumberOf([&] { picture.SetFont({.Size = 0}); }), 380);
    EXPECT_EQ(label.Width(), 0.0f);
    EXPECT_EQ(label.FontSize(), 8.25f);
    EXPECT_EQ(picture.DrawWidth(), 1);
    EXPECT_EQ(picture.Font(), k7::FontStyle());
}

// --- painting --------------------------------------------------------------------------------

// Shapes are painted on the control in creation order, below the labels, and only while loaded
// and visible.
TEST(Painting, ShapesInCreationOrderBelowLabels) {
    TestControl control;
    control.SetExtent(1500, 1500); // 100 x 100 px
    control.SetBackColor(Colors::Rgb(0, 0, 0));
    k7::FilledRect& first =
        control.Create<k7::FilledRect>("bgTop", 0)
            .ApplyDesign({.Bounds = {0, 0, 900, 900}, .Look = {.FillColor = Colors::Rgb(255, 0, 0)}});
    control.Create<k7::FilledRect>("barTime").ApplyDesign(
        {.Bounds = {450, 450, 900, 900}, .Look = {.FillColor = Colors::Rgb(0, 0, 255)}});
    control.Create<k7::Line>("lineTop").ApplyDesign(
        {.X1 = 0, .Y1 = 1200, .X2 = 1500, .Y2 = 1200, .Color = Colors::Rgb(224, 224, 224)});
    control.Create<k7::Label>("lblTime").ApplyDesign(
        {.Bounds = {600, 600, 300, 300}, .BackColor = Colors::Rgb(255, 255, 0)});
    k7::WidgetArray<k7::FilledRect> bgTop(first);
    k7::FilledRect& copy = bgTop.Load(1);
    copy.SetLeft(1050);

    const auto pixelAt = [&](int x, int y) { return control.grab().toImage().pixelColor(x, y); };
    EXPECT_EQ(pixelAt(10, 10), QColor(255, 0, 0));
    EXPECT_EQ(pixelAt(35, 35), QColor(0, 0, 255)) << "later shape on top";
    EXPECT_EQ(pixelAt(45, 45), QColor(255, 255, 0)) << "label above the shapes";
    EXPECT_EQ(pixelAt(5, 80), QColor(224, 224, 224));
    EXPECT_EQ(pixelAt(5, 90), QColor(0, 0, 0));
    EXPECT_EQ(pixelAt(80, 10), QColor(0, 0, 0)) << "hidden after Load";
    copy.SetVisible(true);
    EXPECT_EQ(pixelAt(80, 10), QColor(255, 0, 0));
    bgTop.Unload(1);
    EXPECT_EQ(pixelAt(80, 10), QColor(0, 0, 0));
    first.SetVisible(false);
    EXPECT_EQ(pixelAt(10, 10), QColor(0, 0, 0));
}

// --- fonts, text measurement, timer, menus, prompt -------------------------------------------

// That the bundled faces load shows in their bitmap strikes below, which no substitute has.
TEST(Fonts, DesignFacesMissingFromDiskAreVisiblySubstituted) {
    TestControl control; // the first control registers the faces
    const auto& registrations = k7::FontRegistry::Registrations();
    ASSERT_FALSE(registrations.empty());
    const auto fallback = k7::FontRegistry::Register("/nonexistent-font-dir");
    ASSERT_EQ(fallback.size(), registrations.size());
    for (const auto& registration : fallback) {
        EXPECT_FALSE(registration.Loaded);
        EXPECT_FALSE(registration.Substitute.isEmpty());
    }
}

TEST(Fonts, SmallSizesTakeTheSmallFace) {
    TestControl control;
    k7::Label& label = control.Create<k7::Label>("lblText");
    for (const auto& [size, face] : {std::pair{5.0f, "Small Fonts"}, {5.01f, "Tahoma"}}) {
        label.SetFontSize(size);
        label.UseSmallFaceAtOrBelow(5);
        EXPECT_EQ(label.FontName(), face) << size;
    }
}

// A line is the face's Windows ascent plus descent, each in whole pixels (Tahoma: 2049 and 423 of
// 2048 units), not Qt's typographic line of about 0.97 em.
TEST(Fonts, ALineIsTheWindowsLineOfTheFaceInWholePixels) {
    TestControl control; // 96 dpi: 15 twips per pixel
    for (const auto& [points, pixels] :
         {std::pair{8.25f, 13}, {9.75f, 16}, {12.0f, 19}, {15.0f, 24}, {18.0f, 29}}) {
        const k7::FontStyle font{.Size = points};
        EXPECT_EQ(control.TextHeight("O", font), 15.0f * pixels) << points;
        EXPECT_EQ(control.TextHeight("O\nO", font), 30.0f * pixels) << points;
    }
}

// Tahoma's embedded strikes give its widths at their sizes (whole pixels); between pixel sizes a
// width is the outline's at that very size, so it is proportional to the size. Small Fonts has
// one strike and no outline: its widths are the strike's, scaled to the size, and the strike's
// 11-pixel cell is a 9-pixel em (6.75 points) under 2 pixels of internal leading.
TEST(Fonts, WidthsComeFromTheStrikesAtTheirSizesAndScaleWithTheSize) {
    TestControl control;
    const auto faceOf = [](const char* name) {
        const QRawFont raw = QRawFont::fromFont(k7::FontStyle{.Name = name}.ToQFont());
        return k7::FaceMetrics([&raw](const char* tag) { return raw.fontTable(tag); });
    };
    const k7::FaceMetrics tahoma = faceOf("Tahoma");
    const k7::FaceMetrics smallFonts = faceOf("Small Fonts");
    EXPECT_EQ(std::tuple(tahoma.IsBitmapOnly(), tahoma.NearestStrike(11.4), tahoma.NearestStrike(14.2)),
              std::tuple(false, 11, 15))
        << "strikes of 11 and 15 pixels, none of 14";
    EXPECT_EQ(std::pair(smallFonts.IsBitmapOnly(), smallFonts.NearestStrike(30)), std::pair(true, 11));

    const QString caption = "Reload Part Time";
    const auto width = [&](const char* name, float points) {
        return control.TextWidth(caption, k7::FontStyle{.Name = name, .Size = points}) / 15.0f;
    };
    EXPECT_EQ(width("Tahoma", 8.25f), std::round(width("Tahoma", 8.25f))) << "11 pixels: the strike";
    EXPECT_NEAR(width("Tahoma", 6.1f) / 6.1f, width("Tahoma", 7.3f) / 7.3f, 1e-4);
    EXPECT_NEAR(width("Small Fonts", 4.125f), width("Small Fonts", 8.25f) / 2, 1e-4);
    EXPECT_NEAR(width("Small Fonts", 16.5f), width("Small Fonts", 8.25f) * 2, 1e-4);
    EXPECT_EQ(width("Small Fonts", 6.75f), std::round(width("Small Fonts", 6.75f))) << "9 pixels: the strike";
    EXPECT_EQ(control.TextHeight("O", k7::FontStyle{.Name = "Small Fonts", .Size = 6.75f}), 15.0f * 11);
}

// A handler never throws: a button's click runs under the trap with the button's index, and a
// failure is recorded in Error or swallowed as the control, or else the connection, chooses. The
// failure texts of other errors: the loader-trap table.
TEST(Handlers, RunUnderTheTrapAndRecordOrSwallowAsTheControlOrConnectionChooses) {
    TestControl control;
    k7::CommandButton& button = control.Create<k7::CommandButton>("btnJust", 3);
    std::vector<int> pressed;
    control.ConnectHandler(&button, &k7::CommandButton::Clicked, [&](int index) {
        pressed.push_back(index);
        k7::Raise(k7::ErrorNumber::ObjectRequired);
    });
    EXPECT_NO_THROW(button.click());
    EXPECT_EQ(pressed, std::vector<int>({3}));
    EXPECT_EQ(control.Error(), "424-" + k7::StandardDescription(424));

    control.SetError("");
    const auto fail = [] { k7::Raise(k7::ErrorNumber::DivisionByZero); };
    control.RunHandler(fail, k7::FailurePolicy::Swallow);
    control.SetHandlerFailures(k7::FailurePolicy::Swallow);
    button.click();
    EXPECT_EQ(control.Error(), "");
    k7::Timer& timer = control.Create<k7::Timer>("Timer");
    control.ConnectHandler(&timer, &k7::Timer::Tick, fail, k7::FailurePolicy::Record);
    timer.Fire();
    EXPECT_EQ(control.Error(), "11-" + k7::StandardDescription(11));
}

TEST(Timer, TicksOnlyWhileEnabledWithAnIntervalAndFireDeliversOneTick) {
    TestControl control;
    k7::Timer& timer = control.Create<k7::Timer>("Timer");
    QSignalSpy ticks(&timer, &k7::Timer::Tick);
    timer.Fire();
    EXPECT_EQ(ticks.count(), 1);
    timer.SetInterval(1);
    EXPECT_FALSE(timer.Enabled());
    timer.SetEnabled(true);
    EXPECT_TRUE(ticks.wait(2000)) << "a real tick arrives once enabled";
    EXPECT_EQ(ErrorNumberOf([&] { timer.SetInterval(-1); }), 380);
}

TEST(PopupMenu, OffersVisibleItemsThroughTheHostAndReturnsItsChoice) {
    TestControl control;
    RecordingHost host;
    control.SetHost(&host);
    k7::PopupMenu& menu = control.Create<k7::PopupMenu>("mnu", 1, "mnuMax");
    menu.SetItem(1, "OEE");
    menu.SetItem(2, "EP");
    menu.SetItem(3, "Act.");
    menu.SetChecked(2, true);
    menu.SetItemVisible(3, false);
    host.MenuChoice = 2;
    EXPECT_EQ(menu.Exec(QPoint(5, 5)), 2);
    ASSERT_EQ(host.MenuShown.size(), 2u);
    EXPECT_EQ(host.MenuShown[0].Caption, "OEE");
    EXPECT_TRUE(host.MenuShown[1].Checked);
    EXPECT_EQ(ErrorNumberOf([&] { menu.SetCaption(4, "x"); }), 340);
    EXPECT_EQ(menu.UBound(), 3);
}

} // namespace
