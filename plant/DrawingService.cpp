#include "DrawingService.h"

#include "PlantModel.h"
#include "PlantQuery.h"
#include "PlantReplies.h"
#include "PlantTime.h"

#include "core/RuntimeError.h"

#include <QStringList>
#include <QUrl>

#include <algorithm>

namespace k7::plant {

namespace {

// The query of the path view, in the order it sends it.
const char* const kParameters[] = {"server_ip", "db_port",     "company_id",       "user_id",
                                   "tree",      "process",     "period_from",      "period_to",
                                   "path_id",   "constype_id", "period_id",        "width",
                                   "height",    "ign_hist",    "device_id",        "terminal",
                                   "planned",   "ratiostype",  "ratiostypetarget", "seq"};

constexpr int kLargestSide = 100000;

// A script under construction: statements joined by ";" on a line, lines by CR LF.
class CanvasScript {
public:
    CanvasScript& operator<<(const QString& statement) {
        if (!line_.isEmpty())
            line_ += QLatin1Char(';');
        line_ += QStringLiteral("ctx.") + statement;
        return *this;
    }
    void EndLine() {
        if (line_.isEmpty())
            return;
        lines_ << line_;
        line_.clear();
    }
    QByteArray Text() {
        EndLine();
        return lines_.join(QStringLiteral("\r\n")).toUtf8();
    }

private:
    QStringList lines_;
    QString line_;
};

// The interpreter cuts statements at ";" and texts at "'": neither may appear inside a text.
QString Printable(QString text) {
    for (QChar& c : text)
        if (c == QLatin1Char('\'') || c == QLatin1Char(';') || c == QLatin1Char('\r') ||
            c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    return text;
}

QString Rgba(int red, int green, int blue) {
    return QStringLiteral("'rgba(%1,%2,%3,1)'").arg(red).arg(green).arg(blue);
}

QString Text(const QString& text, int x, int y) {
    return QStringLiteral("fillText('%1',%2,%3)").arg(Printable(text)).arg(x).arg(y);
}

void Outline(CanvasScript& script, int left, int top, int width, int height) {
    script << QStringLiteral("moveTo(%1,%2)").arg(left).arg(top)
           << QStringLiteral("lineTo(%1,%2)").arg(left + width).arg(top)
           << QStringLiteral("lineTo(%1,%2)").arg(left + width).arg(top + height)
           << QStringLiteral("lineTo(%1,%2)").arg(left).arg(top + height)
           << QStringLiteral("lineTo(%1,%2)").arg(left).arg(top);
}

// The ratio `ratiosType` asks for over the periods, in percent (0 when nothing was planned or made).
double Ratio(const std::vector<PeriodFigures>& periods, int ratiosType) {
    double theoretical = 0, activity = 0, produced = 0, good = 0;
    for (const PeriodFigures& period : periods) {
        theoretical += period.OeeTheoretical;
        activity += period.Activity;
        produced += period.Produced;
        good += period.Good;
    }
    const auto share = [](double part, double whole) { return whole > 0 ? part / whole * 100.0 : 0.0; };
    switch (ratiosType) {
    case 1:
        return share(produced, activity);
    case 2:
        return share(good, produced);
    default:
        return share(good, theoretical);
    }
}

QString RatioName(int ratiosType) {
    switch (ratiosType) {
    case 1:
        return QStringLiteral("Perf.");
    case 2:
        return QStringLiteral("Quality");
    default:
        return QStringLiteral("OEE");
    }
}

} // namespace

DrawingService::DrawingService(PlantModel& model) : model_(model) {}

QString DrawingService::Path() {
    return QStringLiteral("drawing/path");
}

bool DrawingService::Serves(const QString& relativePath) {
    return relativePath == Path();
}

PlantReply DrawingService::Answer(const QString& method, const QByteArray& target, Date now) {
    if (method != QLatin1String("GET") && method != QLatin1String("HEAD"))
        return PlantReply{405, {}, PlantReplies::FailureBody(405, QStringLiteral("Use GET for ") + Path())};
    const qsizetype mark = target.indexOf('?');
    return PlantReplies::AnswerQuery(mark < 0 ? QByteArray() : target.mid(mark + 1),
                                     [&](const PlantQuery& query) {
                                         for (const char* parameter : kParameters)
                                             query.Text(QString::fromLatin1(parameter));
                                         return PlantReply{200, {}, Script(query, now).toUtf8()};
                                     });
}

QString DrawingService::Script(const PlantQuery& query, Date now) const {
    const int width = query.Whole(QStringLiteral("width"), 0, kLargestSide);
    const int height = query.Whole(QStringLiteral("height"), 0, kLargestSide);
    const Date from = query.Timestamp(QStringLiteral("period_from"));
    const Date to = query.Timestamp(QStringLiteral("period_to"));
    const bool planned = query.Whole(QStringLiteral("planned"), 0, 255) == 1;
    const int ratiosType = query.Whole(QStringLiteral("ratiostype"), 0, 255);
    const bool coloured = query.Whole(QStringLiteral("ratiostypetarget"), 0, 255) == 0;
    const QString selected = query.Text(QStringLiteral("process"));
    const QString tree = query.Text(QStringLiteral("tree"));
    const QString areaName = tree.section(QLatin1Char('{'), 0, 0).isEmpty()
                                 ? QStringLiteral("Plant")
                                 : tree.section(QLatin1Char('{'), 0, 0);

    CanvasScript script;
    // The path view draws in a font of a 24th of its height (10 to 24 pixels).
    const int font = std::clamp(height / 24, 10, 24);
    const int lineHeight = font * 5 / 4;
    const int margin = std::max(4, std::min(width, height) / 30);
    const auto& processes = model_.Processes();
    const int count = static_cast<int>(processes.size());
    const int areaWidth = std::max(2 * lineHeight, width / 10);
    const int gap = std::max(margin, width / 30);
    const int firstLeft = margin + areaWidth + gap;
    const int boxWidth = (width - margin - firstLeft - (count - 1) * gap) / std::max(count, 1);
    if (boxWidth < 2 * font || height < 4 * lineHeight) {
        // Too small for the path: its name, centred.
        script << QStringLiteral("fillStyle=") + Rgba(0, 0, 0) << Text(tree, width / 2, height / 2);
        return QString::fromUtf8(script.Text());
    }
    const int middle = height / 2;
    const int boxHeight = std::min(height - 2 * margin, std::max(4 * lineHeight, (height - 2 * margin) / 2));
    const int boxTop = middle - boxHeight / 2;

    // The area, its name running downwards along its middle.
    script << QStringLiteral("fillStyle=") + Rgba(225, 232, 245)
           << QStringLiteral("fillRect(%1,%2,%3,%4)")
                  .arg(margin)
                  .arg(margin)
                  .arg(areaWidth)
                  .arg(height - 2 * margin)
           << QStringLiteral("strokeStyle=") + Rgba(60, 80, 120) << QStringLiteral("lineWidth=1");
    Outline(script, margin, margin, areaWidth, height - 2 * margin);
    script.EndLine();
    script << QStringLiteral("save")
           << QStringLiteral("translate(%1,%2)").arg(margin + areaWidth / 2 + font / 2).arg(2 * margin)
           << QStringLiteral("rotate(-Math.PI/2)") << Text(areaName, 0, 0) << QStringLiteral("restore");
    script.EndLine();

    // The links first, so the boxes sit on their ends.
    script << QStringLiteral("strokeStyle=") + Rgba(90, 90, 90) << QStringLiteral("lineWidth=2")
           << QStringLiteral("moveTo(%1,%2)").arg(margin + areaWidth).arg(middle)
           << QStringLiteral("lineTo(%1,%2)").arg(firstLeft).arg(middle)
           << QStringLiteral("arc(%1,%2,3,0,2*Math.PI)").arg(firstLeft).arg(middle);
    for (int i = 1; i < count; ++i) {
        const int left = firstLeft + i * (boxWidth + gap);
        script << QStringLiteral("moveTo(%1,%2)").arg(left - gap).arg(middle)
               << QStringLiteral("lineTo(%1,%2)").arg(left).arg(middle)
               << QStringLiteral("arc(%1,%2,3,0,2*Math.PI)").arg(left).arg(middle);
    }
    script.EndLine();

    const int hourly = static_cast<int>(std::max<int64_t>(
        1, (PlantTime::Seconds(to) - PlantTime::Seconds(from) + PlantTime::SecondsPerHour - 1) /
               PlantTime::SecondsPerHour));
    bool known = false;
    for (int i = 0; i < count; ++i) {
        const PlantProcess& process = processes[static_cast<size_t>(i)];
        const double ratio = Ratio(model_.Periods(process.Id, from, to, hourly, planned, now), ratiosType);
        const bool isSelected = process.Id == selected;
        known = known || isSelected;
        const QString fill = !coloured                    ? Rgba(215, 215, 215)
                             : ratio >= process.OeeGreen  ? Rgba(160, 220, 150)
                             : ratio >= process.OeeYellow ? Rgba(250, 220, 120)
                                                          : Rgba(240, 150, 140);
        const int left = firstLeft + i * (boxWidth + gap);
        const int centre = left + boxWidth / 2;
        const int barHeight = std::max(3, boxHeight / 12);
        const int barWidth = static_cast<int>((boxWidth - 8) * std::min(ratio, 100.0) / 100.0);
        script << QStringLiteral("fillStyle=") + fill
               << QStringLiteral("fillRect(%1,%2,%3,%4)").arg(left).arg(boxTop).arg(boxWidth).arg(boxHeight)
               << QStringLiteral("strokeStyle=") + Rgba(40, 40, 40)
               << QStringLiteral("lineWidth=%1").arg(isSelected ? 3 : 1);
        Outline(script, left, boxTop, boxWidth, boxHeight);
        script << QStringLiteral("fillStyle=") + Rgba(40, 60, 110)
               << QStringLiteral("fillRect(%1,%2,%3,%4)")
                      .arg(left + 4)
                      .arg(boxTop + boxHeight - 4 - barHeight)
                      .arg(barWidth)
                      .arg(barHeight)
               << QStringLiteral("fillStyle=") + Rgba(0, 0, 0) << QStringLiteral("textAlign='center'")
               << QStringLiteral("textBaseline='top'") << Text(process.Id, centre, boxTop + 4)
               << QStringLiteral("textBaseline='middle'")
               << Text(RatioName(ratiosType) + QLatin1Char(' ') + QString::number(ratio, 'f', 1) +
                           QStringLiteral(" %"),
                       centre, middle);
        script.EndLine();
    }
    if (!known)
        script << QStringLiteral("fillStyle=") + Rgba(160, 0, 0) << QStringLiteral("textAlign='left'")
               << QStringLiteral("textBaseline='top'")
               << Text(QStringLiteral("Unknown process ") + selected, firstLeft, margin / 2);
    // Back to the canvas defaults, which centre: texts drawn after the picture (a failure of a
    // later request) sit where they would without it.
    script << QStringLiteral("textAlign='start'") << QStringLiteral("textBaseline='alphabetic'");
    return QString::fromUtf8(script.Text());
}

} // namespace k7::plant
