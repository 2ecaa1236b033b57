// The path view's canvas interpreter against the drawing it stands for. Paint/Interpreter runs a
// script of 10,000 statements (colours, moveTo/lineTo lines, filled boxes, filled circles and
// centred texts, ten statements to a CR LF line, as the drawing service writes them) through
// PathControl::Paint on a 1280 x 800 picture. Paint/QPainter draws the same primitives with the
// same numbers straight onto a QImage of that size with one QPainter: no parsing, no measuring
// beyond what centring the texts needs, no per-primitive bookkeeping. The ratio is what reading
// and dispatching a script costs on top of the drawing itself.

#include "K7WidgetBench.h"

#include "controls/pathcontrol/PathControl.h"
#include "controls/pathcontrol/RasterSurface_p.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QStringList>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 800;
constexpr int kGroups = 1000; // of ten statements

struct Group {
    QColor Colour;
    QLineF Lines[3];
    QRectF Box;
    QPointF Centre;
    double Radius;
    QPointF TextAt;
    QString Text;
};

// A fixed pseudo-random picture: every run draws the same.
std::vector<Group> MakeGroups() {
    std::vector<Group> groups;
    uint32_t seed = 4711;
    const auto next = [&seed](int below) {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int>((seed >> 8) % static_cast<uint32_t>(below));
    };
    for (int i = 0; i < kGroups; ++i) {
        Group group;
        group.Colour = QColor(next(256), next(256), next(256));
        QPointF from(next(kWidth), next(kHeight));
        for (QLineF& line : group.Lines) {
            const QPointF to(next(kWidth), next(kHeight));
            line = QLineF(from, to);
            from = to;
        }
        group.Box = QRectF(next(kWidth), next(kHeight), 4 + next(60), 4 + next(40));
        group.Centre = QPointF(next(kWidth), next(kHeight));
        group.Radius = 2 + next(20);
        group.TextAt = QPointF(next(kWidth), next(kHeight));
        group.Text = QStringLiteral("P%1").arg(next(1000));
        groups.push_back(group);
    }
    return groups;
}

const std::vector<Group>& Groups() {
    static const std::vector<Group> groups = MakeGroups();
    return groups;
}

QString Number(double value) {
    return QString::number(value);
}

// colour; moveTo; lineTo x3 (the second and third moveTo are where the line already is, as a
// service writes separate segments); fillRect; arc; fillText.
const QString& Script() {
    static const QString script = [] {
        QStringList lines;
        for (const Group& g : Groups()) {
            QStringList statements;
            statements << QStringLiteral("ctx.strokeStyle='rgba(%1,%2,%3,1)'")
                              .arg(g.Colour.red())
                              .arg(g.Colour.green())
                              .arg(g.Colour.blue());
            for (const QLineF& line : g.Lines)
                statements << "ctx.moveTo(" + Number(line.x1()) + "," + Number(line.y1()) + ")"
                           << "ctx.lineTo(" + Number(line.x2()) + "," + Number(line.y2()) + ")";
            statements << "ctx.fillRect(" + Number(g.Box.x()) + "," + Number(g.Box.y()) + "," +
                              Number(g.Box.width()) + "," + Number(g.Box.height()) + ")"
                       << "ctx.arc(" + Number(g.Centre.x()) + "," + Number(g.Centre.y()) + "," + Number(g.Radius) +
                              ",0,2*Math.PI)"
                       << "ctx.fillText('" + g.Text + "'," + Number(g.TextAt.x()) + "," + Number(g.TextAt.y()) + ")";
            lines << statements.join(QLatin1Char(';'));
        }
        return lines.join(QStringLiteral("\r\n"));
    }();
    return script;
}

int StatementCount() {
    return static_cast<int>(Script().count(QLatin1Char(';')) + Script().count(QStringLiteral("\r\n")) + 1);
}

void PaintInterpreter(benchmark::State& state) {
    k7::PathControl control;
    control.resize(kWidth, kHeight);
    const QString& script = Script();
    for (auto _ : state) {
        control.picPath().Clear();
        control.Paint(script);
    }
    benchmark::DoNotOptimize(control.picPath().Image().constBits());
    state.counters["statements"] = StatementCount();
    state.SetItemsProcessed(int64_t(state.iterations()) * StatementCount());
}

void PaintQPainter(benchmark::State& state) {
    // The picture as the surface keeps it, the same font (Tahoma 8.25 at the screen's resolution).
    k7::PathControl reference;
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(reference.logicalDpiX() / 0.0254));
    image.setDotsPerMeterY(qRound(reference.logicalDpiY() / 0.0254));
    const QFont font = reference.picPath().Font().ToQFont();
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setFont(font);
        const QFontMetricsF metrics(font, &reference);
        for (const Group& g : Groups()) {
            painter.setPen(QPen(g.Colour, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            for (const QLineF& line : g.Lines)
                painter.drawLine(line);
            painter.fillRect(g.Box, g.Colour);
            painter.setBrush(g.Colour);
            painter.drawEllipse(g.Centre, g.Radius, g.Radius);
            painter.setBrush(Qt::NoBrush);
            const double width = metrics.horizontalAdvance(g.Text);
            painter.drawText(QPointF(g.TextAt.x() - width / 2, g.TextAt.y() - metrics.height() / 2 + metrics.ascent()),
                             g.Text);
        }
    }
    benchmark::DoNotOptimize(image.constBits());
    state.counters["statements"] = StatementCount();
    state.SetItemsProcessed(int64_t(state.iterations()) * StatementCount());
}

} // namespace

BENCHMARK(PaintInterpreter)->Name("Paint/Interpreter")->Unit(benchmark::kMillisecond);
BENCHMARK(PaintQPainter)->Name("Paint/QPainter")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return k7::bench::WidgetMain(argc, argv, "Interpreter");
}
