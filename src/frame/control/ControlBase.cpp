#include "frame/control/ControlBase.h"

#include "core/RuntimeError.h"
#include "frame/children/ChildState_p.h"
#include "frame/control/ControlAccessible_p.h"
#include "frame/control/ControlHost.h"
#include "frame/control/DefaultControlHost_p.h"
#include "frame/control/ShownState.h"
#include "frame/control/TabOrder_p.h"
#include "frame/drawing/Colors.h"
#include "frame/drawing/FontRegistry_p.h"
#include "frame/drawing/TextMeasure_p.h"
#include "frame/drawing/Twips.h"
#include "frame/properties/PropertyBag.h"

#include <QCoreApplication>
#include <QMetaProperty>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace k7 {

struct K7_NO_EXPORT ControlBase::Private {
    explicit Private(ControlBase& control) : q(control) {}

    ControlBase& q;
    QString error;
    ControlHost* host = nullptr;
    FailurePolicy handlerFailures = FailurePolicy::Record;
    float extentWidth = 0;
    float extentHeight = 0;
    // The extent the constructor gave (SetDesignExtent), which sizeHint() offers layouts.
    float designWidth = 0;
    float designHeight = 0;
    bool designTime = false;
    // The extent the resize hook last saw; none until the control is first placed.
    std::optional<std::pair<float, float>> resizedExtent;
    uint32_t backColor = 0x8000000F;
    uint32_t foreColor = 0x80000012;
    FontStyle controlFont;
    std::vector<std::unique_ptr<ControlChild>> children;

    // Entries (see RunEntry) and what a read sent in one holds back.
    int entryDepth = 0;
    bool holdsBackEntries = false;
    std::shared_ptr<const ShownState> shownAtEntry; // the outermost entry's start, when holding back
    std::vector<std::function<bool(std::shared_ptr<HeldBack>)>> holdBackTakers;
    std::vector<std::weak_ptr<HeldBack>> heldBack; // of reads still out, for newer changes to win

    // The reads out and the chain of them that has not settled yet.
    int readsOut = 0;
    QDateTime readSentAt;
    std::optional<RequestOutcome> unsettled;

    // A host's write of one property (Assign), untrapped; its change signal when the value moved.
    void AssignNow(const QString& name, const Variant& value);
    // The write in the property's own step or form (Plain stores; Notifying asks and tells the host).
    void WriteInForm(const PropertyDefinition& property, const Variant& value);
    // The property's NOTIFY signal, when it has one and its value is no longer `before`.
    void AnnounceChange(const PropertyDefinition& property, const Variant& before);
    // The outermost entry ended: what it changed is held back for the reads it sent, or shown.
    void EndEntry();
    // ReadSettled, once no read is out and no entry runs.
    void SettleReads();
    QSize PixelSizeOf(float width, float height) const;
    // Resized(), unless the hook already saw this extent.
    void RunResizeHook();
};

struct ControlBase::HeldBack {
    std::vector<ShownState::Entry> Children;
};

namespace {

using ChildKey = std::pair<QString, int>;

// The children of `now` whose state differs from `before` (or that `before` does not name), with
// their state now.
std::vector<ShownState::Entry> ChangedSince(const ShownState& before, const ShownState& now) {
    std::map<ChildKey, const ChildState*> earlier;
    for (const ShownState::Entry& entry : before.Entries())
        earlier.emplace(ChildKey(entry.Name, entry.Index), entry.State.get());
    std::vector<ShownState::Entry> changed;
    for (const ShownState::Entry& entry : now.Entries()) {
        const auto found = earlier.find(ChildKey(entry.Name, entry.Index));
        if (found == earlier.end() || !found->second->SameAs(*entry.State))
            changed.push_back(entry);
    }
    return changed;
}

} // namespace

ControlBase::ControlBase(QWidget* parent) : QWidget(parent), d(std::make_unique<Private>(*this)) {
    FontRegistry::EnsureRegistered();
    ControlAccessible::EnsureInstalled();
    setAttribute(Qt::WA_OpaquePaintEvent);
}

ControlBase::~ControlBase() {
    // Before QWidget's own destructor: children that are widgets leave their parent as they go.
    d->children.clear();
}

const QString& ControlBase::Error() const {
    return d->error;
}

void ControlBase::SetDesignTime(bool designTime) {
    d->designTime = designTime;
}

bool ControlBase::DesignTime() const {
    return d->designTime;
}

float ControlBase::Width() const {
    return d->extentWidth;
}

float ControlBase::Height() const {
    return d->extentHeight;
}

uint32_t ControlBase::BackColor() const {
    return d->backColor;
}

uint32_t ControlBase::ForeColor() const {
    return d->foreColor;
}

const FontStyle& ControlBase::ControlFont() const {
    return d->controlFont;
}

const std::vector<std::unique_ptr<ControlChild>>& ControlBase::Children() const {
    return d->children;
}

FailurePolicy ControlBase::HandlerFailures() const {
    return d->handlerFailures;
}

void ControlBase::SetHandlerFailures(FailurePolicy policy) {
    d->handlerFailures = policy;
}

bool ControlBase::Refresh(bool pBolOpened) {
    // An entry that lets the caller have its failures, as a method the host calls does.
    std::exception_ptr failure;
    RunEntry(
        [&] {
            try {
                RefreshSequence(pBolOpened);
            } catch (...) {
                failure = std::current_exception();
            }
        },
        FailurePolicy::Swallow);
    if (failure)
        std::rethrow_exception(failure);
    return false;
}

void ControlBase::Assign(const QString& name, const Variant& value) {
    if (d->designTime)
        RunHandler([&] { d->AssignNow(name, value); }, FailurePolicy::Record);
    else
        d->AssignNow(name, value);
}

void ControlBase::Private::AssignNow(const QString& name, const Variant& value) {
    const PropertyDefinition& property = q.Properties().At(name);
    if (property.Access == PropertyAccess::ReadOnly)
        Raise(ErrorNumber::PropertyIsReadOnly);
    const Variant before = property.Get(q);
    // A write that fails halfway (a font part put back to its default) may still have changed the
    // value: its change signal goes out before the failure does.
    try {
        WriteInForm(property, value);
    } catch (...) {
        AnnounceChange(property, before);
        throw;
    }
    AnnounceChange(property, before);
}

void ControlBase::Private::WriteInForm(const PropertyDefinition& property, const Variant& value) {
    if (property.Write) {
        property.Write(q, value);
        return;
    }
    const Variant converted = PropertyTable::Convert(property.Type, value);
    if (property.Form == WriteForm::Plain) {
        property.Set(q, converted);
        return;
    }
    if (property.Get(q) == converted)
        return;
    if (!q.Host().CanPropertyChange(property.PersistenceName))
        return;
    property.Set(q, converted);
    if (property.BeforeNotify)
        property.BeforeNotify(q);
    q.Host().PropertyChanged(property.PersistenceName);
}

void ControlBase::Private::AnnounceChange(const PropertyDefinition& property, const Variant& before) {
    if (property.Get(q) == before)
        return;
    const QMetaObject& meta = *q.metaObject();
    const int index = meta.indexOfProperty(property.Name.toLatin1().constData());
    if (index >= 0 && meta.property(index).hasNotifySignal())
        meta.property(index).notifySignal().invoke(&q, Qt::DirectConnection);
}

Variant ControlBase::Value(const QString& name) const {
    return Properties().At(name).Get(*this);
}

void ControlBase::ReadProperties(const PropertyBag& bag) {
    for (const PropertyDefinition* property : Properties().ReadSequence()) {
        // One property at a time: a value the store cannot give or the member cannot take is
        // skipped, and the member keeps what it held.
        Trap([&] {
            property->Set(*this, PropertyTable::Convert(
                                     PropertyTable::PersistedType(*property),
                                     bag.ReadProperty(property->PersistenceName, property->Default)));
        });
    }
}

void ControlBase::WriteProperties(PropertyBag& bag) const {
    for (const PropertyDefinition* property : Properties().WriteSequence()) {
        Trap([&] {
            bag.WriteProperty(property->PersistenceName,
                              property->Save ? property->Save(*this) : property->Get(*this));
        });
    }
}

void ControlBase::SetHost(ControlHost* host) {
    d->host = host;
}

ControlHost& ControlBase::Host() const {
    return d->host != nullptr ? *d->host : DefaultControlHost::Instance();
}

QString ControlBase::InputBox(const QString& prompt, const QString& title, const QString& defaultText) {
    return Host().InputBox(*this, prompt, title, defaultText);
}

void ControlBase::SetExtent(float width, float height) {
    d->extentWidth = width;
    d->extentHeight = height;
    resize(d->PixelSizeOf(width, height));
    // A hidden control gets its resize event only when shown; the hook runs now either way.
    d->RunResizeHook();
}

void ControlBase::SetDesignExtent(float width, float height) {
    d->extentWidth = d->designWidth = width;
    d->extentHeight = d->designHeight = height;
    resize(d->PixelSizeOf(width, height));
}

QSize ControlBase::sizeHint() const {
    return d->PixelSizeOf(d->designWidth, d->designHeight);
}

double ControlBase::TwipsPerPixel() const {
    return Twips::PerPixel(*this);
}

void ControlBase::SetBackColor(uint32_t color) {
    d->backColor = color;
    update();
}

void ControlBase::SetForeColor(uint32_t color) {
    d->foreColor = color;
    update();
}

void ControlBase::SetControlFont(const FontStyle& font) {
    FontStyle::CheckSize(font.Size);
    d->controlFont = font;
    QWidget::setFont(font.ToQFont());
}

float ControlBase::TextWidth(const QString& text, const FontStyle& font) const {
    double widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, TextMeasure::Width(line, font, Twips::LogicalDpi(*this)));
    return static_cast<float>(widest * TwipsPerPixel());
}

void ControlBase::FitFontToHeight(int16_t height, double share) {
    const float lineHeight = TextHeight(QStringLiteral("O"));
    if (!(lineHeight > 0) || height == 0 || lineHeight == static_cast<float>(height))
        return;
    // Scaled in single precision, as the size is held, before the share is taken.
    const double size =
        static_cast<double>(static_cast<float>(height) * d->controlFont.Size / lineHeight) * share;
    FontStyle font = d->controlFont;
    font.Size = static_cast<float>(std::floor(size));
    SetControlFont(font);
}

float ControlBase::TextHeight(const QString& text, const FontStyle& font) const {
    const qsizetype lines = text.count(QLatin1Char('\n')) + 1;
    return static_cast<float>(TextMeasure::LineHeight(font, Twips::LogicalDpi(*this)) *
                              static_cast<double>(lines) * TwipsPerPixel());
}

void ControlBase::RepaintNow() {
    repaint();
}

void ControlBase::YieldOnce() {
    QCoreApplication::processEvents();
}

void ControlBase::Adopt(std::unique_ptr<ControlChild> child) {
    ControlChild& adopted = *child;
    d->children.push_back(std::move(child));
    TabOrder::PlaceChild(adopted, *this);
    update();
}

void ControlBase::DestroyChild(ControlChild& child) {
    auto& children = d->children;
    auto found = std::ranges::find(children, &child, &std::unique_ptr<ControlChild>::get);
    if (found == children.end())
        return;
    ControlChild* leaving = found->release();
    children.erase(found);
    leaving->Dispose();
    update();
}

ControlChild* ControlBase::FindChild(const QString& name, int index) const {
    for (const auto& child : d->children)
        if (child->Name() == name && child->Index() == index)
            return child.get();
    return nullptr;
}

std::optional<QString> ControlBase::Trap(const std::function<void()>& body) {
    try {
        body();
        return std::nullopt;
    } catch (...) {
        return CurrentFailure(ErrorNumber::InternalError).FailureText();
    }
}

bool ControlBase::RunLoader(const std::function<bool()>& body, const std::function<void()>& exitStep,
                            FailurePolicy policy) {
    bool result = false;
    if (const std::optional<QString> failure = Trap([&] { result = body(); })) {
        if (policy == FailurePolicy::Record)
            SetError(*failure);
        result = false;
    }
    if (exitStep)
        exitStep();
    return result;
}

void ControlBase::RunHandler(const std::function<void()>& body, FailurePolicy policy) noexcept {
    std::optional<QString> failure;
    try {
        failure = Trap(body);
    } catch (...) {
        // Building the failure text itself failed (memory); nothing more can be recorded.
        return;
    }
    if (failure && policy == FailurePolicy::Record) {
        try {
            SetError(*failure);
        } catch (...) {
        }
    }
}

std::shared_ptr<const ShownState> ControlBase::SaveShown() const {
    std::vector<ShownState::Entry> entries;
    entries.reserve(d->children.size());
    for (const auto& child : d->children)
        if (std::shared_ptr<const ChildState> state = child->SaveState())
            entries.push_back({child->Name(), child->Index(), std::move(state)});
    return std::make_shared<ShownState>(std::move(entries));
}

void ControlBase::RestoreShown(const ShownState& shown) {
    std::map<ChildKey, const ChildState*> states;
    for (const ShownState::Entry& entry : shown.Entries())
        states.emplace(ChildKey(entry.Name, entry.Index), entry.State.get());
    for (const auto& child : d->children) {
        const auto found = states.find(ChildKey(child->Name(), child->Index()));
        if (found != states.end())
            child->RestoreState(*found->second);
        else
            child->Conceal();
    }
    update();
}

bool ControlBase::ReadInFlight() const {
    return d->readsOut > 0;
}

QDateTime ControlBase::ReadSentAt() const {
    return d->readsOut > 0 ? d->readSentAt : QDateTime();
}

void ControlBase::SetHoldsBackEntries(bool holds) {
    d->holdsBackEntries = holds;
}

void ControlBase::RunEntry(const std::function<void()>& body, FailurePolicy policy) noexcept {
    if (d->entryDepth++ == 0 && d->holdsBackEntries) {
        try {
            d->shownAtEntry = SaveShown();
        } catch (...) {
            d->shownAtEntry.reset(); // out of memory: this entry shows as it goes
        }
    }
    RunHandler(body, policy);
    if (--d->entryDepth == 0)
        RunHandler([this] { d->EndEntry(); }, FailurePolicy::Swallow);
}

void ControlBase::HoldBackEntry(std::function<bool(std::shared_ptr<HeldBack>)> take) {
    if (d->entryDepth > 0 && d->shownAtEntry)
        d->holdBackTakers.push_back(std::move(take));
}

void ControlBase::Private::EndEntry() {
    const std::shared_ptr<const ShownState> before = std::exchange(shownAtEntry, nullptr);
    auto takers = std::exchange(holdBackTakers, {});
    if (before) {
        std::vector<ShownState::Entry> changed = ChangedSince(*before, *q.SaveShown());
        if (!changed.empty()) {
            auto held = std::make_shared<HeldBack>(HeldBack{std::move(changed)});
            bool holding = false;
            for (const auto& take : takers)
                holding = take(held) || holding;
            if (holding) {
                // Back to what the entry began with until the reply: a child the entry made
                // shows nothing yet.
                for (const ShownState::Entry& entry : held->Children) {
                    ControlChild* child = q.FindChild(entry.Name, entry.Index);
                    if (child == nullptr)
                        continue;
                    if (const ChildState* earlier = before->Find(entry.Name, entry.Index))
                        child->RestoreState(*earlier);
                    else
                        child->Conceal();
                }
                std::erase_if(heldBack, [](const auto& weak) { return weak.expired(); });
                heldBack.push_back(held);
            } else {
                // Shown now: a change held back for a read still out must not overwrite it later.
                std::set<ChildKey> newer;
                for (const ShownState::Entry& entry : held->Children)
                    newer.emplace(entry.Name, entry.Index);
                for (const auto& weak : heldBack)
                    if (const std::shared_ptr<HeldBack> pending = weak.lock())
                        std::erase_if(pending->Children, [&](const ShownState::Entry& entry) {
                            return newer.contains(ChildKey(entry.Name, entry.Index));
                        });
            }
        }
    }
    SettleReads();
}

void ControlBase::ShowHeldBack(const HeldBack& held) {
    for (const ShownState::Entry& entry : held.Children)
        if (ControlChild* child = FindChild(entry.Name, entry.Index))
            child->RestoreState(*entry.State);
}

void ControlBase::ReadStarted(const QDateTime& sent) {
    if (d->readsOut++ == 0)
        d->readSentAt = sent;
}

void ControlBase::ReadDropped() {
    if (d->readsOut > 0)
        --d->readsOut;
    if (d->entryDepth == 0)
        d->SettleReads();
}

void ControlBase::ReadEnded(const RequestOutcome& outcome) {
    if (d->readsOut > 0)
        --d->readsOut;
    if (!d->unsettled) {
        d->unsettled = outcome;
    } else {
        d->unsettled->Good = d->unsettled->Good && outcome.Good;
        d->unsettled->Status = outcome.Status;
        d->unsettled->Message = outcome.Message;
        d->unsettled->Url = outcome.Url;
    }
    emit RequestFinished(outcome);
    // A read that ends outside any entry (a host calling a loader method directly) settles here.
    if (d->entryDepth == 0)
        d->SettleReads();
}

void ControlBase::Private::SettleReads() {
    if (readsOut > 0 || entryDepth > 0 || !unsettled)
        return;
    const RequestOutcome settled = *std::exchange(unsettled, std::nullopt);
    emit q.ReadSettled(settled);
}

void ControlBase::PaintSurface(QPainter& painter) {
    painter.fillRect(QRect(QPoint(0, 0), size()), Colors::ToQColor(d->backColor, palette()));
    const double twipsPerPixel = TwipsPerPixel();
    for (const auto& child : d->children)
        child->PaintOnSurface(painter, twipsPerPixel, palette());
}

void ControlBase::SetError(const QString& text) {
    d->error = text;
    emit ErrorChanged(d->error);
}

void ControlBase::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    RunHandler([&] { PaintSurface(painter); }, FailurePolicy::Swallow);
}

void ControlBase::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // A host that sizes the window in pixels moves the twips extent with it; one that set the
    // extent in twips keeps its exact values.
    if (event->size() != d->PixelSizeOf(d->extentWidth, d->extentHeight)) {
        const double twipsPerPixel = TwipsPerPixel();
        d->extentWidth = static_cast<float>(event->size().width() * twipsPerPixel);
        d->extentHeight = static_cast<float>(event->size().height() * twipsPerPixel);
    }
    d->RunResizeHook();
}

QSize ControlBase::Private::PixelSizeOf(float width, float height) const {
    const double twipsPerPixel = q.TwipsPerPixel();
    return QSize(Twips::ToPixel(width, twipsPerPixel), Twips::ToPixel(height, twipsPerPixel));
}

void ControlBase::Private::RunResizeHook() {
    const std::pair<float, float> extent(extentWidth, extentHeight);
    if (resizedExtent == extent)
        return;
    resizedExtent = extent;
    q.RunEntry([this] { q.Resized(); }, q.HandlerFailures());
}

} // namespace k7
