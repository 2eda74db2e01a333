// Kinds and confidences with their raw values, labels and icons.
#include "Localization.h"
#include "ScenarioMatch.h"

#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

namespace {

TEST(ScenarioMatch, KindsRoundTripTheirCaseNamesExactly)
{
    QStringList names;
    for (ScenarioKind kind : ScenarioKinds::all()) {
        names << ScenarioKinds::rawValue(kind);
        EXPECT_EQ(ScenarioKinds::fromRawValue(ScenarioKinds::rawValue(kind)), kind);
    }
    EXPECT_EQ(names, (QStringList{"invoice", "payment", "bankStatement", "travel", "paper",
                                  "screenshot", "idDoc", "installer", "contract", "document",
                                  "unknown"}));
    EXPECT_EQ(ScenarioKinds::fromRawValue("Invoice"), std::nullopt);
    EXPECT_EQ(ScenarioKinds::fromRawValue("bankstatement"), std::nullopt);
    EXPECT_EQ(ScenarioKinds::fromRawValue(""), std::nullopt);
}

TEST(ScenarioMatch, IconsAndLabelsInBothLanguages)
{
    EXPECT_EQ(ScenarioKinds::icon(ScenarioKind::unknown), "doc");
    EXPECT_EQ(ScenarioKinds::icon(ScenarioKind::document), "doc.text");
    EXPECT_EQ(ScenarioKinds::icon(ScenarioKind::bankStatement), "building.columns");
    EXPECT_EQ(ScenarioKinds::icon(ScenarioKind::invoice), "doc.text.below.ecg");

    Loc::shared().setOverride(QStringLiteral("zh-Hans"));
    EXPECT_EQ(ScenarioKinds::label(ScenarioKind::invoice), "报销发票");
    EXPECT_EQ(ScenarioKinds::label(ScenarioKind::unknown), "文件");
    // The label follows the language at each reading.
    Loc::shared().setOverride(QStringLiteral("en"));
    EXPECT_EQ(ScenarioKinds::label(ScenarioKind::invoice), "Invoice");
    QSet<QString> labels;
    for (ScenarioKind kind : ScenarioKinds::all())
        labels << ScenarioKinds::label(kind);
    EXPECT_EQ(labels.size(), 11);
    for (const QString &label : labels)
        EXPECT_FALSE(label.contains(QRegularExpression("[\\x{4e00}-\\x{9fa5}]"))) << label.toStdString();
    Loc::shared().setOverride(std::nullopt);
}

TEST(ScenarioMatch, ConfidenceTexts)
{
    using Conf = ScenarioMatch::Conf;
    for (Conf conf : {Conf::high, Conf::medium, Conf::low})
        EXPECT_EQ(ScenarioMatch::confFromRawValue(ScenarioMatch::rawValue(conf)), conf);
    EXPECT_EQ(ScenarioMatch::rawValue(Conf::medium), "medium");
    EXPECT_EQ(ScenarioMatch::confFromRawValue("—"), std::nullopt);
    EXPECT_EQ(ScenarioMatch::confFromRawValue("High"), std::nullopt);
}

TEST(ScenarioMatch, ADefaultMatchIsAnUnknownWithNothingOffered)
{
    const ScenarioMatch match;
    EXPECT_EQ(match.kind, ScenarioKind::unknown);
    EXPECT_EQ(match.conf, ScenarioMatch::Conf::low);
    EXPECT_FALSE(match.folderHint);
    EXPECT_FALSE(match.renameReady || match.filingReady || match.sensitive);
    EXPECT_TRUE(match.groundedSlot);
    ScenarioMatch other = match;
    other.base = "x";
    EXPECT_NE(other, match);
}

} // namespace
