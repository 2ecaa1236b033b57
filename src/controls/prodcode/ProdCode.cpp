#include "controls/prodcode/ProdCode.h"

#include "controls/frame/Colors.h"
#include "controls/frame/Envelope.h"
#include "controls/frame/Label.h"
#include "service/RestClient.h"
#include "json/JsonBag.h"

namespace k7 {

const PropertyTable& ProdCode::ClassProperties() {
    // Persisted in this order; only APIHost asks the host before it changes.
    static const PropertyTable table = [] {
        PropertyTable properties;
        properties
            .Add(QStringLiteral("APIHost"), &ProdCode::apiHost_, WriteForm::Notifying, Variant(QString()))
            .Add(QStringLiteral("Company"), &ProdCode::company_, WriteForm::Plain, Variant(QString()))
            .Add(QStringLiteral("Session"), &ProdCode::session_, WriteForm::Plain, Variant(QString()))
            .Add(QStringLiteral("Process"), &ProdCode::process_, WriteForm::Plain, Variant(QString()))
            .Add(QStringLiteral("FontSize"), &ProdCode::fontSize_, WriteForm::Plain, Variant(int16_t(8)));
        return properties;
    }();
    return table;
}

ProdCode::ProdCode(QWidget* parent) : ControlBase(parent) {
    SetDesignExtent(5640, 495);
    SetBackColor(Colors::Rgb(0, 0, 0));

    FontStyle designFont;
    designFont.Name = QStringLiteral("Tahoma");
    designFont.Size = 8.25f;

    lblTxt_ = &CreateLabel(QStringLiteral("lblTxt"));
    lblTxt_->SetFont(designFont);
    lblTxt_->SetForeColor(Colors::Rgb(128, 255, 128));
    lblTxt_->SetBackColor(Colors::Rgb(0, 0, 0));
    lblTxt_->SetBackStyle(BackStyle::Opaque);
    lblTxt_->SetTextAlign(TextAlign::Left);
    lblTxt_->SetBorderStyle(BorderStyle::None);
    lblTxt_->Move(240, 120, 2415, 255);

    lblCode_ = &CreateLabel(QStringLiteral("lblCode"));
    lblCode_->SetFont(designFont);
    lblCode_->SetForeColor(Colors::ButtonText);
    lblCode_->SetBackColor(Colors::Rgb(192, 192, 192));
    lblCode_->SetBackStyle(BackStyle::Opaque);
    lblCode_->SetTextAlign(TextAlign::Right);
    lblCode_->SetBorderStyle(BorderStyle::Single);
    lblCode_->SetBorderColor(Colors::WindowBackground);
    lblCode_->Move(2880, 120, 2535, 255);
}

void ProdCode::SetFontSize(float value) {
    Assign(QStringLiteral("FontSize"), Variant(value));
}

void ProdCode::RefreshSequence(bool pBolOpened) {
    if (!pBolOpened)
        Createlabels();
    RefreshProd();
}

void ProdCode::Createlabels() {
    const double width = Width();
    const double height = Height();

    // Products in double, stored as single, assigned in this order.
    lblTxt_->SetTop(static_cast<float>(height * 0.1));
    lblTxt_->SetHeight(static_cast<float>(height * 0.8));
    lblTxt_->SetLeft(static_cast<float>(width * 0.02));
    lblTxt_->SetWidth(static_cast<float>(width * 0.35));
    lblTxt_->SetFontSize(fontSize_);
    lblTxt_->SetCaption(QStringLiteral("Tool / Part"));
    lblTxt_->SetVisible(true);

    lblCode_->SetTop(static_cast<float>(height * 0.1));
    lblCode_->SetHeight(static_cast<float>(height * 0.8));
    lblCode_->SetLeft(static_cast<float>(width * 0.37));
    lblCode_->SetWidth(static_cast<float>(width * 0.6));
    lblCode_->SetFontSize(fontSize_);
    lblCode_->SetVisible(true);
}

bool ProdCode::RefreshProd() {
    return RunLoader(
        [this] {
            if (APIHost().isEmpty())
                return false;
            auto document = JsonBag::Create();
            RestClient client;
            client.SetAPIHost(APIHost());
            const QString reply =
                client.GetRequest(QStringLiteral("/processes/prod"),
                                  Envelope::BuildQuery({{QStringLiteral("process"), Process()},
                                                        {QStringLiteral("session"), Session()},
                                                        {QStringLiteral("company"), Company()}}));
            document->SetJSON(reply);
            if (Envelope::StatusIsZero(*document)) {
                const Variant code = document->Item(Variant(QStringLiteral("data")))
                                         .Item(Variant(int32_t(1)))
                                         .Item(Variant(QStringLiteral("Id_prod")));
                lblCode_->SetCaption(code.ToText());
            } else {
                lblCode_->SetCaption(QStringLiteral("No Data"));
            }
            return true;
        },
        // The document and the client are released when the body's scope ends, on every path.
        [this] { RepaintNow(); });
}

} // namespace k7
