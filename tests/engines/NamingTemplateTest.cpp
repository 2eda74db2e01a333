// The naming template: rendering, its stored form, loading with the older flag, and the
// application-wide store.
#include "Defaults.h"
#include "NamingTemplate.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

using Position = NamingTemplate::DatePosition;
using Style = NamingTemplate::DateStyle;
using Sep = NamingTemplate::Separator;

void clearStored()
{
    Defaults::shared().remove(NamingTemplate::storageKey);
    Defaults::shared().remove(NamingTemplate::includeDateKey);
}

TEST(NamingTemplate, RendersNamesForEveryPositionStyleAndSeparator)
{
    struct Case {
        NamingTemplate t;
        const char *base;
        const char *date;
        const char *ext;
        const char *expected;
    };
    const Case cases[] = {
        {{}, "Report", "2024-03-15", "pdf", "2024-03-15_Report.pdf"},
        {{Position::suffix, Style::ymdCompact, Sep::hyphen}, "Report", "2024-03-15", "pdf", "Report-20240315.pdf"},
        {{Position::prefix, Style::ym, Sep::space}, "Report", "2024-03-15", "", "2024-03 Report"},
        {{Position::suffix, Style::ymd, Sep::dot}, "Report", "2024-03-15", "pdf", "Report.2024-03-15.pdf"},
        {{Position::none, Style::ymd, Sep::underscore}, "  Report  ", "2024-03-15", "pdf", "Report.pdf"},
        // Tabs and other space characters around the base go; line breaks are not spaces.
        {{}, "\t\u3000Report\u00a0", "2024-03-15", "pdf", "2024-03-15_Report.pdf"},
        {{}, "Report\n", "2024-03-15", "", "2024-03-15_Report\n"},
        // No date is put before or after an empty base.
        {{}, "", "2024-03-15", "pdf", ".pdf"},
        {{Position::suffix, Style::ym, Sep::hyphen}, "   ", "2024-03-15", "pdf", ".pdf"},
        {{}, "", "2024-03-15", "", ""},
        // An empty or blank date leaves the base alone.
        {{}, "Report", "", "pdf", "Report.pdf"},
        {{Position::suffix, Style::ymdCompact, Sep::hyphen}, "Report", " \t", "pdf", "Report.pdf"},
        // A date not in year-month-day form is used unchanged in every style.
        {{Position::prefix, Style::ymdCompact, Sep::underscore}, "Report", "2024/03/15", "pdf", "2024/03/15_Report.pdf"},
        {{Position::suffix, Style::ym, Sep::underscore}, "Report", "2024/03/15", "pdf", "Report_2024/03/15.pdf"},
        {{Position::prefix, Style::ym, Sep::underscore}, "Report", "24-03-15", "pdf", "24-03-15_Report.pdf"},
        {{Position::prefix, Style::ymdCompact, Sep::underscore}, "Report", "24-03-15", "pdf", "24-03-15_Report.pdf"},
        {{Position::prefix, Style::ym, Sep::underscore}, "Report", "2024-03", "pdf", "2024-03_Report.pdf"},
        // The date is trimmed; empty pieces between hyphens are skipped.
        {{Position::prefix, Style::ymdCompact, Sep::underscore}, "Report", " 2024--03-15 ", "txt", "20240315_Report.txt"},
        {{Position::prefix, Style::ymd, Sep::underscore}, "Report", " 2024-03-15 ", "txt", "2024-03-15_Report.txt"},
        {{Position::prefix, Style::ymdCompact, Sep::hyphen}, "发票", "2024-03-15", "pdf", "20240315-发票.pdf"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.t.render(QString::fromUtf8(c.base), QString::fromUtf8(c.date), QString::fromUtf8(c.ext)),
                  QString::fromUtf8(c.expected))
            << c.base << " | " << c.date << " | " << c.ext;
    }
}

TEST(NamingTemplate, RawValuesAreExactAndInDeclarationOrder)
{
    QStringList positions, styles, separators;
    for (auto p : NamingTemplate::allDatePositions())
        positions << NamingTemplate::rawValue(p);
    for (auto s : NamingTemplate::allDateStyles())
        styles << NamingTemplate::rawValue(s);
    for (auto s : NamingTemplate::allSeparators())
        separators << NamingTemplate::rawValue(s);
    EXPECT_EQ(positions, QStringList({"prefix", "suffix", "none"}));
    EXPECT_EQ(styles, QStringList({"ymd", "ymdCompact", "ym"}));
    EXPECT_EQ(separators, QStringList({"_", "-", " ", "."}));

    EXPECT_EQ(NamingTemplate::separatorFromRaw(" "), Sep::space);
    for (const char *raw : {"Prefix", "prefix ", "", "~", "ymdcompact"}) {
        EXPECT_FALSE(NamingTemplate::datePositionFromRaw(raw)) << raw;
        EXPECT_FALSE(NamingTemplate::dateStyleFromRaw(raw)) << raw;
        EXPECT_FALSE(NamingTemplate::separatorFromRaw(raw)) << raw;
    }
}

TEST(NamingTemplate, PersistWritesTheJsonDataAndTheOlderFlag)
{
    const NamingTemplate t{Position::none, Style::ym, Sep::dot};
    t.persist();
    const QByteArray data = Defaults::shared().data(NamingTemplate::storageKey);
    const QJsonObject object = QJsonDocument::fromJson(data).object();
    EXPECT_EQ(object, QJsonObject({{"datePosition", "none"}, {"dateStyle", "ym"}, {"separator", "."}}));
    EXPECT_EQ(Defaults::shared().value(NamingTemplate::includeDateKey), QVariant(false));
    EXPECT_EQ(NamingTemplate::loadOrMigrate(), t);

    NamingTemplate{Position::suffix, Style::ymd, Sep::space}.persist();
    EXPECT_EQ(Defaults::shared().value(NamingTemplate::includeDateKey), QVariant(true));

    // The stored form survives a fresh read of the settings file.
    Defaults::shared().sync();
    EXPECT_EQ(NamingTemplate::loadOrMigrate(), (NamingTemplate{Position::suffix, Style::ymd, Sep::space}));
}

TEST(NamingTemplate, LoadingFallsBackToTheOlderFlagThenTheDefaultAndWritesNothing)
{
    const NamingTemplate withDate{};
    const NamingTemplate withoutDate{Position::none, Style::ymd, Sep::underscore};
    struct Case {
        const char *name;
        QVariant stored; // invalid: absent
        QVariant flag;   // invalid: absent
        NamingTemplate expected;
    };
    const QByteArray valid = R"({"datePosition":"suffix","dateStyle":"ym","separator":"-","extra":1})";
    const Case cases[] = {
        {"nothing stored", {}, {}, withDate},
        {"valid data wins over the flag", valid, false, {Position::suffix, Style::ym, Sep::hyphen}},
        {"tilde separator, flag false", QByteArray(R"({"datePosition":"prefix","dateStyle":"ymd","separator":"~"})"), false, withoutDate},
        {"missing member, flag true", QByteArray(R"({"datePosition":"suffix","dateStyle":"ym"})"), true, withDate},
        {"member not text", QByteArray(R"({"datePosition":"suffix","dateStyle":"ym","separator":1})"), false, withoutDate},
        {"not JSON", QByteArray("prefix/ymd/_"), {}, withDate},
        {"JSON array", QByteArray(R"(["prefix","ymd","_"])"), {}, withDate},
        {"text instead of data", QString::fromUtf8(valid), {}, withDate},
        {"flag false alone", {}, false, withoutDate},
        {"flag true alone", {}, true, withDate},
        {"flag as text is ignored", {}, QStringLiteral("false"), withDate},
        {"flag as number is ignored", {}, 0, withDate},
    };
    for (const Case &c : cases) {
        clearStored();
        if (c.stored.isValid())
            Defaults::shared().setValue(NamingTemplate::storageKey, c.stored);
        if (c.flag.isValid())
            Defaults::shared().setValue(NamingTemplate::includeDateKey, c.flag);

        QSignalSpy writes(&Defaults::shared(), &Defaults::changed);
        EXPECT_EQ(NamingTemplate::loadOrMigrate(), c.expected) << c.name;
        EXPECT_EQ(writes.count(), 0) << c.name;
        EXPECT_EQ(Defaults::shared().value(NamingTemplate::storageKey), c.stored) << c.name;
        EXPECT_EQ(Defaults::shared().value(NamingTemplate::includeDateKey), c.flag) << c.name;
    }
}

TEST(NamingStore, LoadsOnceAndRemembersTheLastDatePosition)
{
    NamingTemplate{Position::suffix, Style::ymdCompact, Sep::hyphen}.persist();
    NamingStore store;
    EXPECT_EQ(store.currentTemplate(), (NamingTemplate{Position::suffix, Style::ymdCompact, Sep::hyphen}));
    EXPECT_EQ(store.lastDatePosition(), Position::suffix);

    // Changes other code makes to the settings are not read back.
    NamingTemplate{Position::none, Style::ym, Sep::dot}.persist();
    EXPECT_EQ(store.currentTemplate().datePosition, Position::suffix);

    clearStored();
    Defaults::shared().setValue(NamingTemplate::includeDateKey, false);
    NamingStore withoutDate;
    EXPECT_EQ(withoutDate.currentTemplate().datePosition, Position::none);
    EXPECT_EQ(withoutDate.lastDatePosition(), Position::prefix);
}

TEST(NamingStore, TellsObserversOnlyOfChangesButPersistsEveryAssignment)
{
    clearStored();
    NamingStore store;
    QSignalSpy templateChanges(&store, &NamingStore::templateChanged);
    QSignalSpy positionChanges(&store, &NamingStore::lastDatePositionChanged);

    // Someone else changed the stored keys; assigning the same template writes them back.
    Defaults::shared().setValue(NamingTemplate::storageKey, QByteArray("garbage"));
    Defaults::shared().setValue(NamingTemplate::includeDateKey, false);
    store.setTemplate(NamingTemplate{});
    EXPECT_EQ(templateChanges.count(), 0);
    EXPECT_EQ(positionChanges.count(), 0);
    EXPECT_EQ(NamingTemplate::decode(Defaults::shared().data(NamingTemplate::storageKey)), NamingTemplate{});
    EXPECT_EQ(Defaults::shared().value(NamingTemplate::includeDateKey), QVariant(true));

    // Turning the date off keeps the position to restore.
    store.setTemplate({Position::none, Style::ymd, Sep::underscore});
    EXPECT_EQ(templateChanges.count(), 1);
    EXPECT_EQ(positionChanges.count(), 0);
    EXPECT_EQ(store.lastDatePosition(), Position::prefix);
    EXPECT_EQ(Defaults::shared().value(NamingTemplate::includeDateKey), QVariant(false));

    store.setTemplate({Position::suffix, Style::ymd, Sep::underscore});
    EXPECT_EQ(templateChanges.count(), 2);
    EXPECT_EQ(positionChanges.count(), 1);
    EXPECT_EQ(store.lastDatePosition(), Position::suffix);
    EXPECT_EQ(NamingTemplate::loadOrMigrate().datePosition, Position::suffix);

    store.setLastDatePosition(Position::suffix);
    EXPECT_EQ(positionChanges.count(), 1);
    store.setLastDatePosition(Position::prefix);
    EXPECT_EQ(positionChanges.count(), 2);
}

} // namespace
