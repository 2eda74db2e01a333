// The regular-expression helpers: group layout, failures, word boundaries, literal search.
#include "Rx.h"

#include <QFuture>
#include <QThreadPool>
#include <QtConcurrent>

#include <gtest/gtest.h>

#include <latch>

namespace {

TEST(Rx, GroupsKeepOneSlotPerGroupAndAllGroupsSkipsNonParticipants)
{
    const QString pattern = R"((\d+)(x)?(\w+))";
    const auto first = Rx::groups(pattern, "ab 12cd 34xef");
    ASSERT_TRUE(first);
    EXPECT_EQ(*first, (QStringList{"12cd", "12", "", "cd"}));

    const auto all = Rx::allMatches(pattern, "ab 12cd 34xef");
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[1], (QStringList{"34xef", "34", "x", "ef"}));

    // Group 2 took part only in the second match; group 9 does not exist.
    EXPECT_EQ(Rx::allGroups(pattern, "ab 12cd 34xef", 2), QStringList{"x"});
    EXPECT_EQ(Rx::allGroups(pattern, "ab 12cd 34xef", 3), (QStringList{"cd", "ef"}));
    EXPECT_TRUE(Rx::allGroups(pattern, "ab 12cd 34xef", 9).isEmpty());
}

TEST(Rx, NoMatchAndBrokenPatternsAreAlikeAbsent)
{
    EXPECT_FALSE(Rx::groups(R"(\d+)", "no digits"));
    for (const QString broken : {"(unclosed", "[z-a]", "a{2,1}", "(?<=a+)b"}) {
        EXPECT_FALSE(Rx::Pattern(broken, Rx::NoOptions).isValid()) << broken.toStdString();
        EXPECT_FALSE(Rx::groups(broken, "unclosed a b aab")) << broken.toStdString();
        EXPECT_TRUE(Rx::allMatches(broken, "unclosed").isEmpty());
        EXPECT_TRUE(Rx::allGroups(broken, "unclosed", 0).isEmpty());
        EXPECT_FALSE(Rx::matches(broken, "unclosed"));
    }
}

TEST(Rx, OptionsCaseAndLines)
{
    EXPECT_FALSE(Rx::matches("invoice", "INVOICE"));
    EXPECT_TRUE(Rx::matches("invoice", "INVOICE", Rx::CaseInsensitive));
    EXPECT_FALSE(Rx::matches("^Bank$", "First\nBank\nx"));
    EXPECT_TRUE(Rx::matches("^Bank$", "First\nBank\nx", Rx::AnchorsMatchLines));
}

TEST(Rx, AnyWordTable)
{
    struct Case
    {
        QStringList words;
        QString text;
        bool found;
    };
    const Case cases[] = {
        {{"PNR"}, "your pnr is X1", true},
        {{"PNR"}, "PNRX", false},
        {{"PNR"}, "xPNR", false},
        {{"PNR"}, "PNR_1", false},           // "_" is a word character
        {{"PNR"}, "PNR-1", true},
        // Chinese and Japanese characters are not word characters: a Latin word glued to
        // them still stands alone.
        {{"PNR"}, "乘客PNR确认", true},
        {{"Invoice\\s+No"}, "发票Invoice No：123", true},
        {{"Receipt"}, "领収書Receipt", true},
        {{"Receipt"}, "Receiptの", true},
        // Letters of other scripts are word characters.
        {{"Bank"}, "Banké", false},
        {{"Bank"}, "ÉBank", false},
        // Words are pattern fragments, not escaped.
        {{"a.c"}, "abc", true},
        {{"Driver'?s\\s+Licen[sc]e"}, "drivers license", true},
        {{"E-?ticket"}, "Your eticket", true},
        {{"Flights?"}, "two flights", true},
        {{"Flights?"}, "inflights", false},
        {{"Charged", "Refunded?"}, "was refunded.", true},
        {{"Charged", "Refunded?"}, "a refund", false},
        {{}, "any text at all", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Rx::anyWord(c.words, c.text), c.found)
            << c.words.join('|').toStdString() << " in " << c.text.toStdString();
}

TEST(Rx, AnyIsALiteralCaseInsensitiveSearch)
{
    EXPECT_TRUE(Rx::any({"payment successful"}, "PAYMENT SUCCESSFUL!"));
    EXPECT_TRUE(Rx::any({"(公司)"}, "某某(公司)"));
    EXPECT_FALSE(Rx::any({"a.c"}, "abc"));
    EXPECT_TRUE(Rx::any({"x", "Paid"}, "unpaid"));
    EXPECT_FALSE(Rx::any({}, "text"));
    EXPECT_FALSE(Rx::any({""}, "text"));
}

TEST(Rx, PreparedSourceLeavesClassesQuotesAndEscapedBackslashesAlone)
{
    // "\b" inside a class, "\\b" (a backslash then b) and quoted text are not boundaries.
    EXPECT_TRUE(Rx::matches(R"(a\\b)", R"(a\b)"));
    EXPECT_TRUE(Rx::matches(R"(\Q\b\E)", R"(\b)"));
    EXPECT_TRUE(Rx::matches(R"(x[\d]y)", "x5y"));
    EXPECT_TRUE(Rx::matches(R"(\p{Han}{2})", "中文"));
    EXPECT_FALSE(Rx::matches(R"(\P{Han})", "中文"));
    EXPECT_TRUE(Rx::matches(R"(\Bcd)", "abcd"));
    EXPECT_FALSE(Rx::matches(R"(\Bab)", "ab"));
    EXPECT_EQ(Rx::preparedSource(R"(\s\d)"), QString(R"([\s][\d])"));
    EXPECT_EQ(Rx::preparedSource(R"([\s\b])"), QString(R"([\s\b])"));
}

TEST(Rx, LongRunsOfSpacesAndDigitsDoNotExhaustTheEngine)
{
    // A repeated bare class escape would keep a backtracking frame per character.
    const QString spaces = QString(300000, u' ') + "x";
    const auto g = Rx::groups(R"((a)?(b)?(c)?(d)?\s*(x))", spaces);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->last(), "x");
    const QString digits = QString(300000, u'1') + ".5";
    EXPECT_TRUE(Rx::matches(R"((a)?(b)?(c)?\d+\.\d)", digits));
}

TEST(Rx, ARunawaySearchEndsAsNoMatch)
{
    // Nested repetition on a text that almost matches backtracks exponentially.
    const Rx::Pattern runaway(R"((a+)+b)", Rx::NoOptions);
    const Rx::ScanResult result = Rx::scan(runaway, QString(60, u'a'), 50);
    EXPECT_TRUE(result.hitLimit);
    EXPECT_EQ(result.error, "U_REGEX_TIME_OUT");
    EXPECT_EQ(result.matches, 0);
}

TEST(Rx, ReplaceAllAndIndex)
{
    const Rx::Pattern runs(R"([ _-]+)", Rx::NoOptions);
    EXPECT_EQ(Rx::replaceAll(runs, "a__b - c", " "), "a b c");
    EXPECT_EQ(Rx::replaceAll(runs, "abc", " "), "abc");
    EXPECT_EQ(Rx::indexIn(runs, "ab_c"), 2);
    EXPECT_EQ(Rx::indexIn(runs, "abc"), -1);
}

TEST(Rx, MatcherMatchesAtAPositionSeeingTheTextBefore)
{
    const Rx::Pattern word(R"(\b[A-Z]\w*)", Rx::NoOptions);
    Rx::Matcher matcher(word, "xAcme Acme");
    EXPECT_FALSE(matcher.matchAt(1)); // no boundary between x and A
    ASSERT_TRUE(matcher.matchAt(6));
    EXPECT_EQ(matcher.group(0), "Acme");
    EXPECT_EQ(matcher.start(), 6);
    EXPECT_EQ(matcher.end(), 10);
}

TEST(Rx, CompiledPatternsServeSeveralThreads)
{
    // The readers run on three workers at once; patterns and the cache are shared.
    QList<int> seeds;
    for (int i = 0; i < 64; ++i)
        seeds << i;
    const QList<bool> results = QtConcurrent::blockingMapped(seeds, [](int i) {
        const QString text = QStringLiteral("Invoice No %1 on 2024-03-%2").arg(i).arg(i % 28 + 1, 2, 10, QChar(u'0'));
        const auto g = Rx::groups(QStringLiteral(R"(No (\d+) on (20\d\d)-(\d\d)-(\d\d))"), text);
        const auto dynamic = Rx::groups(QStringLiteral(R"(No %1\b)").arg(i), text, Rx::CaseInsensitive);
        return g && (*g)[1] == QString::number(i) && dynamic.has_value();
    });
    for (bool ok : results)
        EXPECT_TRUE(ok);
}

TEST(Rx, ThreadsCompilingOneSourceAtOnceShareOneCopy)
{
    // A copy that lost the race and was replaced in the cache would die under a matcher
    // still walking it.
    const QString source = QStringLiteral(R"((?:due|paid)\s+on\s+(\d{4})-(\d\d)-(\d\d)\b[^\n]{0,40})");
    std::latch start(8);
    QList<int> workers{0, 1, 2, 3, 4, 5, 6, 7};
    QThreadPool pool;
    pool.setMaxThreadCount(8);
    const QList<const Rx::Pattern *> seen = QtConcurrent::blockingMapped(&pool, workers, [&](int) {
        start.arrive_and_wait();
        return Rx::compiled(source, Rx::CaseInsensitive).get();
    });
    for (const Rx::Pattern *pattern : seen)
        EXPECT_EQ(pattern, seen.first());
}

TEST(Rx, AMatcherOutlivesItsPatternAndTheCachedCopy)
{
    const QString source = QStringLiteral(R"(kept-(\d+))");
    std::weak_ptr<const Rx::Pattern> watched = Rx::compiled(source);
    Rx::Matcher matcher(*Rx::compiled(source), QStringLiteral("a kept-7 b kept-8"));
    ASSERT_TRUE(matcher.find());
    for (int i = 0; i < 1100; ++i) // more than the cache holds: it starts over
        Rx::compiled(QStringLiteral("filler%1").arg(i));
    ASSERT_TRUE(watched.expired()); // the Pattern is gone, its compiled form is not
    ASSERT_TRUE(matcher.find());
    EXPECT_EQ(matcher.group(1), "8");
}

} // namespace
