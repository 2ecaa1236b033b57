#include "controls/scrapscreen/ScrapScreen.h"

#include "core/Common_p.h"
#include "core/Conversions_p.h"
#include "core/RuntimeError.h"
#include "frame/children/ButtonArray_p.h"
#include "frame/children/CommandButton.h"
#include "frame/drawing/Colors.h"
#include "frame/drawing/Twips.h"
#include "frame/requests/Payload_p.h"
#include "json/JsonBag.h"

#include <algorithm>
#include <vector>

namespace k7 {

namespace {

constexpr int kCauseButtons = 4;

} // namespace

struct K7_NO_EXPORT ScrapScreen::Private {
    ScrapScreen& q;
    CommandButton* btnAllScrap = nullptr;
    ButtonArray btnScrap;
    std::vector<QString> causes{};

    void ShowData();
    void AllScrapPressed();
    void CausePressed(int index);
};

const PropertyTable& ScrapScreen::ClassProperties() {
    // The host sets APIHost on every run, so only the three identifiers are persisted, written and
    // read in different orders.
    static const PropertyTable table = [] {
        PropertyTable properties;
        AddConnectionProperties(properties, {.APIHost = WriteForm::Notifying,
                                             .Others = WriteForm::Plain,
                                             .APIHostPersistence = Persistence::NotPersisted});
        properties.SetReadOrder({CompanyProperty, SessionProperty, ProcessProperty})
            .SetWriteOrder({SessionProperty, CompanyProperty, ProcessProperty});
        return properties;
    }();
    return table;
}

ScrapScreen::ScrapScreen(QWidget* parent)
    : ServiceControl(parent),
      d(new Private{*this,
                    &Create<CommandButton>(QStringLiteral("btnAllScrap"))
                         .ApplyDesign({.Bounds = {0, 0, 5895, 495},
                                       .Font = {.Size = 12},
                                       .BackColor = Colors::Rgb(255, 255, 0)}),
                    ButtonArray(Create<CommandButton>(QStringLiteral("btnScrap"), 0)
                                    .ApplyDesign({.Bounds = {120, 600, 2415, 735},
                                                  .Font = {.Size = 9.75f},
                                                  .ForeColor = Colors::Rgb(255, 255, 255),
                                                  .BackColor = Colors::Highlight}),
                                [this](int index) { d->CausePressed(index); })}) {
    SetDesignExtent(5910, 2580);
    SetBackColor(Colors::Rgb(0, 0, 0));
    d->btnAllScrap->SetCaption(QStringLiteral("Press Here To Enter Main Scrap"));
    ConnectHandler(d->btnAllScrap, &CommandButton::Clicked, [this](int) { d->AllScrapPressed(); });
}

ScrapScreen::~ScrapScreen() = default;

CommandButton& ScrapScreen::btnAllScrap() const {
    return *d->btnAllScrap;
}

CommandButton& ScrapScreen::btnScrap(int index) const {
    return d->btnScrap.At(index);
}

int ScrapScreen::btnScrapUBound() const {
    return d->btnScrap.UBound();
}

void ScrapScreen::RefreshSequence(bool pBolOpened) {
    // The causes are loaded when the screen opens (CellsCreation) and after a booking; an opened
    // screen only shows the list it holds.
    if (!pBolOpened)
        CellsCreation();
    // Shown once the list the opening loads is in, so that a screen that opens before its reply
    // shows its causes as soon as they come.
    AfterRequests([this] { d->ShowData(); });
}

void ScrapScreen::CellsCreation() {
    const double width = Width();
    const double height = Height();
    // A button's font follows its own height: 35 % of it in points, the small face at 6 points and
    // below.
    const auto sizeFont = [](CommandButton& button) {
        button.SetFontSize(static_cast<float>(0.35 * Twips::ToPoints(button.Height())));
        button.UseSmallFaceAtOrBelow(6);
    };

    d->btnAllScrap->SetTopHeightLeftWidth(0, static_cast<float>(height * 0.3), 0, static_cast<float>(width));
    sizeFont(*d->btnAllScrap);
    d->btnAllScrap->SetCaption(QStringLiteral("Press here to enter main scrap screen"));
    d->btnAllScrap->SetVisible(true);

    for (int i = 0; i < kCauseButtons; ++i) {
        CommandButton& button = d->btnScrap.Grow(i);
        button.SetLeft(static_cast<float>(width * (i % 2) * 0.5));
        button.SetTop(static_cast<float>((i / 2) * height * 0.35 + height * 0.3));
        button.SetHeight(static_cast<float>(height * 0.35));
        button.SetWidth(static_cast<float>(width * 0.5));
        sizeFont(button);
    }
    LoadData();
}

bool ScrapScreen::LoadData() {
    return RunServiceLoader(
        {HttpVerb::Get, QStringLiteral("/processes/") + Process() + QStringLiteral("/scrapcauses/top"),
         SessionQuery({})},
        [](const JsonBag& reply) {
            // All three are read before they are weighed, so a reply missing one of them fails even
            // when another already rules it out.
            const bool statusIsZero = Envelope::StatusIsZero(reply);
            const bool success = Envelope::MessageIsSuccess(reply);
            const bool hasData = !reply.Item(Variant(QStringLiteral("data"))).IsNull();
            return statusIsZero && success && hasData;
        },
        [this](JsonBag& reply) {
            const std::shared_ptr<JsonBag> data = Payload(reply);
            const int32_t count = data->Count();
            // An empty list cannot be dimensioned; the stored one stays, as it does for any failure
            // below, since the new list replaces it only when complete.
            if (count == 0)
                Raise(ErrorNumber::SubscriptOutOfRange);
            std::vector<QString> causes;
            causes.reserve(static_cast<size_t>(count));
            for (int32_t k = 1; k <= count; ++k) {
                // "12-Broken": the cause id stands before the first "-".
                const QString scrap = data->Item(Variant(k)).Item(Variant(QStringLiteral("Scrap"))).ToText();
                causes.push_back(scrap.section(QLatin1Char('-'), 0, 0));
            }
            d->causes = std::move(causes);
        },
        [](JsonBag&) {});
}

void ScrapScreen::Private::ShowData() {
    // Only four cause buttons exist: causes beyond them are left out.
    btnScrap.ShowTexts(causes);
    q.RepaintNow();
}

void ScrapScreen::RefreshBtn(const QString& pStrId, const QString& pStrDesc) {
    d->btnScrap(0).SetCaption(pStrDesc);
    d->btnScrap(0).SetTag(pStrId);
}

void ScrapScreen::Private::AllScrapPressed() {
    QString message = QStringLiteral("[DS]");
    emit q.RemoteControl(message);
}

void ScrapScreen::Private::CausePressed(int index) {
    // The quantity is asked for only when there is a service to book it with.
    q.RunServiceLoader(
        [this, index] {
            const QString answer = q.InputBox(QStringLiteral("Insert Scrap Quantity"),
                                              QStringLiteral("Scrap"), QStringLiteral("1"));
            // The longest leading number of the answer ("12 pcs" books 12, a cancelled prompt 0), to
            // the nearest whole number with halves to even; beyond 16 bits it raises 6 and nothing
            // is sent.
            const int16_t quantity = ToInteger(Val(answer));
            const QString result = btnScrap(index).Tag();
            return ServiceCall{HttpVerb::Post, QStringLiteral("/results"),
                               q.ConnectionQuery({{QStringLiteral("result"), result}},
                                                 {{QStringLiteral("quantityA"), QString::number(quantity)}})};
        },
        Judgement::MessageIsSuccess,
        [this](JsonBag&) {
            q.LoadData();
            q.AfterRequests([this] { q.Refresh(true); });
        },
        [](JsonBag&) {});
}

const ComponentIdentity& ScrapScreen::ClassIdentity() {
    static const ComponentIdentity identity{
        QStringLiteral("ScrapScreen"),
        QStringLiteral("{778A2379-D2AD-421D-8A9B-0E1A01B6AF30}"),
        QStringLiteral("_ScrapScreen"),
        QStringLiteral("{2F12316D-4831-4B39-A929-AB5715AD982E}"),
        QStringLiteral("__ScrapScreen"),
        QStringLiteral("{E4EB7B96-14F3-40BC-8D3C-3F9F4460BECB}"),
        QStringLiteral("RemoteControl(QString&)"),
        {
            {APIHostProperty, 0x6803000E},
            {SessionProperty, 0x6803000D},
            {CompanyProperty, 0x6803000C},
            {ProcessProperty, 0x6803000B},
            {ErrorProperty, 0x6803000A},
            {"Refresh", 0x6003000F},
            {"LoadData", 0x60030011},
            {"RefreshBtn", 0x60030012},
            {"CellsCreation", 0x60030013},
        },
    };
    return identity;
}

} // namespace k7
