#include "controls/prodcode/ProdCode.h"

#include "frame/children/Label.h"
#include "frame/drawing/Colors.h"
#include "frame/properties/PropertyDeclarations_p.h"
#include "json/JsonBag.h"

namespace k7 {

// Its own properties, one line each (frame/properties/PropertyDeclarations_p.h).
#define PRODCODE_PROPERTIES(HELD, FONT) HELD(double, FontSize, float, 8, Plain, ReadWrite, Persisted)

namespace {
K7_PROPERTY_KEYS(PRODCODE_PROPERTIES)
} // namespace

struct K7_NO_EXPORT ProdCode::Private {
    // FontSize holds 8 from the start, as a new control shows it.
    K7_HELD_VALUES_AT_DEFAULTS(PRODCODE_PROPERTIES)
    Label* lblTxt = nullptr;
    Label* lblCode = nullptr;
};

const PropertyTable& ProdCode::ClassProperties() {
    // Persisted in this order; only APIHost asks the host before it changes.
    static const PropertyTable table = [] {
        PropertyTable properties;
        AddConnectionProperties(properties, {.APIHost = WriteForm::Notifying, .Others = WriteForm::Plain});
        K7_ADD_PROPERTY_ROWS(ProdCode, PRODCODE_PROPERTIES, properties);
        return properties;
    }();
    return table;
}

ProdCode::ProdCode(QWidget* parent) : ServiceControl(parent), d(std::make_unique<Private>()) {
    SetDesignExtent(5640, 495);
    SetBackColor(Colors::Rgb(0, 0, 0));
    d->lblTxt = &Create<Label>(QStringLiteral("lblTxt"))
                     .ApplyDesign({.Bounds = {240, 120, 2415, 255},
                                   .ForeColor = Colors::Rgb(128, 255, 128),
                                   .BackColor = Colors::Rgb(0, 0, 0)});
    d->lblCode = &Create<Label>(QStringLiteral("lblCode"))
                      .ApplyDesign({.Bounds = {2880, 120, 2535, 255},
                                    .BackColor = Colors::Rgb(192, 192, 192),
                                    .Align = TextAlign::Right,
                                    .Border = BorderStyle::Single,
                                    .BorderColor = Colors::WindowBackground});
}

ProdCode::~ProdCode() = default;

K7_PROPERTY_ACCESSORS(ProdCode, PRODCODE_PROPERTIES)

Label& ProdCode::lblTxt() const {
    return *d->lblTxt;
}

Label& ProdCode::lblCode() const {
    return *d->lblCode;
}

void ProdCode::RefreshSequence(bool pBolOpened) {
    if (!pBolOpened)
        Createlabels();
    RefreshProd();
}

void ProdCode::Createlabels() {
    // Both labels fill the band from 10 % to 90 % of the height; products in double, stored as
    // single, in the toolkit's order (top, height, left, width, font size, caption, visible).
    const double width = Width();
    const double height = Height();
    const auto lay = [&](Label& label, double leftShare, double widthShare) {
        label.SetTopHeightLeftWidth(static_cast<float>(height * 0.1), static_cast<float>(height * 0.8),
                                    static_cast<float>(width * leftShare),
                                    static_cast<float>(width * widthShare));
        label.SetFontSize(d->FontSize);
    };
    lay(*d->lblTxt, 0.02, 0.35);
    d->lblTxt->SetCaption(QStringLiteral("Tool / Part"));
    d->lblTxt->SetVisible(true);
    lay(*d->lblCode, 0.37, 0.6);
    d->lblCode->SetVisible(true);
}

bool ProdCode::RefreshProd() {
    return RunServiceLoader(
        {HttpVerb::Get, QStringLiteral("/processes/prod"), ConnectionQuery()}, Judgement::StatusIsZero,
        [this](JsonBag& reply) {
            const Variant code = reply.Item(Variant(QStringLiteral("data")))
                                     .Item(Variant(int32_t(1)))
                                     .Item(Variant(QStringLiteral("Id_prod")));
            d->lblCode->SetCaption(code.ToText());
        },
        [this](JsonBag&) { d->lblCode->SetCaption(QStringLiteral("No Data")); }, [this] { RepaintNow(); });
}

const ComponentIdentity& ProdCode::ClassIdentity() {
    static const ComponentIdentity identity{
        QStringLiteral("ProdCode"),
        QStringLiteral("{93F6321F-4759-4AA0-8964-27FF6A1D0A9C}"),
        QStringLiteral("_ProdCode"),
        QStringLiteral("{6E8ADD70-ABDF-458C-B3F7-09DB743CD8AD}"),
        QStringLiteral("__ProdCode"),
        QStringLiteral("{A354E432-8105-4E13-948E-17D223F3CED6}"),
        QStringLiteral("RemoteControl()"),
        {
            {APIHostProperty, 0x6803000E},
            {CompanyProperty, 0x6803000D},
            {SessionProperty, 0x6803000C},
            {ProcessProperty, 0x6803000B},
            {FontSizeProperty, 0x6803000A},
            {ErrorProperty, 0x68030009},
            {"Refresh", 0x6003000F},
            {"RefreshProd", 0x60030010},
            {"Createlabels", 0x60030011},
        },
    };
    return identity;
}

} // namespace k7
