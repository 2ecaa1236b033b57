// Figures are read and written with "." as decimal point whatever the process locale: a Qt host
// calls setlocale(LC_ALL, ""), and on a German terminal the C library's printf and strtod then
// write and expect ",".

#include "JsonTestSupport.h"
#include "support/Checks.h"

#include "core/Conversions.h"
#include "core/Decimal.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <functional>
#include <string>

namespace k7::test {
namespace {

QString Number(double value) {
    return QString::number(value);
} // Qt writes "." in any locale

TEST(NumberLocale, ConversionsKeepThePointUnderACommaLocale) {
    const std::pair<std::function<QString()>, const char*> rows[] = {
        // what `k7 show ProdCode` displays for "Id_prod":12.5, and the other figure texts
        {[] {
             return Variant(12.5).ToText() + u' ' + NumberToText(-2.5e-5) + u' ' + Variant(55.2f).ToText();
         },
         "12.5 -2.5E-05 55.2"},
        {[] { return Decimal::FromDouble(0.1).value_or(Decimal()).ToText(); }, "0.1"},
        {[] { return Number(Val(NumberToText(55.2))) + u' ' + Number(Val(u"-3.5x")); }, "55.2 -3.5"},
        {[] {
             return Number(TextToDouble(u" 12.5 ")) + u' ' + Number(ParseNumber(u"2.5E-3").value_or(-1)) +
                    u' ' + Number(TextToDouble(u"1.5e-999"));
         },
         "12.5 0.0025 0"},
        {[] {
             auto doc = Parse(QStringLiteral("[0.5, 2.75]"), true);
             return Number(doc->Item(1).ToDouble()) + u' ' + Number(doc->Item(2).ToLong()) + u' ' +
                    doc->JSON();
         },
         "0.5 3 [0.5,2.75]"},
        {[] {
             auto doc = Parse(QStringLiteral("[12.5,1e-05,1.5e300]"));
             doc->SetItem(Variant::Null(), 55.2f);
             doc->SetItem(Variant::Null(), Currency{125000});
             return doc->JSON();
         },
         "[12.5,1e-05,1.5e+300,55.2,12.5]"}};

    // A comma-decimal locale: an installed one, or de_DE compiled into a temporary directory
    // named by LOCPATH, as a fresh Debian has none. Both are put back at the end.
    const std::string before = std::setlocale(LC_ALL, nullptr);
    const QByteArray locPath = qgetenv("LOCPATH");
    QTemporaryDir dir;
    auto use = [](const char* name) {
        return std::setlocale(LC_ALL, name) && std::localeconv()->decimal_point == std::string(",");
    };
    if (!use("de_DE.UTF-8") && dir.isValid()) {
        QProcess::execute(QStringLiteral("localedef"),
                          {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                           QStringLiteral("UTF-8"), dir.filePath(QStringLiteral("de_DE.UTF-8"))});
        qputenv("LOCPATH", dir.path().toLocal8Bit());
    }
    if (use("de_DE.UTF-8")) {
        for (const auto& [run, expected] : rows)
            EXPECT_EQ(Outcome(run), QString::fromUtf8(expected));
    }
    const bool made = std::localeconv()->decimal_point == std::string(",");
    std::setlocale(LC_ALL, before.c_str());
    locPath.isNull() ? qunsetenv("LOCPATH") : qputenv("LOCPATH", locPath);
    if (!made)
        GTEST_SKIP()
            << "no comma-decimal locale: de_DE.UTF-8 is not installed and `localedef -i de_DE -f UTF-8` "
               "could not make it (it needs the Debian package `locales`)";
}

} // namespace
} // namespace k7::test
