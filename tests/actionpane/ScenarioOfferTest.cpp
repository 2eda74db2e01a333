// What the scenario card offers, from a detection result and the file's name.
#include "NamingTemplate.h"
#include "WindowTestSupport.h"
#include "action/ScenarioOffer.h"

#include <gtest/gtest.h>

namespace {

ScenarioMatch invoiceMatch(bool renameReady, bool filingReady, std::optional<QString> folder)
{
    ScenarioMatch match;
    match.kind = ScenarioKind::invoice;
    match.base = QStringLiteral("Acme_发票");
    match.datePrefix = QStringLiteral("2024-03-01");
    match.renameReady = renameReady;
    match.filingReady = filingReady;
    match.folderHint = std::move(folder);
    return match;
}

} // namespace

TEST(ScenarioOffer, TheExtensionIsTheTextAfterTheLastDotWithItsCase)
{
    const std::pair<QString, QString> cases[] = {
        {"scan.PDF", "PDF"}, {"logs.tar.gz", "gz"}, {".bashrc", ""}, {"README", ""},
        {"name.", ""},       {"发票.jpeg", "jpeg"}, {"a.b.Txt", "Txt"},
    };
    for (const auto &[name, ext] : cases)
        EXPECT_EQ(pathExtension(name), ext) << name.toStdString();
}

TEST(ScenarioOffer, TheSuggestionFollowsTheTemplateOfTheMoment)
{
    ScopedLanguage zh(QStringLiteral("zh-Hans"));
    const ScenarioMatch match = invoiceMatch(true, false, std::nullopt);
    EXPECT_EQ(ScenarioOffer::make(match, "scan.PDF").suggested, "2024-03-01_Acme_发票.PDF");
    EXPECT_EQ(ScenarioOffer::make(match, ".bashrc").suggested, "2024-03-01_Acme_发票");
    EXPECT_EQ(ScenarioOffer::make(match, "scan.PDF").kindText, "invoice");

    NamingTemplate changed;
    changed.datePosition = NamingTemplate::DatePosition::suffix;
    changed.separator = NamingTemplate::Separator::hyphen;
    changed.persist();
    EXPECT_EQ(ScenarioOffer::make(match, "scan.PDF").suggested, "Acme_发票-2024-03-01.PDF");
    NamingTemplate().persist();
}

TEST(ScenarioOffer, AlreadyRightIsExactEquality)
{
    const ScenarioMatch match = invoiceMatch(true, false, std::nullopt);
    EXPECT_TRUE(ScenarioOffer::make(match, "2024-03-01_Acme_发票.pdf").alreadyRight);
    EXPECT_FALSE(ScenarioOffer::make(match, "2024-03-01_acme_发票.pdf").alreadyRight);
    EXPECT_FALSE(ScenarioOffer::make(match, "2024-03-01_Acme_发票 .pdf").alreadyRight);
    EXPECT_FALSE(ScenarioOffer::make(invoiceMatch(false, false, std::nullopt), "x.pdf").suggested.has_value());
}

TEST(ScenarioOffer, FilingLabelAndFinalNameDependOnRenameReadyAlone)
{
    ScopedLanguage zh(QStringLiteral("zh-Hans"));
    const struct
    {
        bool renameReady, filingReady;
        std::optional<QString> folder;
        QString fileName;
        std::optional<QString> label;
        QString finalName;
    } cases[] = {
        {true, true, "发票", "scan.pdf", "改名并归入「发票」", "2024-03-01_Acme_发票.pdf"},
        {false, true, "发票", "scan.pdf", "归入「发票」", ""},
        // Already right: still the renaming label, with the current name.
        {true, true, "发票", "2024-03-01_Acme_发票.pdf", "改名并归入「发票」", "2024-03-01_Acme_发票.pdf"},
        {true, true, std::nullopt, "scan.pdf", std::nullopt, ""},
        {true, false, "发票", "scan.pdf", std::nullopt, ""},
    };
    for (const auto &c : cases) {
        const ScenarioOffer offer = ScenarioOffer::make(invoiceMatch(c.renameReady, c.filingReady, c.folder), c.fileName);
        EXPECT_EQ(offer.filingLabel, c.label) << c.fileName.toStdString();
        EXPECT_EQ(offer.filingFinalName, c.finalName) << c.fileName.toStdString();
    }
}
