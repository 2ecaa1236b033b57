#include "frame/ControlBase.h"

#include "frame/Colors.h"
#include "frame/ControlAccessible.h"
#include "frame/ControlHost.h"
#include "frame/DefaultControlHost.h"
#include "frame/FontRegistry.h"
#include "frame/PropertyBag.h"
#include "frame/TabOrder.h"
#include "frame/TextMeasure.h"
#include "frame/Twips.h"
#include "core/RuntimeError.h"

#include <QCoreApplication>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>

namespace k7 {

ControlBase::ControlBase(QWidget* parent) : QWidget(parent) {
    FontRegistry::EnsureRegistered();
    ControlAccessible::EnsureInstalled();
    setAttribute(Qt::WA_OpaquePaintEvent);
}

ControlBase::~ControlBase() {
    // Before QWidget's own destructor: children that are widgets leave their parent as they go.
    children_.clear();
}

bool ControlBase::Refresh(bool pBolOpened) {
    RefreshSequence(pBolOpened);
    return false;
}

void ControlBase::Assign(const QString& name, const Variant& value) {
    if (designTime_)
        RunHandler([&] { AssignNow(name, value); }, FailurePolicy::Record);
    else
        AssignNow(name, value);
}

void ControlBase::AssignNow(const QString& name, const Variant& value) {
    const PropertyDefinition& property = Properties().At(name);
    if (property.Access == PropertyAccess::ReadOnly)
        Raise(ErrorNumber::PropertyIsReadOnly);
    if (property.Write) {
        property.Write(*this, value);
        return;
    }
    const Variant converted = PropertyTable::Convert(property.Type, value);
    if (property.Form == WriteForm::Plain) {
        property.Set(*this, converted);
        return;
    }
    if (property.Get(*this) == converted)
        return;
    if (!Host().CanPropertyChange(property.PersistenceName))
        return;
    property.Set(*this, converted);
    if (property.BeforeNotify)
        property.BeforeNotify(*this);
    Host().PropertyChanged(property.PersistenceName);
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
    host_ = host;
}

ControlHost& ControlBase::Host() const {
    return host_ != nullptr ? *host_ : DefaultControlHost::Instance();
}

QString ControlBase::InputBox(const QString& prompt, const QString& title, const QString& defaultText) {
    return Host().InputBox(*this, prompt, title, defaultText);
}

void ControlBase::SetExtent(float width, float height) {
    extentWidth_ = width;
    extentHeight_ = height;
    resize(PixelSizeOf(width, height));
    // A hidden control gets its resize event only when shown; the hook runs now either way.
    RunResizeHook();
}

void ControlBase::SetDesignExtent(float width, float height) {
    extentWidth_ = width;
    extentHeight_ = height;
    resize(PixelSizeOf(width, height));
}

double ControlBase::TwipsPerPixel() const {
    return Twips::PerPixel(*this);
}

void ControlBase::SetBackColor(uint32_t color) {
    backColor_ = color;
    update();
}

void ControlBase::SetForeColor(uint32_t color) {
    foreColor_ = color;
    update();
}

void ControlBase::SetControlFont(const FontStyle& font) {
    FontStyle::CheckSize(font.Size);
    controlFont_ = font;
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
        static_cast<double>(static_cast<float>(height) * controlFont_.Size / lineHeight) * share;
    FontStyle font = controlFont_;
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

void ControlBase::Adopt(ControlChild& child) {
    PlaceInTabCycle(child);
    update();
}

void ControlBase::PlaceInTabCycle(ControlChild& child) {
    QWidget* widget = child.Widget();
    if (widget == nullptr)
        return;
    QWidget* previous = nullptr;
    for (const auto& earlier : children_) {
        QWidget* candidate = earlier->Widget();
        if (candidate == widget)
            break;
        if (candidate != nullptr && TabOrder::TakesTabFocus(*candidate))
            previous = candidate;
    }
    TabOrder::Place(*widget, previous, *this);
}

void ControlBase::DestroyChild(ControlChild& child) {
    auto found =
        std::find_if(children_.begin(), children_.end(), [&](const std::unique_ptr<ControlChild>& candidate) {
            return candidate.get() == &child;
        });
    if (found == children_.end())
        return;
    ControlChild* leaving = found->release();
    children_.erase(found);
    leaving->Dispose();
    update();
}

ControlChild* ControlBase::FindChild(const QString& name, int index) const {
    for (const auto& child : children_)
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

void ControlBase::PaintSurface(QPainter& painter) {
    painter.fillRect(QRect(QPoint(0, 0), size()), Colors::ToQColor(backColor_, palette()));
    const double twipsPerPixel = TwipsPerPixel();
    for (const auto& child : children_)
        child->PaintOnSurface(painter, twipsPerPixel, palette());
}

void ControlBase::SetError(const QString& text) {
    error_ = text;
    emit ErrorChanged(error_);
}

void ControlBase::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    RunHandler([&] { PaintSurface(painter); }, FailurePolicy::Swallow);
}

void ControlBase::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // A host that sizes the window in pixels moves the twips extent with it; one that set the
    // extent in twips keeps its exact values.
    if (event->size() != PixelSizeOf(extentWidth_, extentHeight_)) {
        const double twipsPerPixel = TwipsPerPixel();
        extentWidth_ = static_cast<float>(event->size().width() * twipsPerPixel);
        extentHeight_ = static_cast<float>(event->size().height() * twipsPerPixel);
    }
    RunResizeHook();
}

QSize ControlBase::PixelSizeOf(float width, float height) const {
    const double twipsPerPixel = TwipsPerPixel();
    return QSize(Twips::ToPixel(width, twipsPerPixel), Twips::ToPixel(height, twipsPerPixel));
}

void ControlBase::RunResizeHook() {
    const std::pair<float, float> extent(extentWidth_, extentHeight_);
    if (resizedExtent_ == extent)
        return;
    resizedExtent_ = extent;
    RunHandler([this] { Resized(); });
}

} // namespace k7
