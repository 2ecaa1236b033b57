#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <functional>

namespace k7 {

class RasterSurface;

// Runs the drawing scripts of the path view's drawing service on a RasterSurface. A script is
// text in the style of an HTML canvas program ("ctx.moveTo(10,20);ctx.lineTo(30,40)"), but there
// is no script engine: lines are cut at CR LF, statements at ";", and each statement is matched by
// its leading characters against fourteen commands that map onto the surface's own operations
// (print at a current point, line, filled box, circle, rotated text). What matches no command is
// ignored. Nothing is kept for later: every statement draws at once.
//
// Quirks that scripts in the field rely on, kept on purpose:
//   - nothing is trimmed, and the first four characters of a statement are dropped whatever they
//     are (normally "ctx."), so a lone LF or a leading blank makes a statement match nothing;
//   - the characters around arguments ("(" and ")", "=" and the quotes) are dropped by position,
//     unchecked; a colour property does not tolerate blanks around its "=";
//   - colours are "rgba(r,g,b,a)" (the opacity ignored) or "#rrggbb", everything else is black;
//   - `save` switches fillText to text turned -90 degrees at the point of the last `translate`;
//     it is a flag, not a stack, and `restore` ends it;
//   - TextAlign and TextBaseline, the current point, colours and line width carry over from one
//     statement and one script to the next (only the surface's Clear resets the current point);
//   - the line and statement loops count in 16 bits: 32768 or more lines (or statements on a line)
//     end in an overflow, before the first one when there are more than 32768.
//
// Failures. Any error while a script runs (a malformed number, a missing argument, a line width
// below 1) abandons the rest of the script; its text, number "-" description, is then drawn in
// black at (10, 20) through the interpreter itself, anchored as TextAlign and TextBaseline say.
//
// Hostile scripts. A script comes from a service over the network and may be anything, so the
// cost of every statement is bounded by the picture, never by the numbers in it:
//   - the loops cannot run more than 32768 x 32768 statements, and every statement is a view into
//     the script: nothing is copied but the text a fillText prints;
//   - coordinates go through the strict single-precision conversion (a magnitude beyond a single
//     is an overflow, trapped); the surface clips lines and boxes to the picture and fills circles
//     row by row over the picture only, whatever the radius; the line width is a 16-bit integer;
//   - the lenient reading of a text's x position costs the square of the length of its number in
//     the worst case, so it sees at most the first LongestLenientNumber characters; no real
//     coordinate comes near that;
// so a script costs time linear in its length and memory linear in its length plus the picture.
class CanvasInterpreter {
public:
    // Draws rotated text (the text, device x, device y): the control's TextRotate at -90 degrees.
    using RotatedTextDrawer = std::function<void(const QString& text, int32_t x, int32_t y)>;

    // Characters of a text's x position the lenient reading looks at (see the class comment).
    static constexpr qsizetype LongestLenientNumber = 256;

    CanvasInterpreter(RasterSurface& surface, RotatedTextDrawer rotatedText);

    // The statement that draws a message at (10, 20), where the path view puts its failures and
    // status texts: ctx.fillText('<text>',10,20), without the closing ";".
    static QString MessageStatement(const QString& text);

    // Runs a whole script. True when it ran to its end; false when an error stopped it, in which
    // case the failure text has been drawn as a message. Never throws.
    bool Run(QStringView script);
    // One statement, receiver included; errors reach the caller.
    void ExecuteStatement(QStringView statement);

    const QString& TextAlign() const { return textAlign_; }

private:
    void RunLines(QStringView script);
    void RunStatements(QStringView line);
    void FillText(QStringView arguments);
    void FillRotatedText(QStringView arguments);

    RasterSurface& surface_;
    RotatedTextDrawer rotatedText_;
    bool saved_ = false;
    QString translateArgs_;
    QString textAlign_;
    QString textBaseline_;
};

} // namespace k7
