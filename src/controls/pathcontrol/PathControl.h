#pragma once

#include "core/Date.h"
#include "frame/control/ControlBase.h"
#include "orvelk7controls_export.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace k7 {

class CanvasInterpreter;
class HttpRequestObject;
class PolledRequest;
class RasterSurface;
class Timer;

// PathControl: a picture of a production path (areas and processes with their ratios) that a
// separate drawing service computes. The control interprets no production data: Refresh sends one
// asynchronous GET to URL with all its settings and its size in a twenty-parameter query, the
// timer polls the request every 500 ms, and the reply, a canvas drawing script, is run by the
// CanvasInterpreter on the picture. Failures (HTTP statuses, the 60-second time-out, a request
// that cannot start, a script error) are drawn as text at (10, 20); Error always stays empty.
//
// Unlike the other controls it has no APIHost and no REST client: its one request is the frame's
// PolledRequest, polled by tmrPath (the server kind of request object, with no time-outs of its
// own, so the only limit is the 60 seconds), every writable property notifies the host, and
// Refresh ignores pBolOpened.
//
// The device context. TextRotate draws on a device context given by a handle, as the platform's
// text functions do. Here the only device context a control has is its picture: hDC() is a handle
// issued to the control when it is created (non-zero, different for every control of the process)
// and TextRotate resolves it against that picture alone. Any other handle, 0 or another control's,
// is no device context of this control, and TextRotate fails (returns false) the way selecting a
// font into an invalid device context fails. The font TextRotate turns is the picture's font.
class K7_EXPORT PathControl : public ControlBase {
    Q_OBJECT
    // --- properties. All notifying; before the first ReadProperties everything is empty or zero
    // (IP "", Port 0, HoursExtraAdd false), after it the defaults hold (IP "127.0.0.1", Port
    // 10000, HoursExtraAdd true). Refresh rewrites StartDate and EndDate (truncated to the hour and
    // extended, see RequestPath) without notifying anyone.
    Q_PROPERTY(QString URL READ URL WRITE setURL NOTIFY URLChanged)
    Q_PROPERTY(QString IP READ IP WRITE setIP NOTIFY IPChanged)
    Q_PROPERTY(int Port READ Port WRITE setPort NOTIFY PortChanged)
    Q_PROPERTY(QString Company READ Company WRITE setCompany NOTIFY CompanyChanged)
    // Persisted only: never sent.
    Q_PROPERTY(QString Session READ Session WRITE setSession NOTIFY SessionChanged)
    Q_PROPERTY(QString Area READ Area WRITE setArea NOTIFY AreaChanged)
    Q_PROPERTY(QString Process READ Process WRITE setProcess NOTIFY ProcessChanged)
    Q_PROPERTY(QString StartDate READ StartDate WRITE setStartDate NOTIFY StartDateChanged)
    Q_PROPERTY(QString EndDate READ EndDate WRITE setEndDate NOTIFY EndDateChanged)
    Q_PROPERTY(QString User READ User WRITE setUser NOTIFY UserChanged)
    Q_PROPERTY(QString Device READ Device WRITE setDevice NOTIFY DeviceChanged)
    Q_PROPERTY(bool HoursExtraAdd READ HoursExtraAdd WRITE setHoursExtraAdd NOTIFY HoursExtraAddChanged)
    Q_PROPERTY(int Planned READ Planned WRITE setPlanned NOTIFY PlannedChanged)
    Q_PROPERTY(int RatiosType READ RatiosType WRITE setRatiosType NOTIFY RatiosTypeChanged)
    Q_PROPERTY(
        int RatiosTypeTarget READ RatiosTypeTarget WRITE setRatiosTypeTarget NOTIFY RatiosTypeTargetChanged)
    // The date value as its serial (days since 1899-12-30), the form hosts exchange dates in.
    Q_PROPERTY(double LastRefresh READ LastRefreshSerial)

public:
    // Whole seconds a request may take before the time-out text replaces it.
    static constexpr int64_t TimeOutSeconds = 60;
    // Milliseconds between two polls of a request in flight.
    static constexpr int PollInterval = 500;

    explicit PathControl(QWidget* parent = nullptr);
    ~PathControl() override;

    QString URL() const;
    void setURL(const QString& value);
    QString IP() const;
    void setIP(const QString& value);
    int Port() const;
    void setPort(int value);
    QString Company() const;
    void setCompany(const QString& value);
    QString Session() const;
    void setSession(const QString& value);
    QString Area() const;
    void setArea(const QString& value);
    QString Process() const;
    void setProcess(const QString& value);
    QString StartDate() const;
    void setStartDate(const QString& value);
    QString EndDate() const;
    void setEndDate(const QString& value);
    QString User() const;
    void setUser(const QString& value);
    QString Device() const;
    void setDevice(const QString& value);
    bool HoursExtraAdd() const;
    void setHoursExtraAdd(bool value);
    int Planned() const;
    void setPlanned(int value);
    int RatiosType() const;
    void setRatiosType(int value);
    int RatiosTypeTarget() const;
    void setRatiosTypeTarget(int value);

    static const ComponentIdentity& ClassIdentity();
    static const PropertyTable& ClassProperties();
    const ComponentIdentity& Identity() const override { return ClassIdentity(); }
    const PropertyTable& Properties() const override { return ClassProperties(); }

    // When Processing last drew a reply, a status text or the time-out text; the zero date until
    // then and after Reset.
    Date LastRefresh() const;
    double LastRefreshSerial() const;

    // --- methods
    // Draws Output at (x, y) on this control's device context hDC, turned Rotation degrees
    // counter-clockwise; false when hDC is another or a step fails.
    Q_INVOKABLE bool TextRotate(int hDC, const QString& Output, int x, int y, float Rotation);
    // One poll of the request in flight: nothing while it runs and is younger than 60 s, else its
    // reply, its status text or the time-out text drawn on a cleared picture. Errors are drawn too.
    Q_INVOKABLE void Processing();
    // Runs a canvas script on the picture (not cleared first) and repaints at once; a script
    // error is drawn as text at (10, 20).
    Q_INVOKABLE void Paint(const QString& pStrResponse);
    // Stops polling and forgets the request in flight (a late reply is never read); LastRefresh
    // becomes the zero date. The request itself runs on.
    Q_INVOKABLE void Reset();

    // The handle of this control's device context (see the class comment).
    int32_t hDC() const;
    // Replaces the request object (tests and the Designer plugin's previews hand in their own);
    // its time-outs are set to none, as for the one the control creates.
    void SetRequestObject(std::unique_ptr<HttpRequestObject> request);

    K7_NO_EXPORT RasterSurface& picPath() const;
    K7_NO_EXPORT Timer& tmrPath() const;
    K7_NO_EXPORT const CanvasInterpreter& Interpreter() const;

signals:
    // The property of that name changed value (a write through Assign, its setter or the
    // meta-object); never for a write of the value it already has.
    void URLChanged();
    void IPChanged();
    void PortChanged();
    void CompanyChanged();
    void SessionChanged();
    void AreaChanged();
    void ProcessChanged();
    void StartDateChanged();
    void EndDateChanged();
    void UserChanged();
    void DeviceChanged();
    void HoursExtraAddChanged();
    void PlannedChanged();
    void RatiosTypeChanged();
    void RatiosTypeTargetChanged();
    // Declared by the control's event interface; PathControl never raises it.
    void RemoteControl();

protected:
    // RequestPath, whatever pBolOpened says. Its errors (a date that is no timestamp, a period
    // too long for 16-bit hours) reach the caller; nothing is sent or drawn then.
    void RefreshSequence(bool pBolOpened) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace k7
