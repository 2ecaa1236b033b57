#pragma once

#include "frame/control/ServiceControl.h"
#include "frame/drawing/Colors.h"
#include "orvelk7controls_export.h"

#include <cstdint>
#include <memory>

namespace k7 {

class FilledRect;
class Label;
class Line;
class Timer;
template <class T> class WidgetArray;

// TimeTracker: how long the current production cycle of `Process` has been running against its
// target cycle time, and how the last cycles went. A grey band at the top holds the caption
// (lblText) and a large clock (lblTime, minutes:seconds, white within the target, red beyond it);
// below it one bar per cycle, oldest on the left, between the base line (lineBottom) and the
// target line (lineTop). The rightmost bar grows every second with the elapsed time, green up to
// the target and red at full height beyond it; when the cycle counter changes all bars move one
// place left. GET "processes/cycleTime" (process, session, company) once on the first Refresh,
// then once per tick of `Timer` (1000 ms), which only a successful first load starts.
//
// Where it differs from the other controls: Refresh acts only while Initializer is False and only
// for Refresh(False) (True never loads); the first load sets Initializer without asking the host;
// Resize empties every bar and leaves bars above Bars where they were; APIHost is never
// persisted; the per-second reload never touches Error.
//
// Bars = 0 (what a new control holds before Bars is read or written): there is no bar to divide
// the width by, so the pitch is 0. Resize then lays the band, clock, caption and lines out as
// usual and barTime(0) at the left edge with no width; the ticks keep the clock running and no bar
// grows. The same holds for a negative Bars, which lays out no bar at all.
class K7_EXPORT TimeTracker : public ServiceControl {
    Q_OBJECT
    // True once the first load judged a reply; Refresh does nothing until the host writes False.
    Q_PROPERTY(bool Initializer READ Initializer WRITE setInitializer NOTIFY InitializerChanged)
    // Number of cycle bars shown.
    Q_PROPERTY(int Bars READ Bars WRITE setBars NOTIFY BarsChanged)

public:
    explicit TimeTracker(QWidget* parent = nullptr);
    ~TimeTracker() override;

    bool Initializer() const;
    void setInitializer(bool value);
    int Bars() const;
    void setBars(int value);

    static const ComponentIdentity& ClassIdentity();
    static const PropertyTable& ClassProperties();
    const ComponentIdentity& Identity() const override { return ClassIdentity(); }
    const PropertyTable& Properties() const override { return ClassProperties(); }

    // Starts the per-second ticks.
    Q_INVOKABLE void InitTimer();
    // Stops them; the display freezes. Initializer is not touched.
    Q_INVOKABLE void Reset();
    // Creates the bars up to Bars, shows the chart's widgets and lays them out (Resize). Untrapped.
    Q_INVOKABLE bool ChartCreation();
    // Lays everything out for the current extent and empties every bar. Untrapped.
    Q_INVOKABLE void Resize();

    // Clock text of a count of seconds: whole minutes (rounded down) and the remainder with the
    // sign of `seconds`, each with at least two digits: 75 "01:15", 6000 "100:00", -5 "-01:-05".
    static QString FormatClock(int32_t seconds);

    // timer, bgTop, barTime and the lines are for the library's own tools and tests.
    K7_NO_EXPORT Timer& timer() const;
    Label& lblTime() const;
    Label& lblText() const;
    K7_NO_EXPORT FilledRect& bgTop() const;
    K7_NO_EXPORT WidgetArray<FilledRect>& barTime();
    K7_NO_EXPORT Line& lineBottom() const;
    K7_NO_EXPORT Line& lineTop() const;
    int32_t CycleTarget() const;
    int32_t CycleCount() const;
    int32_t CycleElapsed() const;
    int32_t BarMaxHeight() const;

    static constexpr uint32_t WithinTarget = Colors::Green;
    static constexpr uint32_t OverTarget = Colors::Red;
    static constexpr uint32_t ClockWithinTarget = Colors::White;

signals:
    // The property of that name changed value (a write through Assign, its setter or the
    // meta-object); never for a write of the value it already has.
    void InitializerChanged();
    void BarsChanged();
    // Declared by the control's event interface; TimeTracker never raises it.
    void RemoteControl();

protected:
    void RefreshSequence(bool pBolOpened) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace k7
