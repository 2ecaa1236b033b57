// Every control's design state and its state after the first Refresh(False) (no APIHost, so no
// load), as `k7 show --dump` writes them, against one golden file per control in tests/golden.
// A change of design, layout or dump format shows here as a diff of that file. After a deliberate
// change, rewrite the files with K7_UPDATE_GOLDEN=1 and review the diff before committing it.

#include "support/K7Process.h"
#include "support/Printers.h"

#include "controls/ControlCatalog.h"
#include "json/JsonBag.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

std::shared_ptr<k7::JsonBag> Dump(const QString& control, const QStringList& steps) {
    return RunK7Json(QStringList{"show", control} + steps + QStringList{"--dump", "-"});
}

class GoldenDump : public ::testing::TestWithParam<QString> {};

TEST_P(GoldenDump, DesignStateAndFirstLayoutMatchTheGoldenFile) {
    auto both = k7::JsonBag::Create();
    both->SetItem(k7::Variant("before Refresh(False)"), k7::Variant(Dump(GetParam(), {"--no-refresh"})));
    both->SetItem(k7::Variant("after Refresh(False)"), k7::Variant(Dump(GetParam(), {"--refresh", "false"})));
    both->SetWhitespace(true);
    const QString actual = both->JSON() + "\n";

    QFile golden(QStringLiteral(K7_GOLDEN_DIR "/%1.json").arg(GetParam()));
    if (qEnvironmentVariableIsSet("K7_UPDATE_GOLDEN")) {
        ASSERT_TRUE(golden.open(QIODevice::WriteOnly | QIODevice::Truncate)) << golden.fileName().toStdString();
        golden.write(actual.toUtf8());
        return;
    }
    ASSERT_TRUE(golden.open(QIODevice::ReadOnly)) << golden.fileName().toStdString()
                                                  << " is missing: run with K7_UPDATE_GOLDEN=1";
    EXPECT_EQ(actual.toStdString(), QString::fromUtf8(golden.readAll()).toStdString());
}

INSTANTIATE_TEST_SUITE_P(Catalog, GoldenDump, ::testing::ValuesIn(k7::ControlCatalog::Names()),
                         [](const auto& info) { return info.param.toStdString(); });

} // namespace
