#include "Defaults.h"
#include "Localization.h"
#include "StringsTable.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

TEST(Localization, ResolveSystemTakesTheFirstChineseOrEnglishLanguage)
{
    const struct
    {
        QStringList preferred;
        const char *expected;
    } cases[] = {
        {{"fr-FR", "zh-Hant-TW"}, "zh-Hans"},
        {{"fr-FR", "de"}, "en"},
        {{"en-GB", "zh-Hans"}, "en"},
        {{"ZH-hk"}, "zh-Hans"},
        {{}, "en"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Loc::resolveSystem(c.preferred), QString::fromUtf8(c.expected))
            << c.preferred.join(u',').toStdString();
}

TEST(Localization, UnsupportedOverrideIsIgnored)
{
    Defaults::shared().setValue(Loc::overrideKey, QStringLiteral("ja"));
    EXPECT_FALSE(Loc::shared().override().has_value());
    EXPECT_EQ(Loc::resolve(), Loc::resolveSystem());
    Defaults::shared().remove(Loc::overrideKey);
}

TEST(Localization, SetOverrideSwitchesAtOnceAndBumpsRevisionOnce)
{
    Loc &loc = Loc::shared();
    loc.setOverride(QStringLiteral("zh-Hans"));
    const QString key = QStringLiteral("该操作已撤销，无法重复撤销");
    EXPECT_EQ(L(key), key);
    EXPECT_EQ(L("已移到废纸篓 %lld 项", 3), QStringLiteral("已移到废纸篓 3 项"));

    QSignalSpy spy(&loc, &Loc::revisionChanged);
    const int before = loc.revision();
    loc.setOverride(QStringLiteral("en"));
    EXPECT_EQ(loc.revision(), before + 1);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(loc.language(), QStringLiteral("en"));
    EXPECT_EQ(L(key), QStringLiteral("This operation has already been undone and cannot be undone again"));
    EXPECT_EQ(Defaults::shared().value(QStringLiteral("AppleLanguages")).toStringList(),
              QStringList{QStringLiteral("en")});
    // A key the English table lacks shows the Chinese key.
    EXPECT_EQ(L("表里没有的键"), QStringLiteral("表里没有的键"));

    loc.setOverride(std::nullopt);
    EXPECT_FALSE(Defaults::shared().contains(Loc::overrideKey));
    EXPECT_FALSE(Defaults::shared().contains(QStringLiteral("AppleLanguages")));
    EXPECT_EQ(loc.language(), Loc::resolveSystem());
    EXPECT_EQ(loc.revision(), before + 2);
}

TEST(Localization, StringsParserHandlesEscapesAndRejectsBadTables)
{
    const auto table = StringsTable::parse(QStringLiteral(
        "\"a\\\"b\" = \"line\\nnext \\\\ \\U00e9\";\n// note\nbare = \"x\";"));
    ASSERT_TRUE(table);
    EXPECT_EQ(table->value(QStringLiteral("a\"b")), QStringLiteral("line\nnext \\ é"));
    EXPECT_EQ(table->value(QStringLiteral("bare")), QStringLiteral("x"));
    EXPECT_TRUE(StringsTable::parse(QString())->isEmpty());

    for (const char *bad : {"\"a\" = \"b\"", "\"a\" \"b\";", "\"a\" = \"b;", "/* open"})
        EXPECT_FALSE(StringsTable::parse(QString::fromUtf8(bad))) << bad;
}

TEST(Localization, UnreadableTableLoadsEmpty)
{
    const QString dir = TestSupport::makeFolder(QStringLiteral("broken"));
    TestSupport::writeFile(dir + "/x.strings", "\"unterminated = ");
    EXPECT_FALSE(StringsTable::load(dir + "/x.strings"));
    EXPECT_FALSE(StringsTable::load(dir + "/missing.strings"));
}

class LinkedProbe : public testing::Test
{
protected:
    // A copy of the probe executable with its own English table, started through a
    // symbolic link in another folder.
    void SetUp() override
    {
        real = TestSupport::makeFolder(QStringLiteral("app/real"));
        link = TestSupport::makeFolder(QStringLiteral("elsewhere")) + "/probe";
        ASSERT_TRUE(QFile::copy(QStringLiteral(MAROVEL_TEST_PROBE), real + "/probe"));
        TestSupport::writeFile(real + "/en.lproj/Localizable.strings", R"(
            /* comment */ "你好" = "Hello from beside";
            "%@ 项" = "%@ items %@";   // would read a missing argument
            "%lld 个" = "%@ pieces";     // another kind of argument
            "好 %@" = "Good %@";
        )");
        ASSERT_EQ(::symlink(QFile::encodeName(real + "/probe").constData(),
                            QFile::encodeName(link).constData()),
                  0);
    }

    QString run(const QStringList &arguments)
    {
        QProcess probe;
        probe.start(link, arguments + QStringList{"-appLanguageOverride", "en"});
        if (!probe.waitForFinished(20000))
            return QStringLiteral("<timeout>");
        return QString::fromUtf8(probe.readAllStandardOutput());
    }

    QString real;
    QString link;
};

TEST_F(LinkedProbe, FindsTheTableBesideItsRealFile)
{
    EXPECT_EQ(run({"resource-url", "en"}), real + "/en.lproj/Localizable.strings");
    EXPECT_EQ(run({"translate", "你好"}), QStringLiteral("Hello from beside"));
}

TEST_F(LinkedProbe, TranslationWithOtherPlaceholdersFallsBackToTheKey)
{
    EXPECT_EQ(run({"format", "好 %@", "x"}), QStringLiteral("Good x"));
    EXPECT_EQ(run({"format", "%@ 项", "3"}), QStringLiteral("3 项"));
    EXPECT_EQ(run({"format", "%lld 个", "4"}), QStringLiteral("4 个"));
}

TEST(Localization, BuildTreeTablesAreFoundLikeInstalledOnes)
{
    const auto url = Loc::resourceURL(QStringLiteral("en"));
    ASSERT_TRUE(url);
    EXPECT_EQ(*url, QDir::cleanPath(QStringLiteral(MAROVEL_BUILD_SHARE_DIR)
                                    + "/en.lproj/Localizable.strings"));
    EXPECT_FALSE(Loc::resourceURL(QStringLiteral("xx")));
}

} // namespace
