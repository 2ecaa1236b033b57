#include "controls/prodcode/ProdCode.h"

#include "frame/Colors.h"
#include "frame/Label.h"
#include "json/JsonBag.h"

namespace k7 {

struct ProdCode::Private {
    float fontSize = 8.0f;
    Label* lblTxt = nullptr;
    Label* lblCode = nullptr;
};

const PropertyTable& ProdCode::ClassProperties() {
    // Persisted in this order; only APIHost asks the host before it changes.
    static const PropertyTable table = [] {
        PropertyTable properties;
        AddConnectionProperties(properties, {.APIHost = WriteForm::Notifying, .Others = WriteForm::Plain});
        properties.Add(PropertyTable::Row<ProdCode>(
            FontSizeProperty, [](auto& c) -> auto& { return c.d->fontSize; }, WriteForm::Plain,
            Variant(int16_t(8))));
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

float ProdCode::FontSize() const {
    return d->fontSize;
}

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
        label.SetFontSize(d->fontSize);
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

} // namespace k7
