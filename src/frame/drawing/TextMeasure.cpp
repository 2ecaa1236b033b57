#include "frame/drawing/TextMeasure_p.h"

#include "frame/drawing/FaceMetrics_p.h"
#include "frame/drawing/FontRegistry_p.h"

#include <QCoreApplication>
#include <QRawFont>

#include <cmath>
#include <map>
#include <memory>
#include <tuple>

namespace k7 {

namespace {

constexpr double kPointsPerInch = 72.0;

struct Face {
    QRawFont Raw;
    FaceMetrics Metrics;
};

using FaceKey = std::tuple<QString, bool, bool>;

// The faces read so far. Qt's font engines behind the raw fonts go with the application, so the
// faces are dropped when it ends rather than at exit.
std::map<FaceKey, std::shared_ptr<const Face>>& Faces() {
    static std::map<FaceKey, std::shared_ptr<const Face>> faces;
    static const bool cleared = [] {
        qAddPostRoutine([] { Faces().clear(); });
        return true;
    }();
    Q_UNUSED(cleared);
    return faces;
}

const Face& FaceOf(const FontStyle& font) {
    const FaceKey key{font.Name, font.Bold, font.Italic};
    std::shared_ptr<const Face>& face = Faces()[key];
    if (!face) {
        QRawFont raw = QRawFont::fromFont(font.ToQFont());
        FaceMetrics metrics([&raw](const char* tag) { return raw.fontTable(tag); },
                            FontRegistry::StrikeLeading(font.Name));
        face = std::make_shared<const Face>(Face{std::move(raw), std::move(metrics)});
    }
    return *face;
}

// Qt's own figures for a face whose tables could not be read.
QRawFont AtSize(const Face& face, double pixels) {
    QRawFont raw = face.Raw;
    raw.setPixelSize(pixels);
    return raw;
}

} // namespace

double TextMeasure::PixelsPerEm(const FontStyle& font, double dpi) {
    return static_cast<double>(font.Size) * dpi / kPointsPerInch;
}

int TextMeasure::LineHeight(const FontStyle& font, double dpi) {
    const Face& face = FaceOf(font);
    const double pixels = PixelsPerEm(font, dpi);
    if (face.Metrics.IsValid())
        return face.Metrics.LineHeight(pixels);
    const QRawFont raw = AtSize(face, pixels);
    return static_cast<int>(std::lround(raw.ascent()) + std::lround(raw.descent()));
}

int TextMeasure::Ascent(const FontStyle& font, double dpi) {
    const Face& face = FaceOf(font);
    const double pixels = PixelsPerEm(font, dpi);
    if (face.Metrics.IsValid())
        return face.Metrics.Ascent(pixels);
    return static_cast<int>(std::lround(AtSize(face, pixels).ascent()));
}

double TextMeasure::Width(const QString& line, const FontStyle& font, double dpi) {
    const Face& face = FaceOf(font);
    const double pixels = PixelsPerEm(font, dpi);
    const QList<quint32> glyphs = face.Raw.glyphIndexesForString(line);
    double width = 0;
    if (face.Metrics.IsValid()) {
        for (const quint32 glyph : glyphs)
            width += face.Metrics.Advance(glyph, pixels);
        return width;
    }
    for (const QPointF& advance : AtSize(face, pixels).advancesForGlyphIndexes(glyphs))
        width += advance.x();
    return width;
}

double TextMeasure::DrawnScale(const FontStyle& font, double dpi) {
    const Face& face = FaceOf(font);
    if (!face.Metrics.IsValid() || !face.Metrics.IsBitmapOnly())
        return 1.0;
    return face.Metrics.DrawnEm(PixelsPerEm(font, dpi)) / PixelsPerEm(font, dpi);
}

} // namespace k7
