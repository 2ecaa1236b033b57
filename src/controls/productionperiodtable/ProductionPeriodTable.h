#pragma once

#include "frame/control/ServiceControl.h"
#include "frame/drawing/Colors.h"
#include "orvelk7controls_export.h"

#include <QPoint>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace k7 {

class FilledRect;
class Label;
class PopupMenu;
template <class T> class WidgetArray;

// ProductionPeriodTable: what one process produced over a time window (StartDate to EndDate),
// cut into at most twelve equal periods. Six rows of cells (the period's end hour, a capacity, a
// target, produced, bad, and good or good minus capacity), a caption column at the left and, unless
// Accumulated shows running totals, a totals column at the right. The good row is green, yellow or
// red against the period's green and yellow targets. Releasing the mouse on an underlined row
// caption pops up a menu that switches what the row shows; the choice is stored and announced with
// PropertyChanged, and the host reloads (Refresh(True), or Refresh(False) after Accumulated).
// Calls GET "processes/kpis/followup" once per load.
//
// Choices this control makes where the design leaves them open:
// - mnuDiff carries "Good" (item 1, shows the good quantity) and "Diff" (item 2, shows good minus
//   capacity), so each item names what it selects and agrees with LabelGood, whose item 0 captions
//   the good quantity and item 1 the difference.
// - A table of a single column (an empty window with Accumulated) is laid out as if it had one
//   period column: the caption column takes 0.65 of the width, and no division by zero is raised.
// - Before StartDate the elapsed time is negative: BarMax is then empty (width 0), not negative.
//   A window whose dates compare in order as texts but are the same instant counts as over (the
//   bar spans the width).
// - BarMax has no border.
class K7_EXPORT ProductionPeriodTable : public ServiceControl {
    Q_OBJECT
    // The window, "YYYYMMDDhhmmss" or "YYYYMMDD", sent to the service as the host gave it.
    Q_PROPERTY(QString StartDate READ StartDate WRITE setStartDate NOTIFY StartDateChanged)
    Q_PROPERTY(QString EndDate READ EndDate WRITE setEndDate NOTIFY EndDateChanged)
    // The control's own font and text colour, which every cell copies. FontSize reads the size
    // rounded to a whole point; the layout refits it, so it reads back the fitted size. A write
    // that fails puts that attribute back to its default without a word.
    Q_PROPERTY(int FontSize READ FontSize WRITE setFontSize NOTIFY FontSizeChanged)
    Q_PROPERTY(QString FontName READ FontName WRITE setFontName NOTIFY FontNameChanged)
    Q_PROPERTY(QString FontItalic READ FontItalic WRITE setFontItalic NOTIFY FontItalicChanged)
    Q_PROPERTY(QString FontBold READ FontBold WRITE setFontBold NOTIFY FontBoldChanged)
    Q_PROPERTY(uint32_t FontColor READ FontColor WRITE setFontColor NOTIFY FontColorChanged)
    // Caption lists: "a,b,c" or "a,b,c;long a,long b,long c". A row caption is the item its switch
    // selects (underlined: it opens a menu), or the whole text when it has no comma. Writing
    // LabelTarget, LabelGreenTarget, LabelBad or LabelGood also renames the items of that row's
    // menu; a list longer than the menu stores the value, then raises without telling the host.
    Q_PROPERTY(QString LabelOEE READ LabelOEE WRITE setLabelOEE NOTIFY LabelOEEChanged)
    Q_PROPERTY(QString LabelTarget READ LabelTarget WRITE setLabelTarget NOTIFY LabelTargetChanged)
    Q_PROPERTY(QString LabelGreenTarget READ LabelGreenTarget WRITE setLabelGreenTarget NOTIFY
                   LabelGreenTargetChanged)
    Q_PROPERTY(QString LabelProduced READ LabelProduced WRITE setLabelProduced NOTIFY LabelProducedChanged)
    Q_PROPERTY(QString LabelBad READ LabelBad WRITE setLabelBad NOTIFY LabelBadChanged)
    Q_PROPERTY(QString LabelGood READ LabelGood WRITE setLabelGood NOTIFY LabelGoodChanged)
    Q_PROPERTY(QString LabelTotal READ LabelTotal WRITE setLabelTotal NOTIFY LabelTotalChanged)
    // View switches. Planned (0 real, 1 planned figures), RatiosType (capacity: 0 OEE, 1 PE, 2
    // activity), RatiosTypeTarget (0..3 green, 4..7 yellow target of the OEE, PE, speed, OEE x
    // activity family), Bad (0 scrap + rework, 1 scrap, 2 rework), Good / Difference (good quantity
    // or good minus capacity in the last row), Accumulated (running totals, no totals column).
    // Produced is kept and persisted but changes nothing.
    Q_PROPERTY(int Planned READ Planned WRITE setPlanned NOTIFY PlannedChanged)
    Q_PROPERTY(int RatiosType READ RatiosType WRITE setRatiosType NOTIFY RatiosTypeChanged)
    Q_PROPERTY(
        int RatiosTypeTarget READ RatiosTypeTarget WRITE setRatiosTypeTarget NOTIFY RatiosTypeTargetChanged)
    Q_PROPERTY(int Produced READ Produced WRITE setProduced NOTIFY ProducedChanged)
    Q_PROPERTY(int Bad READ Bad WRITE setBad NOTIFY BadChanged)
    Q_PROPERTY(int Good READ Good WRITE setGood NOTIFY GoodChanged)
    Q_PROPERTY(int Difference READ Difference WRITE setDifference NOTIFY DifferenceChanged)
    Q_PROPERTY(bool Accumulated READ Accumulated WRITE setAccumulated NOTIFY AccumulatedChanged)

public:
    explicit ProductionPeriodTable(QWidget* parent = nullptr);
    ~ProductionPeriodTable() override;

    int FontSize() const;
    void setFontSize(int value);
    QString FontName() const;
    void setFontName(const QString& value);
    QString FontItalic() const;
    void setFontItalic(const QString& value);
    QString FontBold() const;
    void setFontBold(const QString& value);
    uint32_t FontColor() const;
    void setFontColor(uint32_t value);

    QString StartDate() const;
    void setStartDate(const QString& value);
    QString EndDate() const;
    void setEndDate(const QString& value);
    QString LabelOEE() const;
    void setLabelOEE(const QString& value);
    QString LabelTarget() const;
    void setLabelTarget(const QString& value);
    QString LabelGreenTarget() const;
    void setLabelGreenTarget(const QString& value);
    QString LabelProduced() const;
    void setLabelProduced(const QString& value);
    QString LabelBad() const;
    void setLabelBad(const QString& value);
    QString LabelGood() const;
    void setLabelGood(const QString& value);
    QString LabelTotal() const;
    void setLabelTotal(const QString& value);
    int Planned() const;
    void setPlanned(int value);
    int RatiosType() const;
    void setRatiosType(int value);
    int RatiosTypeTarget() const;
    void setRatiosTypeTarget(int value);
    int Produced() const;
    void setProduced(int value);
    int Bad() const;
    void setBad(int value);
    int Good() const;
    void setGood(int value);
    int Difference() const;
    void setDifference(int value);
    bool Accumulated() const;
    void setAccumulated(bool value);

    static const ComponentIdentity& ClassIdentity();
    static const PropertyTable& ClassProperties();
    const ComponentIdentity& Identity() const override { return ClassIdentity(); }
    const PropertyTable& Properties() const override { return ClassProperties(); }

    // Rebuilds the grid for the current window, lays it out and loads it; always false.
    Q_INVOKABLE bool LoadFullTable();

    // The period model of the last LoadFullTable (all 0 before it).
    int16_t ColumnCount() const;
    int16_t Hours() const;
    int16_t HoursPerColumn() const;

    // The cells; Cell(row, column) is lblCell(row * ColumnCount + column).
    K7_NO_EXPORT const WidgetArray<Label>& lblCell() const;
    Label& Cell(int row, int column) const;
    K7_NO_EXPORT FilledRect& BarMax() const;
    // mnu(0), (1), (2), (4), (5), (6); 340 for any other index.
    PopupMenu& mnu(int index) const;

    // Background colours of the good row.
    static constexpr uint32_t ColorGreen = Colors::Rgb(147, 239, 68);
    static constexpr uint32_t ColorYellow = Colors::Rgb(255, 255, 77);
    static constexpr uint32_t ColorRed = Colors::Rgb(255, 77, 77);

signals:
    // The property of that name changed value (a write through Assign, its setter or the
    // meta-object); never for a write of the value it already has.
    void StartDateChanged();
    void EndDateChanged();
    void FontSizeChanged();
    void FontNameChanged();
    void FontItalicChanged();
    void FontBoldChanged();
    void FontColorChanged();
    void LabelOEEChanged();
    void LabelTargetChanged();
    void LabelGreenTargetChanged();
    void LabelProducedChanged();
    void LabelBadChanged();
    void LabelGoodChanged();
    void LabelTotalChanged();
    void PlannedChanged();
    void RatiosTypeChanged();
    void RatiosTypeTargetChanged();
    void ProducedChanged();
    void BadChanged();
    void GoodChanged();
    void DifferenceChanged();
    void AccumulatedChanged();
    // The user switched a view option through a menu. The value is stored, but neither the host
    // was asked nor the table reloaded: the host decides when to Refresh.
    void PropertyChanged();

protected:
    void RefreshSequence(bool pBolOpened) override;
    // The host resized the control: the layout follows (nothing before the first LoadFullTable).
    void Resized() override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace k7
