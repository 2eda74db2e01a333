#include "Format.h"
#include "Localization.h"

#include <gtest/gtest.h>

namespace {

struct FormatCase
{
    const char *format;
    FormatArgs args;
    const char *expected;
};

void PrintTo(const FormatCase &c, std::ostream *os)
{
    *os << c.format;
}

class FormatCases : public testing::TestWithParam<FormatCase>
{
};

TEST_P(FormatCases, FormatsLocaleIndependently)
{
    const FormatCase &c = GetParam();
    EXPECT_EQ(Format::apply(QString::fromUtf8(c.format), c.args), QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Placeholders, FormatCases,
    testing::Values(
        FormatCase{"已移到废纸篓 %lld 项", {qlonglong(3)}, "已移到废纸篓 3 项"},
        FormatCase{"%@ 需要 from", {QStringLiteral("rename")}, "rename 需要 from"},
        FormatCase{"%d/%ld/%lld", {qlonglong(1), qlonglong(-2), qlonglong(1LL << 40)},
                   "1/-2/1099511627776"},
        FormatCase{"%.1f MB", {2.34}, "2.3 MB"},
        FormatCase{"%.2f", {qlonglong(3)}, "3.00"},
        FormatCase{"100%% done", {qlonglong(1)}, "100% done"},
        FormatCase{"%2$@ then %1$@", {QStringLiteral("a"), QStringLiteral("b")}, "b then a"},
        FormatCase{"%@ and %@", {QStringLiteral("only")}, "only and %@"},
        FormatCase{"%3$@ %1$@", {QStringLiteral("x")}, "%3$@ x"},
        FormatCase{"%@", {qlonglong(7)}, "7"},
        FormatCase{"%d", {QStringLiteral("text")}, "text"},
        FormatCase{"trailing %", {qlonglong(1)}, "trailing %"},
        FormatCase{"%s stays", {QStringLiteral("x")}, "%s stays"}));

TEST(Format, SignatureComparesArgumentKindsByPosition)
{
    EXPECT_EQ(Format::signature(QStringLiteral("%@ 和 %lld")),
              Format::signature(QStringLiteral("%2$d and %1$@")));
    EXPECT_NE(Format::signature(QStringLiteral("%@")), Format::signature(QStringLiteral("%d")));
    EXPECT_NE(Format::signature(QStringLiteral("%@")),
              Format::signature(QStringLiteral("%@ %@")));
    EXPECT_TRUE(Format::signature(QStringLiteral("100%% no args")).isEmpty());
}

TEST(Format, LWithoutArgumentsKeepsPercentSigns)
{
    EXPECT_EQ(L("完成 100%"), QStringLiteral("完成 100%"));
    EXPECT_EQ(L("%@ 未格式化"), QStringLiteral("%@ 未格式化"));
}

TEST(Format, ArgumentTypesAreKeptApart)
{
    EXPECT_EQ(L("%d 项", 5), QStringLiteral("5 项"));
    EXPECT_EQ(L("%.1f", 1.5f), QStringLiteral("1.5"));
    EXPECT_EQ(L("%@", QStringLiteral("文")), QStringLiteral("文"));
    EXPECT_EQ(L("%@ %@", "c-string", QString()), QStringLiteral("c-string "));
}

} // namespace
