#pragma once

#include "frame/children/ControlChild.h"
#include "frame/drawing/FontStyle.h"
#include "frame/properties/ComponentIdentity.h"
#include "frame/properties/PropertyTable.h"
#include "frame/requests/RequestOutcome.h"
#include "orvelk7controls_export.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace k7 {

class ControlHost;
class PropertyBag;
class ShownState;

// What happens to a failure of a handler the event loop runs (a click, a tick, a menu choice, a
// resize): Record keeps its text in Error, Swallow drops it. Paint failures are always dropped:
// a control is painted many times over and a paint never reports.
enum class FailurePolicy { Record, Swallow };

// What every control of the library has: Error, Refresh, the notifying and plain property writes,
// persistence through a PropertyBag, the loader trap, the children (labels and buttons as widgets,
// everything else painted on the control's own surface below them, in creation order), and the
// surface services the controls draw with (twips, text measurement, repaint-now, yield-once, the
// modal prompt). The connection to the plant's service is not here: six controls add it through
// ServiceControl; the path view addresses its own drawing service.
//
// A control declares its property table (Properties()) and its identity (Identity()), builds its
// design-state children in its constructor, and implements RefreshSequence. Methods the host calls
// let untrapped errors reach the host as RuntimeError; everything Qt calls goes through RunHandler.
//
// The resize hook: Resized() runs whenever the extent changes, and once when the control is first
// placed (shown, or given an extent by SetExtent), even at its design size, as a component host
// sizes a control when it sites it.
class K7_EXPORT ControlBase : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Error READ Error NOTIFY ErrorChanged)

public:
    // The key the controls' identities name Error by (read-only).
    static constexpr PropertyKey ErrorProperty{"Error", true};

    explicit ControlBase(QWidget* parent = nullptr);
    ~ControlBase() override;

    virtual const ComponentIdentity& Identity() const = 0;
    virtual const PropertyTable& Properties() const = 0;

    // The last trapped failure: number, "-", description. Empty until a failure happens.
    const QString& Error() const;

    // (Re)builds when pBolOpened is false, then loads; always false (failures go to Error).
    Q_INVOKABLE bool Refresh(bool pBolOpened);

    // --- properties by name, through the table
    // Writes a property as a host does, in the form its table row gives (docs/controls.md).
    void Assign(const QString& name, const Variant& value);
    // The stored value in the property's type (also for write-only properties).
    Variant Value(const QString& name) const;

    // Restores every persisted property from `bag`, skipping one that fails; loads nothing.
    void ReadProperties(const PropertyBag& bag);
    // Writes every persisted property in the table's write order, also values equal to defaults.
    void WriteProperties(PropertyBag& bag) const;

    // --- design time
    // Set by a form editor for the controls it edits: a refused property write then goes to Error.
    void SetDesignTime(bool designTime);
    bool DesignTime() const;

    // --- host
    void SetHost(ControlHost* host); // nullptr: back to DefaultControlHost
    ControlHost& Host() const;
    QString InputBox(const QString& prompt, const QString& title, const QString& defaultText);

    // --- extent and twips
    // Outer width and height in twips (the inner Scale extent is the same: there is no border).
    float Width() const;
    float Height() const;
    float ScaleWidth() const { return Width(); }
    float ScaleHeight() const { return Height(); }
    // Resizes the control to an extent in twips, as a host does; runs the control's resize hook.
    void SetExtent(float width, float height);
    // The design extent in pixels: the size the control has when created.
    QSize sizeHint() const override;
    double TwipsPerPixel() const;
    double TwipsToPixels(double twips) const { return twips / TwipsPerPixel(); }
    double PixelsToTwips(double pixels) const { return pixels * TwipsPerPixel(); }

    // --- the control's own surface
    uint32_t BackColor() const;
    void SetBackColor(uint32_t color);
    uint32_t ForeColor() const;
    void SetForeColor(uint32_t color);
    const FontStyle& ControlFont() const;
    void SetControlFont(const FontStyle& font); // 380 for an impossible size
    // Width (widest line) and height (one line height per line) of a text in twips.
    float TextWidth(const QString& text) const { return TextWidth(text, ControlFont()); }
    float TextWidth(const QString& text, const FontStyle& font) const;
    float TextHeight(const QString& text) const { return TextHeight(text, ControlFont()); }
    float TextHeight(const QString& text, const FontStyle& font) const;
    // Sizes the control's font, rounded down, so that one line fills `share` of `height` twips.
    void FitFontToHeight(int16_t height, double share = 1.0);
    // Paints the control and its children now, before returning.
    void RepaintNow();
    // Lets the event loop run once (pending paints, input), then returns.
    void YieldOnce();

    // --- children
    // Creates a child of kind T named `name`, element `index` of its array (-1: none), owned here.
    template <class T, class... Args> T& Create(const QString& name, int index = -1, Args&&... arguments) {
        auto child = std::make_unique<T>(*this, name, index, std::forward<Args>(arguments)...);
        T& created = *child;
        Adopt(std::move(child));
        return created;
    }
    // Removes a child at once from the control (list, painting, events) and ends its life.
    void DestroyChild(ControlChild& child);
    // Every child in creation order.
    const std::vector<std::unique_ptr<ControlChild>>& Children() const;
    ControlChild* FindChild(const QString& name, int index = -1) const;

    // --- what the control shows
    // Every child's state as it stands (geometry, captions, colours, fonts, pictures, visibility).
    std::shared_ptr<const ShownState> SaveShown() const;
    // Shows `shown` again on the live children, leaving what the control knows untouched.
    void RestoreShown(const ShownState& shown);
    // A read of this control is out: sent, its reply not yet handled.
    bool ReadInFlight() const;
    // When the read out was sent; invalid while none is out.
    QDateTime ReadSentAt() const;

    // --- failure trap
    // Runs `body` and returns the failure text (number, "-", description) of an error it raises.
    static std::optional<QString> Trap(const std::function<void()>& body);
    // Runs `body` under the trap, then always `exitStep`; body's result, false when it failed.
    bool RunLoader(const std::function<bool()>& body, const std::function<void()>& exitStep = {},
                   FailurePolicy policy = FailurePolicy::Record);
    // Runs `body` for everything Qt calls, never throwing: a failure goes where `policy` says.
    void RunHandler(const std::function<void()>& body) noexcept { RunHandler(body, HandlerFailures()); }
    void RunHandler(const std::function<void()>& body, FailurePolicy policy) noexcept;
    FailurePolicy HandlerFailures() const;

    // Connects a child's event to `handler`, run as an entry so no error reaches the event loop.
    template <class Sender, class Signal, class Handler>
    QMetaObject::Connection ConnectHandler(Sender* sender, Signal signal, Handler handler,
                                           std::optional<FailurePolicy> policy = std::nullopt) {
        return connect(sender, signal, this, [this, handler, policy](auto... arguments) {
            RunEntry([&] { handler(arguments...); }, policy.value_or(HandlerFailures()));
        });
    }

signals:
    // Error changed (a trapped failure); for hosts that show it.
    void ErrorChanged(const QString& error);
    // Every read this control sent, once it ended (see RequestOutcome), before its handlers run.
    void RequestFinished(const k7::RequestOutcome& outcome);
    // A read is over with everything it set off (good only when every read of it was good).
    void ReadSettled(const k7::RequestOutcome& outcome);

protected:
    // The control's own Refresh steps.
    virtual void RefreshSequence(bool pBolOpened) = 0;
    // The control was placed or its extent changed (runs under RunHandler).
    virtual void Resized() {}
    // Paints the background and the painted children in creation order, on any painter.
    virtual void PaintSurface(QPainter& painter);

    // Sets the extent in a constructor, without running the resize hook.
    void SetDesignExtent(float width, float height);
    void SetError(const QString& text);
    // Where failures of the control's handlers go (Error by default).
    void SetHandlerFailures(FailurePolicy policy);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    // --- entries: Refresh, handlers, the resize hook and reply handling (docs/controls.md)
    // Runs `body` as an entry; the outermost of nested entries decides what the screen sees.
    void RunEntry(const std::function<void()>& body, FailurePolicy policy) noexcept;
    // The children an entry changed, kept off the screen until its read's reply.
    struct HeldBack;
    // Holds the current entry's changes back for a read going out; `take` receives them.
    void HoldBackEntry(std::function<bool(std::shared_ptr<HeldBack>)> take);
    // Puts held-back changes on the screen (before the reply's handlers run).
    void ShowHeldBack(const HeldBack& held);
    // Entries take what the screen shows when they start, so their reads can hold changes back.
    void SetHoldsBackEntries(bool holds);
    // A read went out (the bookkeeping behind ReadInFlight).
    void ReadStarted(const QDateTime& sent);
    // A read ended: RequestFinished now, ReadSettled once nothing is out and no entry runs.
    void ReadEnded(const RequestOutcome& outcome);
    // A read out was abandoned (superseded, stopped): nothing of it is reported.
    void ReadDropped();

private:
    friend class PolledRequest; // a polled read reports through ReadStarted and ReadEnded
    // Takes a child just created into the list: its place in the Tab cycle, a repaint.
    void Adopt(std::unique_ptr<ControlChild> child);

    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace k7
