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

    // (Re)builds when pBolOpened is false, then loads; the sequence is the control's own. Always
    // false: the host learns of failures through Error. Errors of the layout reach the caller.
    Q_INVOKABLE bool Refresh(bool pBolOpened);

    // --- properties by name, through the table
    // Writes a property as a host does: through the row's own write step when it has one, else
    // converted to the property's type and written in the property's form (plain stores it;
    // notifying does nothing for an equal value, else asks the host under the persistence name,
    // stores only on approval and then tells the host).
    // At design time a refused write leaves the property as it was and records the failure in
    // Error instead of throwing it (see SetDesignTime).
    void Assign(const QString& name, const Variant& value);
    // The stored value in the property's type (also for write-only properties).
    Variant Value(const QString& name) const;

    // Restores every persisted property in the table's read order, each from `bag` with the
    // table's default, converted to the property's type and stored directly; a property that
    // fails is skipped and the others are still read. Creates and loads nothing.
    void ReadProperties(const PropertyBag& bag);
    // Writes every persisted property in the table's write order, also values equal to defaults.
    void WriteProperties(PropertyBag& bag) const;

    // --- design time
    // Set by a form editor (the Qt Designer plugin) for the controls on the form it edits. Its
    // property editor writes through the meta-object, where an exception has nowhere to go but
    // out of the editor, so property writes record their failures instead (out of range, wrong
    // type). False for controls an application creates.
    void SetDesignTime(bool designTime);
    bool DesignTime() const;

    // --- host
    void SetHost(ControlHost* host); // nullptr: back to DefaultControlHost
    ControlHost& Host() const;
    QString InputBox(const QString& prompt, const QString& title, const QString& defaultText);

    // --- extent and twips
    // Outer width and height in twips, as the host gave them (ScaleWidth/ScaleHeight: the inner
    // area, the same here since the control has no border).
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
    // Width and height of a text in twips, in the control's font or in `font`, as TextMeasure
    // measures them: the widest line, and one line height per line break plus one.
    float TextWidth(const QString& text) const { return TextWidth(text, ControlFont()); }
    float TextWidth(const QString& text, const FontStyle& font) const;
    float TextHeight(const QString& text) const { return TextHeight(text, ControlFont()); }
    float TextHeight(const QString& text, const FontStyle& font) const;
    // Sizes the control's font so that one line fills `height` twips, times `share` (a grid of
    // narrow cells takes less), rounded down to a whole size. Nothing when no line can be measured
    // or one already fills the height exactly; 380 for a size no font can have.
    void FitFontToHeight(int16_t height, double share = 1.0);
    // Paints the control and its children now, before returning.
    void RepaintNow();
    // Lets the event loop run once (pending paints, input), then returns.
    void YieldOnce();

    // --- children
    // Creates a child of kind T (Label, CommandButton, FilledRect, Line, Timer, PopupMenu, or any
    // kind derived from ControlChild) named `name`, element `index` of its array (-1: no array),
    // with T's further constructor arguments. The control owns it for its life.
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
    // Shows `shown` again on the live children: each child it names takes its state back, a child
    // made since is hidden, a child gone since stays gone. The control's own data (Error, its
    // properties, what its loaders stored) is not touched: a host holding a control's last good
    // figures over a failed refresh shows them without changing what the control knows.
    void RestoreShown(const ShownState& shown);
    // A read of this control is out: sent, its reply not yet handled (a service control in the
    // NonBlocking mode, the path view's polled request).
    bool ReadInFlight() const;
    // When the read out was sent; invalid while none is out.
    QDateTime ReadSentAt() const;

    // --- failure trap
    // Runs `body`; an error it raises becomes a failure text (number, "-", description), with the
    // runtime's numbers for standard library failures and 51 for anything else.
    static std::optional<QString> Trap(const std::function<void()>& body);
    // The loader shape: runs `body` under the trap (a failure is recorded in Error unless
    // `policy` swallows it, and makes the result false), then always runs `exitStep`. Returns
    // body's result.
    bool RunLoader(const std::function<bool()>& body, const std::function<void()>& exitStep = {},
                   FailurePolicy policy = FailurePolicy::Record);
    // For everything Qt calls: runs `body`, never throws; a failure goes where `policy` says
    // (by default the control's HandlerFailures()).
    void RunHandler(const std::function<void()>& body) noexcept { RunHandler(body, HandlerFailures()); }
    void RunHandler(const std::function<void()>& body, FailurePolicy policy) noexcept;
    FailurePolicy HandlerFailures() const;

    // Connects a child's event (Clicked, MouseReleased, Tick, ...) to `handler` run under
    // RunHandler, so an error in a click or tick handler never reaches the event loop; `policy`
    // overrides the control's choice for this one connection.
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
    // A read is over with everything it set off: its handlers, the reads they sent in turn and the
    // steps held for them have run, so what the control shows now follows from it. Good only when
    // every read of the chain was good; Time is when the first was sent. A host that holds a
    // control's last good figures takes or restores them here, before anything is painted.
    void ReadSettled(const k7::RequestOutcome& outcome);

protected:
    // The control's own Refresh steps.
    virtual void RefreshSequence(bool pBolOpened) = 0;
    // The control was placed or its extent changed (runs under RunHandler).
    virtual void Resized() {}
    // Paints the background and the painted children in creation order; a control that draws more
    // on its surface overrides it and calls the base first. Works on any painter (image, widget).
    virtual void PaintSurface(QPainter& painter);

    // Sets the extent in a constructor, without running the resize hook.
    void SetDesignExtent(float width, float height);
    void SetError(const QString& text);
    // Where failures of the control's handlers go; a control whose failures never reach Error
    // (the path view) swallows them.
    void SetHandlerFailures(FailurePolicy policy);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    // --- entries: Refresh, the handlers ConnectHandler connects, the resize hook, and whatever a
    // request form runs when a reply arrives. Entries may nest; the outermost one decides what
    // the screen sees.
    void RunEntry(const std::function<void()>& body, FailurePolicy policy) noexcept;
    // What a read sent in the current entry holds back: the children the entry changed, kept off
    // the screen until the reply, when ShowHeldBack puts them on before the handlers run.
    struct HeldBack;
    // Called by a read going out in the NonBlocking mode. When the outermost entry ends, the
    // children it changed show what they showed when it began, and `take` receives their new
    // states; `take` answers false when its read already ended (the reply came while the entry
    // still ran), and nothing is then held back. Outside an entry nothing is held back.
    void HoldBackEntry(std::function<bool(std::shared_ptr<HeldBack>)> take);
    void ShowHeldBack(const HeldBack& held);
    // Entries take what the screen shows when they start, so that a read they send can hold back
    // their changes (the NonBlocking mode); off by default.
    void SetHoldsBackEntries(bool holds);
    // The read bookkeeping behind ReadInFlight, RequestFinished and ReadSettled, for the request
    // forms: a read went out; a read ended (RequestFinished, then ReadSettled once nothing is out
    // and the outermost entry ends).
    void ReadStarted(const QDateTime& sent);
    void ReadEnded(const RequestOutcome& outcome, bool stillOut = false);
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
