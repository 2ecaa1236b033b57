#include "controls/pathcontrol/CanvasInterpreter_p.h"

#include "controls/pathcontrol/RasterSurface_p.h"
#include "core/Conversions_p.h"
#include "core/RuntimeError.h"
#include "frame/control/ControlBase.h"
#include "frame/drawing/Colors.h"

#include <algorithm>
#include <utility>

namespace k7 {

namespace {

// A 16-bit loop counter runs from 0 to 32767; one more iteration overflows it.
constexpr qsizetype kMostIterations = 32768;

constexpr QStringView kLineBreak = u"\r\n";

// Mid(text, start, length) with a 1-based start that is never below 1: error 5 for a negative
// length, whatever is left when the text is shorter.
QStringView Mid(QStringView text, qsizetype start, qsizetype length) {
    if (length < 0)
        Raise(ErrorNumber::InvalidProcedureCall);
    if (start > text.size())
        return {};
    return text.mid(start - 1, std::min(length, text.size() - start + 1));
}

// Field `index` of the text split at `separator`. An empty text has no fields at all (splitting
// nothing gives an empty list), so asking for any of them is error 9, as for a field past the last.
QStringView Field(QStringView text, QChar separator, int index) {
    if (text.isEmpty())
        Raise(ErrorNumber::SubscriptOutOfRange);
    qsizetype start = 0;
    for (int skipped = 0; skipped < index; ++skipped) {
        const qsizetype next = text.indexOf(separator, start);
        if (next < 0)
            Raise(ErrorNumber::SubscriptOutOfRange);
        start = next + 1;
    }
    const qsizetype end = text.indexOf(separator, start);
    return text.mid(start, (end < 0 ? text.size() : end) - start);
}

// The argument text of the method form name(arguments): one character after the name and the
// last character are dropped, unchecked.
QStringView MethodArguments(QStringView statement, qsizetype nameLength) {
    return Mid(statement, nameLength + 2, statement.size() - nameLength - 2);
}

// The value of the form name=value, every blank of the statement removed first.
QString PropertyValue(QStringView statement, qsizetype nameLength) {
    QString compact = statement.toString();
    compact.remove(QLatin1Char(' '));
    return Mid(compact, nameLength + 2, compact.size()).toString();
}

// The value of the form name='value': "=" and the opening quote after the name and the closing
// quote at the end are dropped, unchecked.
QStringView ColourValue(QStringView statement, qsizetype nameLength) {
    return Mid(statement, nameLength + 3, statement.size() - nameLength - 3);
}

// Strict, as a conversion to a number type: blanks around, 13 for anything else.
float StrictSingle(QStringView text) {
    return ToSingle(TextToDouble(text));
}

// Lenient, as Val: the longest leading number, 0 when there is none. See LongestLenientNumber.
double Lenient(QStringView text) {
    return Val(text.left(CanvasInterpreter::LongestLenientNumber));
}

float Argument(QStringView arguments, int index) {
    return StrictSingle(Field(arguments, QLatin1Char(','), index));
}

// The sum of two coordinates as a single: 6 when it leaves the single range.
float SingleSum(float a, float b) {
    return ToSingle(static_cast<double>(a) + static_cast<double>(b));
}

// The colour of a style value: "rgba(r,g,b,a)" or "#rrggbb", everything else black. The "#" form
// is read as the hexadecimal literal "&h" + bb + gg + rr, character pairs taken by position, so
// only the six-digit form gives the colour it names.
uint32_t ColourOf(QStringView value) {
    if (value.startsWith(u"rgba")) {
        const QStringView arguments = MethodArguments(value, 4);
        const auto component = [&arguments](int index) {
            return ToInteger(TextToDouble(Field(arguments, QLatin1Char(','), index)));
        };
        const int16_t red = component(0);
        const int16_t green = component(1);
        const int16_t blue = component(2);
        return Colors::Rgb(red, green, blue);
    }
    if (value.startsWith(u'#')) {
        QString literal = QStringLiteral("&h");
        literal.append(Mid(value, 6, 2)).append(Mid(value, 4, 2)).append(Mid(value, 2, 2));
        return static_cast<uint32_t>(ToLong(TextToDouble(literal)));
    }
    return 0x00000000;
}

} // namespace

CanvasInterpreter::CanvasInterpreter(RasterSurface& surface, RotatedTextDrawer rotatedText)
    : surface_(surface), rotatedText_(std::move(rotatedText)) {}

QString CanvasInterpreter::MessageStatement(const QString& text) {
    return QStringLiteral("ctx.fillText('") + text + QStringLiteral("',10,20)");
}

bool CanvasInterpreter::Run(QStringView script) {
    const std::optional<QString> failure = ControlBase::Trap([&] { RunLines(script); });
    if (!failure)
        return true;
    // The failure is drawn like any text, so it follows TextAlign, TextBaseline and Saved; if even
    // that fails, the picture stays as the script left it.
    ControlBase::Trap([&] {
        surface_.SetForeColor(Colors::Black);
        ExecuteStatement(MessageStatement(QString(*failure).remove(QStringLiteral("\r\n"))));
    });
    return false;
}

void CanvasInterpreter::RunLines(QStringView script) {
    if (script.isEmpty())
        return;
    const qsizetype lines = script.count(kLineBreak) + 1;
    if (lines > kMostIterations)
        Raise(ErrorNumber::Overflow);
    qsizetype start = 0;
    for (qsizetype line = 0; line < lines; ++line) {
        const qsizetype end = line + 1 < lines ? script.indexOf(kLineBreak, start) : script.size();
        RunStatements(script.mid(start, end - start));
        start = end + kLineBreak.size();
    }
    if (lines == kMostIterations) // the counter steps past 32767 after the last line
        Raise(ErrorNumber::Overflow);
}

void CanvasInterpreter::RunStatements(QStringView line) {
    if (line.isEmpty())
        return;
    const qsizetype statements = line.count(QLatin1Char(';')) + 1;
    if (statements > kMostIterations)
        Raise(ErrorNumber::Overflow);
    qsizetype start = 0;
    for (qsizetype statement = 0; statement < statements; ++statement) {
        qsizetype end = line.indexOf(QLatin1Char(';'), start);
        if (end < 0)
            end = line.size();
        if (end > start)
            ExecuteStatement(line.mid(start, end - start));
        start = end + 1;
    }
    if (statements == kMostIterations)
        Raise(ErrorNumber::Overflow);
}

void CanvasInterpreter::ExecuteStatement(QStringView statement) {
    const QStringView s = statement.size() > 4 ? statement.mid(4) : QStringView();
    if (s.startsWith(u"fillText")) {
        if (saved_)
            FillRotatedText(MethodArguments(s, 8));
        else
            FillText(MethodArguments(s, 8));
    } else if (s.startsWith(u"moveTo")) {
        const QStringView arguments = MethodArguments(s, 6);
        const float x = Argument(arguments, 0);
        const float y = Argument(arguments, 1);
        surface_.MoveTo(x, y);
    } else if (s.startsWith(u"lineTo")) {
        const QStringView arguments = MethodArguments(s, 6);
        const float x = Argument(arguments, 0);
        const float y = Argument(arguments, 1);
        surface_.Line(surface_.CurrentX(), surface_.CurrentY(), x, y);
    } else if (s.startsWith(u"arc")) {
        // Angles and direction are not read: every arc is a full, filled circle.
        const QStringView arguments = MethodArguments(s, 3);
        const float x = Argument(arguments, 0);
        const float y = Argument(arguments, 1);
        const float radius = Argument(arguments, 2);
        surface_.SetFillStyle(FillStyle::Solid);
        surface_.Circle(x, y, radius);
        surface_.SetFillStyle(FillStyle::Solid);
    } else if (s.startsWith(u"strokeStyle")) {
        const uint32_t colour = ColourOf(ColourValue(s, 11));
        surface_.SetForeColor(colour);
        surface_.SetFillColor(colour);
    } else if (s.startsWith(u"fillStyle")) {
        const uint32_t colour = ColourOf(ColourValue(s, 9));
        surface_.SetFillColor(colour);
        surface_.SetForeColor(colour);
    } else if (s.startsWith(u"lineWidth")) {
        surface_.SetDrawWidth(ToInteger(TextToDouble(PropertyValue(s, 9))));
    } else if (s.startsWith(u"fillRect")) {
        const QStringView arguments = MethodArguments(s, 8);
        const float x = Argument(arguments, 0);
        const float y = Argument(arguments, 1);
        const float width = Argument(arguments, 2);
        const float height = Argument(arguments, 3);
        surface_.Box(x, y, SingleSum(x, width), SingleSum(y, height), RasterSurface::BoxStyle::Filled);
    } else if (s.startsWith(u"save")) {
        saved_ = true;
        translateArgs_.clear();
    } else if (s.startsWith(u"translate")) {
        translateArgs_ = MethodArguments(s, 9).toString();
    } else if (s.startsWith(u"rotate")) {
        // The angle is not used: rotated text is always turned by -90 degrees.
    } else if (s.startsWith(u"restore")) {
        saved_ = false;
        translateArgs_.clear();
    } else if (s.startsWith(u"textAlign")) {
        textAlign_ = PropertyValue(s, 9).remove(QLatin1Char('\''));
    } else if (s.startsWith(u"textBaseline")) {
        textBaseline_ = PropertyValue(s, 12).remove(QLatin1Char('\''));
    }
}

// Text at a position: 'text',x,y. The x is read leniently, the y strictly; without quotes the
// whole argument is printed where the current point stands, with an unclosed quote nothing is.
void CanvasInterpreter::FillText(QStringView arguments) {
    const qsizetype open = arguments.indexOf(QLatin1Char('\''));
    if (open < 0) {
        surface_.Print(arguments.toString());
        return;
    }
    const qsizetype close = arguments.indexOf(QLatin1Char('\''), open + 1);
    if (close < 0) {
        surface_.Print(QString());
        return;
    }
    const QString text = arguments.mid(open + 1, close - open - 1).toString();
    // The closing quote and the character after it (the ",") are dropped.
    const QStringView rest = close + 2 < arguments.size() ? arguments.mid(close + 2) : QStringView();
    const QStringView xText = Field(rest, QLatin1Char(','), 0);
    const QStringView yText = Field(rest, QLatin1Char(','), 1);

    const double x = Lenient(xText);
    if (textAlign_ == QLatin1String("left"))
        surface_.SetCurrentX(ToSingle(x));
    else if (textAlign_ == QLatin1String("right"))
        surface_.SetCurrentX(ToSingle(x - surface_.TextWidth(text)));
    else
        surface_.SetCurrentX(ToSingle(x - surface_.TextWidth(text) / 2));

    if (textBaseline_ == QLatin1String("top"))
        surface_.SetCurrentY(StrictSingle(yText));
    else if (textBaseline_ == QLatin1String("bottom"))
        surface_.SetCurrentY(ToSingle(TextToDouble(yText) - surface_.TextHeight(text)));
    else
        surface_.SetCurrentY(ToSingle(TextToDouble(yText) - surface_.TextHeight(text) / 2));
    surface_.Print(text);
}

// Between save and restore, text is turned -90 degrees (running downwards) and anchored at the
// point of the last translate, which also becomes the current point. The fillText's own x and y,
// the alignment and any rotate angle play no part.
void CanvasInterpreter::FillRotatedText(QStringView arguments) {
    QString text;
    const qsizetype open = arguments.indexOf(QLatin1Char('\''));
    if (open < 0) {
        text = arguments.toString();
    } else {
        const qsizetype close = arguments.indexOf(QLatin1Char('\''), open + 1);
        if (close >= 0) {
            text = arguments.mid(open + 1, close - open - 1).toString();
            surface_.SetCurrentX(ToSingle(Lenient(Field(translateArgs_, QLatin1Char(','), 0))));
            surface_.SetCurrentY(StrictSingle(Field(translateArgs_, QLatin1Char(','), 1)));
        }
    }
    rotatedText_(text, ToLong(surface_.CurrentX()), ToLong(surface_.CurrentY()));
}

} // namespace k7
