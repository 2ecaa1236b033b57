#include "SampleReplies.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QUrl>

namespace k7 {

namespace {

// Recorded from the simulated plant (k7 plant, default seed) at the moment kRecorded, for process P100.
const SampleReplies::Reply kReplies[] = {
    {"processes/prod",
     R"json({"status":0,"data":[{"Id_prod":"T-4711","Process":"P100"}],"message":"Success"})json"},
    {"processes/kpis/dashboard",
     R"json({"status":0,"data":[{"Date":"20261107000000","OEE":69.4,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261108000000","OEE":73.8,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261109000000","OEE":88.4,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261110000000","OEE":62.6,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261111000000","OEE":71.3,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261112000000","OEE":68,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261113000000","OEE":70,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261114000000","OEE":76.9,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261115000000","OEE":83,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261116000000","OEE":67.7,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261117000000","OEE":64.8,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261118000000","OEE":65.2,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261119000000","OEE":73.8,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261120000000","OEE":67.1,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261121000000","OEE":77.3,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261122000000","OEE":89.3,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261123000000","OEE":81.8,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261124000000","OEE":68.4,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261125000000","OEE":90.6,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261126000000","OEE":73.2,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261127000000","OEE":72,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261128000000","OEE":66.2,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261129000000","OEE":64.6,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261130000000","OEE":68.4,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261201000000","OEE":67,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261202000000","OEE":64.9,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261203000000","OEE":78.1,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261204000000","OEE":62.1,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261205000000","OEE":89.6,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261206000000","OEE":75,"OEETargetGreen":85,"OEETargetYellow":65},{"Date":"20261207000000","OEE":87.7,"OEETargetGreen":85,"OEETargetYellow":65}],"message":"Success"})json"},
    {"processes/cycleTime",
     R"json({"status":0,"data":[{"CycleT":60,"Val":658,"DateTime":"20261207110315"}],"message":"Success"})json"},
    {"processes/{process}/scrapcauses/top",
     R"json({"status":0,"data":[{"Scrap":"12-Broken"},{"Scrap":"7-Scratched"},{"Scrap":"3-Burr"},{"Scrap":"21-Out-of-tolerance"}],"message":"Success"})json"},
    {"statuses/fai",
     R"json({"status":0,"data":[{"id_tu":"RUN","machdate":"P10020261207110315"},{"id_tu":"FAI","machdate":"P10020261207102300","end":"20261207105200","secs":1740,"id":1001}],"message":"Success"})json"},
    {"statuses/top",
     R"json({"status":0,"data":[{"Id":"5","Description":"Tool change"},{"Id":"9","Description":"Material missing"},{"Id":"11","Description":"Maintenance"},{"Id":"14","Description":"Quality check"}],"message":"Success"})json"},
    {"processes/kpis/followup",
     R"json({"status":0,"data":[{"PeriodStart":{"value":"20261207060000"},"PeriodEnd":{"value":"20261207070000"},"OEETheoricalQuantity":{"value":60},"PETheoricalQuantity":{"value":55.2},"Activity":{"value":58.3},"OEEPlannedQuantityGreen":{"value":51},"OEEPlannedQuantityYellow":{"value":39},"PEPlannedQuantityGreen":{"value":49.7},"PEPlannedQuantityYellow":{"value":41.4},"SpeedTargetGreen":{"value":55.4},"SpeedTargetYellow":{"value":46.6},"OEETargetGreen":{"value":0.85},"OEETargetYellow":{"value":0.65},"ProducedQuantity":{"value":53},"ScrapQuantity":{"value":2},"ReworkQuantity":{"value":1},"GoodQuantity":{"value":50},"OEE":{"value":83.3}},{"PeriodStart":{"value":"20261207070000"},"PeriodEnd":{"value":"20261207080000"},"OEETheoricalQuantity":{"value":60},"PETheoricalQuantity":{"value":55.2},"Activity":{"value":59.4},"OEEPlannedQuantityGreen":{"value":51},"OEEPlannedQuantityYellow":{"value":39},"PEPlannedQuantityGreen":{"value":49.7},"PEPlannedQuantityYellow":{"value":41.4},"SpeedTargetGreen":{"value":56.4},"SpeedTargetYellow":{"value":47.5},"OEETargetGreen":{"value":0.85},"OEETargetYellow":{"value":0.65},"ProducedQuantity":{"value":55},"ScrapQuantity":{"value":1},"ReworkQuantity":{"value":0},"GoodQuantity":{"value":54},"OEE":{"value":90}},{"PeriodStart":{"value":"20261207080000"},"PeriodEnd":{"value":"20261207090000"},"OEETheoricalQuantity":{"value":60},"PETheoricalQuantity":{"value":55.2},"Activity":{"value":56.4},"OEEPlannedQuantityGreen":{"value":51},"OEEPlannedQuantityYellow":{"value":39},"PEPlannedQuantityGreen":{"value":49.7},"PEPlannedQuantityYellow":{"value":41.4},"SpeedTargetGreen":{"value":53.6},"SpeedTargetYellow":{"value":45.1},"OEETargetGreen":{"value":0.85},"OEETargetYellow":{"value":0.65},"ProducedQuantity":{"value":50},"ScrapQuantity":{"value":0},"ReworkQuantity":{"value":0},"GoodQuantity":{"value":50},"OEE":{"value":83.3}},{"PeriodStart":{"value":"20261207090000"},"PeriodEnd":{"value":"20261207100000"},"OEETheoricalQuantity":{"value":60},"PETheoricalQuantity":{"value":55.2},"Activity":{"value":59.4},"OEEPlannedQuantityGreen":{"value":51},"OEEPlannedQuantityYellow":{"value":39},"PEPlannedQuantityGreen":{"value":49.7},"PEPlannedQuantityYellow":{"value":41.4},"SpeedTargetGreen":{"value":56.4},"SpeedTargetYellow":{"value":47.5},"OEETargetGreen":{"value":0.85},"OEETargetYellow":{"value":0.65},"ProducedQuantity":{"value":58},"ScrapQuantity":{"value":1},"ReworkQuantity":{"value":1},"GoodQuantity":{"value":56},"OEE":{"value":93.3}},{"PeriodStart":{"value":"20261207100000"},"PeriodEnd":{"value":"20261207110000"},"OEETheoricalQuantity":{"value":60},"PETheoricalQuantity":{"value":55.2},"Activity":{"value":59.4},"OEEPlannedQuantityGreen":{"value":51},"OEEPlannedQuantityYellow":{"value":39},"PEPlannedQuantityGreen":{"value":49.7},"PEPlannedQuantityYellow":{"value":41.4},"SpeedTargetGreen":{"value":56.4},"SpeedTargetYellow":{"value":47.5},"OEETargetGreen":{"value":0.85},"OEETargetYellow":{"value":0.65},"ProducedQuantity":{"value":55},"ScrapQuantity":{"value":1},"ReworkQuantity":{"value":1},"GoodQuantity":{"value":53},"OEE":{"value":88.3}},{"PeriodStart":{"value":"20261207110000"},"PeriodEnd":{"value":"20261207120000"},"OEETheoricalQuantity":{"value":3.6},"PETheoricalQuantity":{"value":3.3},"Activity":{"value":3.5},"OEEPlannedQuantityGreen":{"value":3},"OEEPlannedQuantityYellow":{"value":2.3},"PEPlannedQuantityGreen":{"value":3},"PEPlannedQuantityYellow":{"value":2.5},"SpeedTargetGreen":{"value":3.4},"SpeedTargetYellow":{"value":2.8},"OEETargetGreen":{"value":0.85},"OEETargetYellow":{"value":0.65},"ProducedQuantity":{"value":3},"ScrapQuantity":{"value":0},"ReworkQuantity":{"value":0},"GoodQuantity":{"value":3},"OEE":{"value":84.1}},{"PeriodStart":{"value":"20261207120000"},"PeriodEnd":{"value":"20261207130000"},"OEETheoricalQuantity":{"value":0},"PETheoricalQuantity":{"value":0},"Activity":{"value":0},"OEEPlannedQuantityGreen":{"value":0},"OEEPlannedQuantityYellow":{"value":0},"PEPlannedQuantityGreen":{"value":0},"PEPlannedQuantityYellow":{"value":0},"SpeedTargetGreen":{"value":0},"SpeedTargetYellow":{"value":0},"OEETargetGreen":{"value":0.85},"OEETargetYellow":{"value":0.65},"ProducedQuantity":{"value":0},"ScrapQuantity":{"value":0},"ReworkQuantity":{"value":0},"GoodQuantity":{"value":0},"OEE":{"value":0}},{"PeriodStart":{"value":"20261207130000"},"PeriodEnd":{"value":"20261207140000"},"OEETheoricalQuantity":{"value":0},"PETheoricalQuantity":{"value":0},"Activity":{"value":0},"OEEPlannedQuantityGreen":{"value":0},"OEEPlannedQuantityYellow":{"value":0},"PEPlannedQuantityGreen":{"value":0},"PEPlannedQuantityYellow":{"value":0},"SpeedTargetGreen":{"value":0},"SpeedTargetYellow":{"value":0},"OEETargetGreen":{"value":0.85},"OEETargetYellow":{"value":0.65},"ProducedQuantity":{"value":0},"ScrapQuantity":{"value":0},"ReworkQuantity":{"value":0},"GoodQuantity":{"value":0},"OEE":{"value":0}}],"message":"Success"})json"},
    // The drawing script (for the path view's design size, 320 x 240) separates its statements by
    // CR LF.
    {"drawing/path",
     "ctx.fillStyle='rgba(225,232,245,1)';ctx.fillRect(8,8,32,224);ctx.strokeStyle='rgba(60,80,120,1)';ctx.lineWidth=1;ctx.moveTo(8,8);ctx.lineTo(40,8);ctx.lineTo(40,232);ctx.lineTo(8,232);ctx.lineTo(8,8)\r\n"
     "ctx.save;ctx.translate(29,16);ctx.rotate(-Math.PI/2);ctx.fillText('Assembly',0,0);ctx.restore\r\n"
     "ctx.strokeStyle='rgba(90,90,90,1)';ctx.lineWidth=2;ctx.moveTo(40,120);ctx.lineTo(50,120);ctx.arc(50,120,3,0,2*Math.PI);ctx.moveTo(108,120);ctx.lineTo(118,120);ctx.arc(118,120,3,0,2*Math.PI);ctx.moveTo(176,120);ctx.lineTo(186,120);ctx.arc(186,120,3,0,2*Math.PI);ctx.moveTo(244,120);ctx.lineTo(254,120);ctx.arc(254,120,3,0,2*Math.PI)\r\n"
     "ctx.fillStyle='rgba(160,220,150,1)';ctx.fillRect(50,64,58,112);ctx.strokeStyle='rgba(40,40,40,1)';ctx.lineWidth=3;ctx.moveTo(50,64);ctx.lineTo(108,64);ctx.lineTo(108,176);ctx.lineTo(50,176);ctx.lineTo(50,64);ctx.fillStyle='rgba(40,60,110,1)';ctx.fillRect(54,163,42,9);ctx.fillStyle='rgba(0,0,0,1)';ctx.textAlign='center';ctx.textBaseline='top';ctx.fillText('P100',79,68);ctx.textBaseline='middle';ctx.fillText('OEE 86.0 %',79,120)\r\n"
     "ctx.fillStyle='rgba(250,220,120,1)';ctx.fillRect(118,64,58,112);ctx.strokeStyle='rgba(40,40,40,1)';ctx.lineWidth=1;ctx.moveTo(118,64);ctx.lineTo(176,64);ctx.lineTo(176,176);ctx.lineTo(118,176);ctx.lineTo(118,64);ctx.fillStyle='rgba(40,60,110,1)';ctx.fillRect(122,163,41,9);ctx.fillStyle='rgba(0,0,0,1)';ctx.textAlign='center';ctx.textBaseline='top';ctx.fillText('P200',147,68);ctx.textBaseline='middle';ctx.fillText('OEE 83.6 %',147,120)\r\n"
     "ctx.fillStyle='rgba(250,220,120,1)';ctx.fillRect(186,64,58,112);ctx.strokeStyle='rgba(40,40,40,1)';ctx.lineWidth=1;ctx.moveTo(186,64);ctx.lineTo(244,64);ctx.lineTo(244,176);ctx.lineTo(186,176);ctx.lineTo(186,64);ctx.fillStyle='rgba(40,60,110,1)';ctx.fillRect(190,163,30,9);ctx.fillStyle='rgba(0,0,0,1)';ctx.textAlign='center';ctx.textBaseline='top';ctx.fillText('P300',215,68);ctx.textBaseline='middle';ctx.fillText('OEE 60.8 %',215,120)\r\n"
     "ctx.fillStyle='rgba(250,220,120,1)';ctx.fillRect(254,64,58,112);ctx.strokeStyle='rgba(40,40,40,1)';ctx.lineWidth=1;ctx.moveTo(254,64);ctx.lineTo(312,64);ctx.lineTo(312,176);ctx.lineTo(254,176);ctx.lineTo(254,64);ctx.fillStyle='rgba(40,60,110,1)';ctx.fillRect(258,163,37,9);ctx.fillStyle='rgba(0,0,0,1)';ctx.textAlign='center';ctx.textBaseline='top';ctx.fillText('P400',283,68);ctx.textBaseline='middle';ctx.fillText('OEE 74.2 %',283,120)\r\n"
     "ctx.textAlign='start';ctx.textBaseline='alphabetic'"},
};

// Answers every request at once from the recording: 200 with the recorded body, 404 for a path
// the recording does not hold.
class SampleRequest : public HttpRequestObject {
public:
    void Open(const QString&, const QString& url, bool) override {
        url_ = url;
        state_ = 1;
    }
    void SetRequestHeader(const QString&, const QString&) override {}
    void Send() override {
        const SampleReplies::Reply* reply = SampleReplies::Find(QUrl(url_).path());
        status_ = reply != nullptr ? 200 : 404;
        text_ = reply != nullptr ? MoveDates(QString::fromUtf8(reply->Body)) : QString();
        state_ = 4;
    }
    void Abort() override { state_ = 0; }
    int32_t readyState() const override { return state_; }
    int32_t Status() const override { return status_; }
    QString StatusText() const override { return status_ == 200 ? QStringLiteral("OK") : QStringLiteral("Not Found"); }
    QString ResponseText() const override { return text_; }
    void SetTimeouts(int32_t, int32_t, int32_t, int32_t) override {}

private:
    static QString MoveDates(QString body) {
        static const QRegularExpression date(QStringLiteral("20[0-9]{12}"));
        const QDate today = QDate::currentDate();
        QString moved;
        qsizetype from = 0;
        for (auto match = date.globalMatch(body); match.hasNext();) {
            const QRegularExpressionMatch found = match.next();
            moved += body.mid(from, found.capturedStart() - from) + SampleReplies::Moved(found.captured(), today);
            from = found.capturedEnd();
        }
        return moved + body.mid(from);
    }

    QString url_;
    QString text_;
    int32_t state_ = 0;
    int32_t status_ = 0;
};

} // namespace

QString SampleReplies::Moved(const QString& recorded, const QDate& today) {
    const QDateTime at = QDateTime::fromString(recorded, QStringLiteral("yyyyMMddHHmmss"));
    if (!at.isValid())
        return recorded;
    return at.addDays(RecordedDay().daysTo(today)).toString(QStringLiteral("yyyyMMddHHmmss"));
}

std::unique_ptr<HttpRequestObject> SampleReplies::NewRequest() {
    return std::make_unique<SampleRequest>();
}

const SampleReplies::Reply* SampleReplies::Find(const QString& path) {
    QString key = path;
    while (key.startsWith(QLatin1Char('/')))
        key.remove(0, 1);
    // The scrap causes are asked for under the process's own path.
    const QStringList segments = key.split(QLatin1Char('/'));
    if (segments.size() == 4 && segments[0] == QLatin1String("processes") && segments[2] == QLatin1String("scrapcauses"))
        key = QStringLiteral("processes/{process}/scrapcauses/top");
    for (const Reply& reply : kReplies)
        if (key == QLatin1String(reply.Path))
            return &reply;
    return nullptr;
}

} // namespace k7
