#include "controls/frame/ControlBase.h"

#include "controls/frame/Colors.h"
#include "controls/frame/CommandButton.h"
#include "controls/frame/ControlHost.h"
#include "controls/frame/DefaultControlHost.h"
#include "controls/frame/FilledRect.h"
#include "controls/frame/FontRegistry.h"
#include "controls/frame/Label.h"
#include "controls/frame/Line.h"
#include "controls/frame/PopupMenu.h"
#include "controls/frame/PropertyBag.h"
#include "controls/frame/Shape.h"
#include "controls/frame/Timer.h"
#include "controls/frame/Twips.h"
#include "core/RuntimeError.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>
#include <new>
#include <stdexcept>

namespace k7 {

ControlBase::ControlBase(QWidget* parent) : QWidget(parent) {
    FontRegistry::EnsureRegistered();
    setAttribute(Qt::WA_OpaquePaintEvent);
}

ControlBase::~ControlBase() {
    // Shapes leave the list themselves; widget children are deleted by QWidget after this body,
    // when the list is gone, so they are told not to look for it.
    shapes_.clear();
    for (ControlChild* child : children_)
        child->registered_ = false;
    children_.clear();
}

void ControlBase::SetAPIHost(const QString& value) {
    Assign(QStringLiteral("APIHost"), Variant(value));
}

void ControlBase::SetCompany(const QString& value) {
    Assign(QStringLiteral("Company"), Variant(value));
}

void ControlBase::SetSession(const QString& value) {
    Assign(QStringLiteral("Session"), Variant(value));
}

void ControlBase::SetProcess(const QString& value) {
    Assign(QStringLiteral("Process"), Variant(value));
}

bool ControlBase::Refresh(bool pBolOpened) {
    RefreshSequence(pBolOpened);
    return false;
}

void ControlBase::Assign(const QString& name, const Variant& value) {
    const PropertyDefinition& property = Properties().At(name);
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
            property->Set(*this, PropertyTable::Convert(property->Type,
                                                    bag.ReadProperty(property->PersistenceName, property->Default)));
        });
    }
}

void ControlBase::WriteProperties(PropertyBag& bag) const {
    for (const PropertyDefinition* property : Properties().WriteSequence()) {
        Trap([&] {
            bag.WriteProperty(property->PersistenceName, property->Save ? property->Save(*this) : property->Get(*this));
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
    resizedWidth_ = width;
    resizedHeight_ = height;
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
    const QFontMetricsF metrics(font.ToQFont(), this);
    double widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return static_cast<float>(widest * TwipsPerPixel());
}

float ControlBase::TextHeight(const QString& text, const FontStyle& font) const {
    const QFontMetricsF metrics(font.ToQFont(), this);
    const qsizetype lines = text.count(QLatin1Char('\n')) + 1;
    return static_cast<float>(metrics.height() * static_cast<double>(lines) * TwipsPerPixel());
}

void ControlBase::RepaintNow() {
    repaint();
}

void ControlBase::YieldOnce() {
    QCoreApplication::processEvents();
}

Label& ControlBase::CreateLabel(const QString& name, int index) {
    return *new Label(*this, name, index);
}

CommandButton& ControlBase::CreateButton(const QString& name, int index) {
    return *new CommandButton(*this, name, index);
}

FilledRect& ControlBase::CreateFilledRect(const QString& name, int index) {
    return AddShape<FilledRect>(name, index);
}

Line& ControlBase::CreateLine(const QString& name, int index) {
    return AddShape<Line>(name, index);
}

Timer& ControlBase::CreateTimer(const QString& name, int index) {
    return *new Timer(*this, name, index);
}

PopupMenu& ControlBase::CreatePopupMenu(const QString& name, const QString& itemsName, int index) {
    menus_.push_back(std::make_unique<PopupMenu>(*this, name, itemsName, index));
    return *menus_.back();
}

void ControlBase::DestroyChild(ControlChild& child) {
    auto shape = std::find_if(shapes_.begin(), shapes_.end(), [&](const std::unique_ptr<Shape>& candidate) {
        return candidate.get() == &child;
    });
    if (shape != shapes_.end()) {
        shapes_.erase(shape);
        update();
        return;
    }
    UnregisterChild(child);
    child.registered_ = false;
    if (auto* timer = dynamic_cast<Timer*>(&child))
        timer->SetEnabled(false);
    if (auto* widget = dynamic_cast<QWidget*>(&child))
        widget->hide();
    if (auto* object = dynamic_cast<QObject*>(&child))
        object->deleteLater();
}

ControlChild* ControlBase::FindChild(const QString& name, int index) const {
    for (ControlChild* child : children_)
        if (child->Name() == name && child->Index() == index)
            return child;
    return nullptr;
}

std::optional<QString> ControlBase::Trap(const std::function<void()>& body) {
    const auto standard = [](int32_t number) { return FailureText(number, StandardDescription(number)); };
    try {
        body();
        return std::nullopt;
    } catch (const RuntimeError& error) {
        return FailureText(error.Number(), error.Description());
    } catch (const std::bad_alloc&) {
        return standard(ErrorNumber::OutOfMemory);
    } catch (const std::length_error&) {
        return standard(ErrorNumber::OutOfMemory);
    } catch (const std::out_of_range&) {
        return standard(ErrorNumber::SubscriptOutOfRange);
    } catch (const std::overflow_error&) {
        return standard(ErrorNumber::Overflow);
    } catch (const std::range_error&) {
        return standard(ErrorNumber::Overflow);
    } catch (const std::invalid_argument&) {
        return standard(ErrorNumber::InvalidProcedureCall);
    } catch (...) {
        return standard(ErrorNumber::InternalError);
    }
}

bool ControlBase::RunLoader(const std::function<bool()>& body, const std::function<void()>& exitStep) {
    bool result = false;
    if (const std::optional<QString> failure = Trap([&] { result = body(); })) {
        SetError(*failure);
        result = false;
    }
    if (exitStep)
        exitStep();
    return result;
}

void ControlBase::RunHandler(const std::function<void()>& body) noexcept {
    std::optional<QString> failure;
    try {
        failure = Trap(body);
    } catch (...) {
        // Building the failure text itself failed (memory); nothing more can be recorded.
        return;
    }
    if (failure) {
        try {
            SetError(*failure);
        } catch (...) {
        }
    }
}

void ControlBase::PaintSurface(QPainter& painter) {
    painter.fillRect(QRect(QPoint(0, 0), size()), Colors::ToQColor(backColor_, palette()));
    const double twipsPerPixel = TwipsPerPixel();
    for (const auto& shape : shapes_)
        if (shape->Visible())
            shape->Paint(painter, twipsPerPixel, palette());
}

void ControlBase::SetError(const QString& text) {
    error_ = text;
    emit ErrorChanged(error_);
}

void ControlBase::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    RunHandler([&] { PaintSurface(painter); });
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

template <class T> T& ControlBase::AddShape(const QString& name, int index) {
    auto shape = std::make_unique<T>(*this, name, index);
    T& created = *shape;
    shapes_.push_back(std::move(shape));
    update();
    return created;
}

void ControlBase::RegisterChild(ControlChild& child) {
    children_.push_back(&child);
}

void ControlBase::UnregisterChild(ControlChild& child) {
    children_.erase(std::remove(children_.begin(), children_.end(), &child), children_.end());
}

QSize ControlBase::PixelSizeOf(float width, float height) const {
    const double twipsPerPixel = TwipsPerPixel();
    return QSize(Twips::ToPixel(width, twipsPerPixel), Twips::ToPixel(height, twipsPerPixel));
}

void ControlBase::RunResizeHook() {
    if (extentWidth_ == resizedWidth_ && extentHeight_ == resizedHeight_)
        return;
    resizedWidth_ = extentWidth_;
    resizedHeight_ = extentHeight_;
    RunHandler([this] { Resized(); });
}

} // namespace k7
