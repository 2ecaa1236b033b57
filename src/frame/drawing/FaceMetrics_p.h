#pragma once

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

namespace k7 {

// A face's metrics as the platform the layouts were drawn for reads them, from the face's own
// tables rather than from the toolkit: a line is the Windows ascent plus the Windows descent
// ("OS/2" usWinAscent, usWinDescent), each scaled to the pixel size and rounded to whole pixels,
// and a glyph advances by the width the face draws it with at that size. Qt measures a face that
// asks for typographic metrics (Tahoma does) with a line of about 0.97 em where these layouts
// expect about 1.21 em, and gives a face with only bitmaps (Small Fonts) its one strike's widths
// at every size; neither is what the layouts were fitted with.
//
// Advances at `pixels` per em:
//   - a face with outlines: the embedded bitmap strike's advance where the face has a strike of
//     exactly that size holding the glyph (Tahoma has them from 8 to 16 pixels), else the
//     outline advance, in whole pixels at a whole pixel size and scaled exactly in between (the
//     controls keep sizes as assigned and Qt draws them at that size, so a size between two
//     pixel sizes measures between them, and a width is proportional to such a size);
//   - a face with bitmaps only (no outline beyond the missing-glyph box): the advances of the
//     nearest strike, scaled to the size, so its text grows and shrinks with the size as it does
//     on that platform. Such a face's size is the em of a strike, which is the strike less the
//     internal leading the platform's copy of the face gives it (FontRegistry::StrikeLeading);
//     its line is the strike's line scaled likewise.
// A face without the tables ("head", a glyph count, advances) is not valid; callers measure it
// another way.
class FaceMetrics {
public:
    // A table of the face by its tag ("OS/2"); empty when the face has none.
    using TableReader = std::function<QByteArray(const char* tag)>;

    // `strikeLeading`: pixels of internal leading in each bitmap strike (see the class comment).
    explicit FaceMetrics(const TableReader& table, int strikeLeading = 0);

    bool IsValid() const { return unitsPerEm_ > 0 && !advances_.empty(); }
    bool IsBitmapOnly() const { return bitmapOnly_; }

    // The Windows ascent and the whole line at `pixels` per em, in whole pixels.
    int Ascent(double pixels) const;
    int LineHeight(double pixels) const;
    // How far `glyph` advances at `pixels` per em, in pixels (see the class comment).
    double Advance(uint32_t glyph, double pixels) const;

    // The strike whose em is nearest `pixels` (0 when the face has none).
    int NearestStrike(double pixels) const;
    // The em at which a face of bitmaps only draws text of `pixels` per em: its nearest strike's,
    // whatever the size. `pixels` for every other face.
    double DrawnEm(double pixels) const;

private:
    double StrikeEm(int strike) const { return strike - strikeLeading_; }
    // The pixels per em of the face's own tables that stand for `pixels`: a face of bitmaps only
    // has its strikes' internal leading inside its em.
    double TablePixels(double pixels) const;
    int Scaled(int units, double pixels) const;
    // The strike advance of `glyph` at `pixelSize`, or -1 when that strike lacks it.
    int StrikeAdvance(uint32_t glyph, int pixelSize) const;
    void ReadStrikes(const QByteArray& locations, const QByteArray& data);
    void ReadOutlinePresence(const TableReader& table, int16_t locationFormat);

    int unitsPerEm_ = 0;
    int winAscent_ = 0;
    int winDescent_ = 0;
    bool bitmapOnly_ = false;
    int strikeLeading_ = 0;
    std::vector<uint16_t> advances_; // design units, one per glyph
    // Advance in pixels per glyph of each strike, by pixel size; -1 where the strike lacks a glyph.
    std::map<int, std::vector<int16_t>> strikes_;
};

} // namespace k7
