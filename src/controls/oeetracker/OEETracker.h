#pragma once

#include "frame/control/ServiceControl.h"
#include "frame/drawing/Colors.h"
#include "orvelk7controls_export.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace k7 {

class FilledRect;
class Label;
class Line;
template <class T> class WidgetArray;

// OEETracker: the overall equipment effectiveness of process `Process`, one day slot per day of
// the month that ends at `StartDate`. In each slot a marker of fixed height stands at the day's OEE
// on a 0..100 % scale, green at or above the day's green target, yellow at or above its yellow
// target, red below; grey grid lines mark the slots and the 0/25/50/75/100 % levels, day numbers
// run along the top and the percentages down the left edge. One GET "processes/kpis/dashboard"
// (process, datefrom = 31 days before StartDate, dateto = StartDate, session, company) per Refresh.
//
// Where it differs from the other controls: Refresh ignores pBolOpened and rebuilds the chart on
// every call; a rebuild with a smaller BarNum leaves the markers, labels and slot lines above it
// where they were (nothing is hidden); APIHost is never persisted; BarNum is a 16-bit integer
// behind a text interface. The control does not follow a resize: the host calls Refresh.
//
// Day-label stride: BarNum + 1 slots over W / 240 label places, rounded. On a control wider than
// 480 x (BarNum + 1) twips that ratio rounds to 0; every slot is then wide enough for its own day
// number, so the stride becomes 1 slot and every day label is shown (the rule never divides by 0).
class K7_EXPORT OEETracker : public ServiceControl {
    Q_OBJECT
    // Last day of the charted window, "YYYYMMDDhhmmss" (its end, despite the name).
    Q_PROPERTY(QString StartDate READ StartDate WRITE setStartDate NOTIFY StartDateChanged)
    Q_PROPERTY(QString BarNum READ BarNum WRITE setBarNum NOTIFY BarNumChanged)

public:
    explicit OEETracker(QWidget* parent = nullptr);
    ~OEETracker() override;

    QString StartDate() const;
    void setStartDate(const QString& value);

    static const ComponentIdentity& ClassIdentity();
    static const PropertyTable& ClassProperties();
    const ComponentIdentity& Identity() const override { return ClassIdentity(); }
    const PropertyTable& Properties() const override { return ClassProperties(); }

    // Index of the last day slot, as text; a write converts it to a 16-bit integer (13 for text
    // that is no number, 6 beyond the range), untrapped.
    QString BarNum() const;
    void setBarNum(const QString& value);

    // LoadFullDays(StartDate), its Boolean result held in a variant.
    Q_INVOKABLE k7::Variant LoadFullChart();
    // Moves marker pLngIndex to the OEE of [pStrStart, pStrEnd] without storing it; a failure's
    // text goes to pStrError only.
    Q_INVOKABLE bool LoadOneDay(const QString& pStrStart, const QString& pStrEnd, int32_t pLngIndex,
                                QString& pStrError);
    // Places every stored day's marker at its OEE in its colour and repaints; always false.
    Q_INVOKABLE bool ShowData();
    // Stores the 31 days up to pStrEnd in reply order; true when a reply was judged.
    Q_INVOKABLE bool LoadFullDays(const QString& pStrEnd);
    // Lays out the empty chart for the current extent and BarNum and clears the stored days.
    // Untrapped: a failing widget assignment reaches the caller.
    Q_INVOKABLE void ChartCreation();

    // The children the control paints, for the library's own tools and tests.
    K7_NO_EXPORT WidgetArray<FilledRect>& barOee();
    K7_NO_EXPORT WidgetArray<Line>& lineV();
    K7_NO_EXPORT WidgetArray<Line>& LineH();
    K7_NO_EXPORT WidgetArray<Label>& lblDay();
    K7_NO_EXPORT WidgetArray<Label>& lblOeeV();
    const std::vector<int16_t>& OeeValues() const;
    const std::vector<uint32_t>& BarColors() const;

    static constexpr uint32_t Green = Colors::Rgb(0, 192, 0);
    static constexpr uint32_t Yellow = Colors::Yellow;
    static constexpr uint32_t Red = Colors::Red;
    static constexpr uint32_t Grid = Colors::Rgb(128, 128, 128);

signals:
    // The property of that name changed value (a write through Assign, its setter or the
    // meta-object); never for a write of the value it already has.
    void StartDateChanged();
    void BarNumChanged();
    // Declared by the control's event interface; OEETracker never raises it.
    void RemoteControl();

protected:
    void RefreshSequence(bool pBolOpened) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace k7
