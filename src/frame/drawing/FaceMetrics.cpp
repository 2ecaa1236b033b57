#include "frame/drawing/FaceMetrics_p.h"

#include <algorithm>
#include <cmath>

namespace k7 {

namespace {

// Reads big-endian fields of a font table; a read past its end gives 0, so a short or damaged
// table reads as an empty one instead of reaching beyond the buffer.
class TableView {
public:
    explicit TableView(const QByteArray& bytes) : bytes_(bytes) {}
    qsizetype Size() const { return bytes_.size(); }
    bool Has(qsizetype offset, qsizetype length) const {
        return offset >= 0 && length >= 0 && offset <= bytes_.size() - length;
    }
    uint8_t U8(qsizetype offset) const { return Has(offset, 1) ? static_cast<uint8_t>(bytes_[offset]) : 0; }
    uint16_t U16(qsizetype offset) const { return static_cast<uint16_t>(U8(offset) << 8 | U8(offset + 1)); }
    uint32_t U32(qsizetype offset) const { return uint32_t(U16(offset)) << 16 | U16(offset + 2); }

private:
    const QByteArray& bytes_;
};

// Metrics in "EBLC"/"EBDT", small and big alike, hold the horizontal advance at byte 4.
constexpr qsizetype kAdvanceInMetrics = 4;
constexpr qsizetype kBitmapSizeRecord = 48;

bool IsWholePixelSize(double pixels) {
    return std::abs(pixels - std::round(pixels)) < 1e-6;
}

} // namespace

FaceMetrics::FaceMetrics(const TableReader& table, int strikeLeading) : strikeLeading_(std::max(strikeLeading, 0)) {
    const QByteArray headBytes = table("head");
    const QByteArray maxpBytes = table("maxp");
    const QByteArray hheaBytes = table("hhea");
    const QByteArray hmtxBytes = table("hmtx");
    const TableView head(headBytes), maxp(maxpBytes), hhea(hheaBytes), hmtx(hmtxBytes);
    if (!head.Has(50, 4) || !maxp.Has(4, 2) || !hhea.Has(34, 2))
        return;
    unitsPerEm_ = head.U16(18);
    const int glyphs = maxp.U16(4);
    const int longMetrics = hhea.U16(34);
    if (unitsPerEm_ == 0 || glyphs == 0 || longMetrics == 0 || !hmtx.Has(0, qsizetype(longMetrics) * 4)) {
        unitsPerEm_ = 0;
        return;
    }
    // Glyphs past the long metrics share the last advance.
    advances_.resize(static_cast<size_t>(glyphs));
    for (int glyph = 0; glyph < glyphs; ++glyph)
        advances_[static_cast<size_t>(glyph)] = hmtx.U16(qsizetype(std::min(glyph, longMetrics - 1)) * 4);

    const QByteArray os2Bytes = table("OS/2");
    const TableView os2(os2Bytes);
    if (os2.Has(74, 4)) {
        winAscent_ = os2.U16(74);
        winDescent_ = os2.U16(76);
    } else { // the horizontal header's line instead
        winAscent_ = static_cast<int16_t>(hhea.U16(4));
        winDescent_ = -static_cast<int16_t>(hhea.U16(6));
    }
    ReadStrikes(table("EBLC"), table("EBDT"));
    ReadOutlinePresence(table, static_cast<int16_t>(head.U16(50)));
}

void FaceMetrics::ReadOutlinePresence(const TableReader& table, int16_t locationFormat) {
    if (strikes_.empty() || !table("CFF ").isEmpty() || !table("CFF2").isEmpty())
        return;
    // A glyph has an outline when its stretch of "glyf" is not empty; only the missing-glyph box
    // does not count, as bitmap faces carry one for the format's sake.
    const QByteArray locaBytes = table("loca");
    const TableView loca(locaBytes);
    const auto location = [&](size_t glyph) {
        return locationFormat == 0 ? uint32_t(loca.U16(qsizetype(glyph) * 2)) * 2
                                   : loca.U32(qsizetype(glyph) * 4);
    };
    for (size_t glyph = 1; glyph < advances_.size(); ++glyph)
        if (location(glyph + 1) > location(glyph))
            return;
    bitmapOnly_ = true;
}

// "EBLC" lists the strikes, each with index subtables that point each glyph range at its images
// in "EBDT"; only the advance of each glyph is read.
void FaceMetrics::ReadStrikes(const QByteArray& locationBytes, const QByteArray& dataBytes) {
    const TableView eblc(locationBytes), ebdt(dataBytes);
    const uint32_t sizes = eblc.U32(4);
    for (uint32_t s = 0; s < sizes && eblc.Has(8 + qsizetype(s + 1) * kBitmapSizeRecord, 0); ++s) {
        const qsizetype record = 8 + qsizetype(s) * kBitmapSizeRecord;
        const qsizetype array = eblc.U32(record);
        const uint32_t subtables = eblc.U32(record + 8);
        const int pixelSize = eblc.U8(record + 44);
        std::vector<int16_t> strike(advances_.size(), -1);
        for (uint32_t i = 0; i < subtables && eblc.Has(array + qsizetype(i + 1) * 8, 0); ++i) {
            const qsizetype entry = array + qsizetype(i) * 8;
            const uint32_t first = eblc.U16(entry);
            const uint32_t last = std::min<uint32_t>(eblc.U16(entry + 2), uint32_t(advances_.size()) - 1);
            const qsizetype header = array + eblc.U32(entry + 4);
            const uint16_t indexFormat = eblc.U16(header);
            const qsizetype images = eblc.U32(header + 4);
            const qsizetype body = header + 8;
            const auto set = [&strike](uint32_t glyph, int advance) {
                if (glyph < strike.size())
                    strike[glyph] = static_cast<int16_t>(advance);
            };
            const auto imageAdvance = [&](qsizetype offset, qsizetype next) {
                return next > offset && ebdt.Has(images + offset, kAdvanceInMetrics + 1)
                           ? int(ebdt.U8(images + offset + kAdvanceInMetrics))
                           : -1;
            };
            switch (indexFormat) {
            case 1: // 32-bit offsets per glyph
            case 3: // 16-bit offsets per glyph
                for (uint32_t glyph = first; glyph <= last; ++glyph) {
                    const qsizetype at = qsizetype(glyph - first);
                    const qsizetype offset =
                        indexFormat == 1 ? eblc.U32(body + at * 4) : eblc.U16(body + at * 2);
                    const qsizetype next =
                        indexFormat == 1 ? eblc.U32(body + at * 4 + 4) : eblc.U16(body + at * 2 + 2);
                    set(glyph, imageAdvance(offset, next));
                }
                break;
            case 2: // one size and metrics for the whole range
                for (uint32_t glyph = first; glyph <= last; ++glyph)
                    set(glyph, eblc.U8(body + 4 + kAdvanceInMetrics));
                break;
            case 4: { // sparse: glyph and offset pairs
                const uint32_t count = eblc.U32(body);
                for (uint32_t k = 0; k < count; ++k) {
                    const qsizetype pair = body + 4 + qsizetype(k) * 4;
                    set(eblc.U16(pair), imageAdvance(eblc.U16(pair + 2), eblc.U16(pair + 6)));
                }
                break;
            }
            case 5: { // sparse, one size and metrics
                const int advance = eblc.U8(body + 4 + kAdvanceInMetrics);
                const uint32_t count = eblc.U32(body + 12);
                for (uint32_t k = 0; k < count; ++k)
                    set(eblc.U16(body + 16 + qsizetype(k) * 2), advance);
                break;
            }
            default: // a format this reader does not know: the outline advances stand
                break;
            }
        }
        if (pixelSize > 0)
            strikes_[pixelSize] = std::move(strike);
    }
}

int FaceMetrics::Scaled(int units, double pixels) const {
    return static_cast<int>(std::lround(units * pixels / unitsPerEm_));
}

double FaceMetrics::TablePixels(double pixels) const {
    if (!bitmapOnly_)
        return pixels;
    const int nearest = NearestStrike(pixels);
    return pixels * nearest / StrikeEm(nearest);
}

int FaceMetrics::Ascent(double pixels) const {
    return Scaled(winAscent_, TablePixels(pixels));
}

int FaceMetrics::LineHeight(double pixels) const {
    return Scaled(winAscent_, TablePixels(pixels)) + Scaled(winDescent_, TablePixels(pixels));
}

int FaceMetrics::StrikeAdvance(uint32_t glyph, int pixelSize) const {
    const auto strike = strikes_.find(pixelSize);
    if (strike == strikes_.end() || glyph >= strike->second.size())
        return -1;
    return strike->second[glyph];
}

double FaceMetrics::Advance(uint32_t glyph, double pixels) const {
    if (glyph >= advances_.size())
        glyph = 0;
    const double outline = advances_[glyph] * pixels / unitsPerEm_;
    if (bitmapOnly_) {
        const int nearest = NearestStrike(pixels);
        const int advance = StrikeAdvance(glyph, nearest);
        return advance < 0 ? outline : advance * pixels / StrikeEm(nearest);
    }
    if (!IsWholePixelSize(pixels))
        return outline;
    const int advance = StrikeAdvance(glyph, static_cast<int>(std::lround(pixels)));
    return advance >= 0 ? advance : std::round(outline);
}

int FaceMetrics::NearestStrike(double pixels) const {
    int nearest = 0;
    for (const auto& [size, strike] : strikes_)
        if (nearest == 0 || std::abs(StrikeEm(size) - pixels) < std::abs(StrikeEm(nearest) - pixels))
            nearest = size;
    return nearest;
}

double FaceMetrics::DrawnEm(double pixels) const {
    return bitmapOnly_ ? StrikeEm(NearestStrike(pixels)) : pixels;
}

} // namespace k7
