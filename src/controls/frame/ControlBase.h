#pragma once

#include "controls/frame/ComponentIdentity.h"
#include "controls/frame/FontStyle.h"
#include "controls/frame/PropertyTable.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace k7 {

class CommandButton;
class ControlChild;
class ControlHost;
class FilledRect;
class Label;
class Line;
class PopupMenu;
class PropertyBag;
class Shape;
class Timer;

// What every control of the library shares: the connection properties and Error, Refresh, the
// notifying and plain property writes, persistence through a PropertyBag, the loader trap, the
// children (labels and buttons as widgets, rectangles and lines painted on the control's own
// surface below them), and the surface services the controls draw with (twips, text measurement,
// repaint-now, yield-once, the modal prompt).
//
// A control declares its property table (Properties()) and its identity (Identity()), builds its
// design-state children in its constructor, and implements RefreshSequence. Methods the host calls
// let untrapped errors reach the host as RuntimeError; everything Qt calls (clicks, ticks, menu
// choices, resizes) goes through RunHandler and ends up in Error instead.
class ControlBase : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString APIHost READ APIHost WRITE SetAPIHost)
    Q_PROPERTY(QString Company READ Company WRITE SetCompany)
    Q_PROPERTY(QString Session READ Session WRITE SetSession)
    Q_PROPERTY(QString Process READ Process WRITE SetProcess)
    Q_PROPERTY(QString Error READ Error NOTIFY ErrorChanged)

public:
    explicit ControlBase(QWidget* parent = nullptr);
    ~ControlBase() override;

    virtual const ComponentIdentity& Identity() const = 0;
    virtual const PropertyTable& Properties() const = 0;

    // --- connection properties (write form from the control's table)
    const QString& APIHost() const { return apiHost_; }
    void SetAPIHost(const QString& value);
    const QString& Company() const { return company_; }
    void SetCompany(const QString& value);
    const QString& Session() const { return session_; }
    void SetSession(const QString& value);
    const QString& Process() const { return process_; }
    void SetProcess(const QString& value);
    // The last trapped failure: number, "-", description. Empty until a failure happens.
    const QString& Error() const { return error_; }

    // (Re)builds when pBolOpened is false, then loads; the sequence is the control's own. Always
    // false: the host learns of failures through Error. Errors of the layout reach the caller.
    Q_INVOKABLE bool Refresh(bool pBolOpened);

    // --- properties by name, through the table
    // Converts `value` to the property's type, then writes it in the property's write form:
    // plain stores it; notifying does nothing for an equal value, else asks the host under the
    // persistence name, stores only on approval and then tells the host.
    void Assign(const QString& name, const Variant& value);
    Variant Value(const QString& name) const;

    // Restores every persisted property in the table's read order, each from `bag` with the
    // table's default, converted to the property's type and stored directly; a property that
    // fails is skipped and the others are still read. Creates and loads nothing.
    void ReadProperties(const PropertyBag& bag);
    // Writes every persisted property in the table's write order, also values equal to defaults.
    void WriteProperties(PropertyBag& bag) const;

    // --- host
    void SetHost(ControlHost* host); // nullptr: back to DefaultControlHost
    ControlHost& Host() const;
    QString InputBox(const QString& prompt, const QString& title, const QString& defaultText);

    // --- extent and twips
    // Outer width and height in twips, as the host gave them (ScaleWidth/ScaleHeight: the inner
    // area, the same here since the control has no border).
    float Width() const { return extentWidth_; }
    float Height() const { return extentHeight_; }
    float ScaleWidth() const { return extentWidth_; }
    float ScaleHeight() const { return extentHeight_; }
    // Resizes the control to an extent in twips, as a host does; runs the control's resize hook.
    void SetExtent(float width, float height);
    double TwipsPerPixel() const;
    double TwipsToPixels(double twips) const { return twips / TwipsPerPixel(); }
    double PixelsToTwips(double pixels) const { return pixels * TwipsPerPixel(); }

    // --- the control's own surface
    uint32_t BackColor() const { return backColor_; }
    void SetBackColor(uint32_t color);
    uint32_t ForeColor() const { return foreColor_; }
    void SetForeColor(uint32_t color);
    const FontStyle& ControlFont() const { return controlFont_; }
    void SetControlFont(const FontStyle& font); // 380 for an impossible size
    // Width and height of a text in twips, in the control's font or in `font`. The height is one
    // line per line break plus one.
    float TextWidth(const QString& text) const { return TextWidth(text, controlFont_); }
    float TextWidth(const QString& text, const FontStyle& font) const;
    float TextHeight(const QString& text) const { return TextHeight(text, controlFont_); }
    float TextHeight(const QString& text, const FontStyle& font) const;
    // Paints the control and its children now, before returning.
    void RepaintNow();
    // Lets the event loop run once (pending paints, input), then returns.
    void YieldOnce();

    // --- children
    Label& CreateLabel(const QString& name, int index = -1);
    CommandButton& CreateButton(const QString& name, int index = -1);
    FilledRect& CreateFilledRect(const QString& name, int index = -1);
    Line& CreateLine(const QString& name, int index = -1);
    Timer& CreateTimer(const QString& name, int index = -1);
    PopupMenu& CreatePopupMenu(const QString& name, const QString& itemsName, int index = -1);
    // Removes a child at once from the control (list, painting, events); a widget is deleted when
    // control returns to the event loop, so a handler of that very widget can still finish.
    void DestroyChild(ControlChild& child);
    // Every child in creation order.
    const std::vector<ControlChild*>& Children() const { return children_; }
    ControlChild* FindChild(const QString& name, int index = -1) const;
    const std::vector<std::unique_ptr<PopupMenu>>& PopupMenus() const { return menus_; }

    // --- failure trap
    // Runs `body`; an error it raises becomes a failure text (number, "-", description). Standard
    // library failures are given runtime numbers: 7 for memory, 9 for an index out of range, 6 for
    // overflow, 5 for an invalid argument, 51 for anything else.
    static std::optional<QString> Trap(const std::function<void()>& body);
    // The loader shape: runs `body` under the trap (a failure sets Error and makes the result
    // false), then always runs `exitStep`. Returns body's result.
    bool RunLoader(const std::function<bool()>& body, const std::function<void()>& exitStep = {});
    // For everything Qt calls: runs `body`, records a failure in Error, never throws.
    void RunHandler(const std::function<void()>& body) noexcept;

    // Connects a child's event (Clicked, MouseReleased, Tick, ...) to `handler` run under
    // RunHandler, so an error in a click or tick handler lands in Error instead of the event loop.
    template <class Sender, class Signal, class Handler>
    QMetaObject::Connection ConnectHandler(Sender* sender, Signal signal, Handler handler) {
        return connect(sender, signal, this,
                       [this, handler](auto... arguments) { RunHandler([&] { handler(arguments...); }); });
    }

signals:
    // Error changed (a trapped failure); for hosts that show it.
    void ErrorChanged(const QString& error);

protected:
    // The control's own Refresh steps.
    virtual void RefreshSequence(bool pBolOpened) = 0;
    // The host resized the control (runs under RunHandler).
    virtual void Resized() {}
    // Paints the background and the shapes in creation order; a control that draws more on its
    // surface overrides it and calls the base first. Works on any painter (image, widget).
    virtual void PaintSurface(QPainter& painter);

    // Sets the extent in a constructor, without running the resize hook.
    void SetDesignExtent(float width, float height);
    void SetError(const QString& text);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    QString apiHost_;
    QString company_;
    QString session_;
    QString process_;

private:
    friend class ControlChild;
    void RegisterChild(ControlChild& child);
    void UnregisterChild(ControlChild& child);
    // Creates a painted child and puts it on top of the shapes painted so far.
    template <class T> T& AddShape(const QString& name, int index);
    QSize PixelSizeOf(float width, float height) const;
    void RunResizeHook();

    QString error_;
    ControlHost* host_ = nullptr;
    float extentWidth_ = 0;
    float extentHeight_ = 0;
    float resizedWidth_ = -1;
    float resizedHeight_ = -1;
    uint32_t backColor_ = 0x8000000F;
    uint32_t foreColor_ = 0x80000012;
    FontStyle controlFont_;
    std::vector<ControlChild*> children_;
    std::vector<std::unique_ptr<Shape>> shapes_;
    std::vector<std::unique_ptr<PopupMenu>> menus_;
};

} // namespace k7
