#include "controls/faijustifier/FaiJustifier.h"

#include "core/Common_p.h"
#include "core/Date.h"
#include "frame/children/ButtonArray_p.h"
#include "frame/children/CommandButton.h"
#include "frame/children/Label.h"
#include "frame/children/WidgetArray_p.h"
#include "frame/drawing/Colors.h"
#include "frame/drawing/Twips.h"
#include "frame/requests/Payload_p.h"
#include "json/JsonBag.h"

#include <algorithm>
#include <array>
#include <vector>

namespace k7 {

namespace {

constexpr int kFaiFields = 5;
constexpr int kButtons = 8;

} // namespace

struct K7_NO_EXPORT FaiJustifier::Private {
    FaiJustifier& q;
    WidgetArray<Label> lblFai;
    Label* lblTxt = nullptr;
    ButtonArray btnJust;

    QString faiId{};
    bool hasFai = false;
    std::array<QString, kFaiFields> faiFields{};
    std::vector<QString> downtimeIds{};

    void CellsCreation();
    bool LoadData();
    void ShowData();
    // ShowData under the loader trap.
    void ShowDataTrapped();
    void JustifyPressed(int index);
};

const PropertyTable& FaiJustifier::ClassProperties() {
    // Every connection property asks the host before it changes; all four are persisted.
    static const PropertyTable table = [] {
        PropertyTable properties;
        AddConnectionProperties(properties,
                                {.APIHost = WriteForm::Notifying, .Others = WriteForm::Notifying});
        return properties;
    }();
    return table;
}

FaiJustifier::FaiJustifier(QWidget* parent)
    : ServiceControl(parent),
      d(new Private{*this,
                    WidgetArray<Label>(Create<Label>(QStringLiteral("lblFai"), 0)
                                           .ApplyDesign({.Bounds = {0, 0, 600, 495},
                                                         .Font = {.Size = 12},
                                                         .ForeColor = Colors::Rgb(255, 255, 255),
                                                         .BackColor = Colors::Highlight,
                                                         .Border = BorderStyle::Single,
                                                         .BorderColor = Colors::Rgb(64, 64, 64)})),
                    &Create<Label>(QStringLiteral("lblTxt"))
                         .ApplyDesign({.Bounds = {0, 660, 5535, 255},
                                       .Font = {.Size = 12},
                                       .ForeColor = Colors::Rgb(255, 255, 0),
                                       .BackColor = Colors::Rgb(0, 0, 0)}),
                    ButtonArray(Create<CommandButton>(QStringLiteral("btnJust"), 0)
                                    .ApplyDesign({.Bounds = {0, 1200, 735, 495},
                                                  .Font = {.Size = 8.25f},
                                                  .BackColor = Colors::Rgb(224, 224, 224)}),
                                [this](int index) { d->JustifyPressed(index); })}) {
    SetDesignExtent(5535, 2565);
    d->lblTxt->SetCaption(QStringLiteral("No Downtimes Available"));
}

FaiJustifier::~FaiJustifier() = default;

Label& FaiJustifier::lblFai(int index) const {
    return d->lblFai.At(index);
}

Label& FaiJustifier::lblTxt() const {
    return *d->lblTxt;
}

CommandButton& FaiJustifier::btnJust(int index) const {
    return d->btnJust.At(index);
}

int FaiJustifier::btnJustUBound() const {
    return d->btnJust.UBound();
}

void FaiJustifier::RefreshSequence(bool pBolOpened) {
    if (!pBolOpened)
        d->CellsCreation();
    d->LoadData();
    AfterRequests([this] { d->ShowDataTrapped(); });
}

void FaiJustifier::Resized() {
    d->CellsCreation();
    d->ShowDataTrapped();
}

void FaiJustifier::Private::CellsCreation() {
    const double width = q.Width();
    const double height = q.Height();
    // Fonts follow the control's height: a share of it in points, the small face at 5 points and
    // below.
    const double heightPoints = Twips::ToPoints(height);
    const auto sizeFont = [heightPoints](auto& child, double share) {
        child.SetFontSize(static_cast<float>(heightPoints * share));
        child.UseSmallFaceAtOrBelow(5);
    };

    // The FAI row: 15 %, 35 % and three times 20 % of the width, so the last label reaches 10 %
    // past the right edge.
    static constexpr std::array<double, kFaiFields> kShares = {0.15, 0.35, 0.2, 0.2, 0.2};
    for (int i = 0; i < kFaiFields; ++i) {
        Label& label = lblFai.Grow(i);
        label.SetTop(0);
        label.SetHeight(static_cast<float>(height * 0.2));
        sizeFont(label, 0.13);
    }
    for (int i = 0; i < kFaiFields; ++i)
        lblFai(i).SetWidth(static_cast<float>(width * kShares[static_cast<size_t>(i)]));
    lblFai(0).SetLeft(0);
    for (int i = 1; i < kFaiFields; ++i)
        lblFai(i).SetLeft(lblFai(i - 1).Left() + lblFai(i - 1).Width());
    // The cell reaching past the edge shows only what falls inside the control: its widget ends at
    // the edge, so its figure is fitted to what the operator sees (drawn smaller when it must be,
    // as every caption wider than its cell is) instead of being cut there. Its bounds, as hosts
    // read them, stay as laid out.
    for (int i = 0; i < kFaiFields; ++i) {
        QWidget& cell = lblFai(i);
        if (const int shown = std::max(0, q.width() - cell.x()); cell.width() > shown)
            cell.resize(shown, cell.height());
    }

    lblTxt->SetLeft(0);
    lblTxt->SetTop(static_cast<float>(height * 0.225));
    lblTxt->SetWidth(static_cast<float>(width));
    lblTxt->SetHeight(static_cast<float>(height * 0.2));
    sizeFont(*lblTxt, 0.13);
    lblTxt->SetTextAlign(TextAlign::Center);
    lblTxt->SetCaption(QString());
    lblTxt->SetVisible(true);

    // Two rows of four buttons, at 42.5 % and 70 % of the height.
    for (int i = 0; i < kButtons; ++i) {
        CommandButton& button = btnJust.Grow(i);
        button.SetLeft(static_cast<float>(width * (i % 4) * 0.25));
        button.SetTop(static_cast<float>((i / 4) * height * 0.275 + height * 0.425));
        button.SetHeight(static_cast<float>(height * 0.275));
        button.SetWidth(static_cast<float>(width * 0.25));
        sizeFont(button, 0.12);
    }
}

bool FaiJustifier::Private::LoadData() {
    hasFai = false;
    faiFields.fill(QString());
    downtimeIds.clear();
    return q.RunFollowedLoader(
        {HttpVerb::Get, QStringLiteral("statuses/fai"), q.ConnectionQuery()}, Judgement::StatusIsZero,
        [this](JsonBag& reply) -> std::optional<ServiceCall> {
            // The machine's own states come first in the list; the FAI is the first entry of kind
            // exactly "FAI".
            const std::shared_ptr<JsonBag> entries = Payload(reply);
            Variant fai;
            for (int32_t k = 1; k <= entries->Count() && fai.IsEmpty(); ++k) {
                const Variant entry = entries->Item(Variant(k));
                if (entry.Item(Variant(QStringLiteral("id_tu"))).ToText() == QLatin1String("FAI"))
                    fai = entry;
            }
            if (fai.IsEmpty())
                return std::nullopt;

            const auto field = [&fai](const char* name) {
                return fai.Item(Variant(QString::fromLatin1(name))).ToText();
            };
            // machdate carries the process in front of its timestamp: the time is its last 14
            // characters. end is a timestamp as it stands.
            faiFields = {field("id_tu"), QStringLiteral("PENDING"),
                         Dates::FormatHHNNSS(Common::ToDate(field("machdate").right(14))),
                         Dates::FormatHHNNSS(Common::ToDate(field("end"))), field("secs")};
            faiId = field("id");
            hasFai = true;
            return ServiceCall{HttpVerb::Get, QStringLiteral("statuses/top"), q.ConnectionQuery()};
        },
        // The downtime list is not judged: a failure envelope carries no list and fails here.
        [this](JsonBag& reply) {
            const std::shared_ptr<JsonBag> downtimes = Payload(reply);
            for (int32_t j = 1; j <= downtimes->Count(); ++j)
                downtimeIds.push_back(
                    downtimes->Item(Variant(j)).Item(Variant(QStringLiteral("Id"))).ToText());
        });
}

void FaiJustifier::Private::ShowData() {
    if (!hasFai) {
        for (int i = 0; i < kFaiFields; ++i)
            lblFai(i).SetVisible(false);
        lblTxt->SetCaption(QStringLiteral("No Downtimes Available"));
        btnJust.ShowTexts({});
    } else {
        for (int i = 0; i < kFaiFields; ++i) {
            lblFai(i).SetCaption(faiFields[static_cast<size_t>(i)]);
            lblFai(i).SetVisible(true);
        }
        lblTxt->SetCaption(QStringLiteral("Please Enter Downtime Reason"));
        // One button per downtime, as far as there are buttons; the others are hidden.
        btnJust.ShowTexts(downtimeIds);
    }
    q.RepaintNow();
}

void FaiJustifier::Private::ShowDataTrapped() {
    q.RunLoader([this] {
        ShowData();
        return false;
    });
}

void FaiJustifier::Private::JustifyPressed(int index) {
    q.RunServiceLoader(
        {HttpVerb::Patch, QStringLiteral("statuses/") + faiId,
         q.SessionQuery({{QStringLiteral("id_tu"), btnJust(index).Tag()}})},
        Judgement::MessageIsSuccess,
        [this](JsonBag&) {
            LoadData();
            q.AfterRequests([this] { ShowData(); });
        },
        [](JsonBag&) {});
}

const ComponentIdentity& FaiJustifier::ClassIdentity() {
    static const ComponentIdentity identity{
        QStringLiteral("FaiJustifier"),
        QStringLiteral("{077F6062-AC5E-47E9-83F1-59AED3DF6D69}"),
        QStringLiteral("_FaiJustifier"),
        QStringLiteral("{CEC65E5F-2D00-4399-B1C2-AC91BF385D88}"),
        QStringLiteral("__FaiJustifier"),
        QStringLiteral("{0E47092E-3BBC-4ADE-95DD-8673CD0CFD60}"),
        QStringLiteral("RemoteControl()"),
        {
            {APIHostProperty, 0x6803000A},
            {CompanyProperty, 0x68030009},
            {SessionProperty, 0x68030008},
            {ProcessProperty, 0x68030007},
            {ErrorProperty, 0x68030006},
            {"Refresh", 0x6003000B},
        },
    };
    return identity;
}

} // namespace k7
