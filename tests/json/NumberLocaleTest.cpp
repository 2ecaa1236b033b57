// Figures are read and written with "." as decimal point whatever the process locale: a Qt host
// calls setlocale(LC_ALL, ""), and on a German terminal the C library's printf and strtod then
// write and expect ",".

#include "JsonTestSupport.h"

#include "core/Conversions_p.h"
#include "core/Decimal.h"

#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace k7::test {
namespace {

TEST(NumberLocale, ConversionsKeepThePointUnderACommaLocale) {
    // A comma-decimal locale: an installed one, or de_DE compiled into a temporary directory
    // named by LOCPATH, as a fresh Debian has none.
    const std::string before = std::setlocale(LC_ALL, nullptr);
    const QByteArray locPath = qgetenv("LOCPATH");
    // Put back however the test ends: under the wrong locale a reader may raise.
    const auto restore = qScopeGuard([&] {
        std::setlocale(LC_ALL, before.c_str());
        locPath.isNull() ? qunsetenv("LOCPATH") : qputenv("LOCPATH", locPath);
    });
    QTemporaryDir dir;
    auto use = [](const char* name) {
        return std::setlocale(LC_ALL, name) && std::localeconv()->decimal_point == std::string(",");
    };
    if (!use("de_DE.UTF-8") && dir.isValid()) {
        QProcess::execute("localedef", {"-i", "de_DE", "-f", "UTF-8", dir.filePath("de_DE.UTF-8")});
        qputenv("LOCPATH", dir.path().toLocal8Bit());
    }
    if (!use("de_DE.UTF-8"))
        GTEST_SKIP()
            << "no comma-decimal locale: de_DE.UTF-8 is not installed and `localedef -i de_DE -f UTF-8` "
               "could not make it (it needs the Debian package `locales`)";
    // Every figure text that goes through the C library: display texts (what `k7 show ProdCode`
    // displays for "Id_prod":12.5), Val, the text readers, decimals, and the JSON reader and writer.
    EXPECT_EQ(Variant(12.5).ToText() + u' ' + NumberToText(-2.5e-5) + u' ' + Variant(55.2f).ToText(),
              "12.5 -2.5E-05 55.2");
    EXPECT_EQ(Decimal::FromDouble(0.1).value_or(Decimal()).ToText(), "0.1");
    EXPECT_EQ(Val(u"-3.5x"), -3.5);
    EXPECT_EQ(TextToDouble(u"1.5e-999"), 0);
    auto decimals = Parse("[0.5, 2.75]", true);
    EXPECT_EQ(decimals->Item(1).ToDouble(), 0.5);
    EXPECT_EQ(decimals->Item(2).ToLong(), 3);
    EXPECT_EQ(decimals->JSON(), "[0.5,2.75]");
    auto doubles = Parse("[12.5,1e-05,1.5e300]");
    doubles->SetItem(Variant::Null(), 55.2f);
    doubles->SetItem(Variant::Null(), Currency{125000});
    EXPECT_EQ(doubles->JSON(), "[12.5,1e-05,1.5e+300,55.2,12.5]");
}

} // namespace
} // namespace k7::test
