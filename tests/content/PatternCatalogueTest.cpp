// Every pattern of the content readers compiles, stays fast on long hostile input, and the
// forms rewritten for speed find exactly what their plain forms find.
#include "ContentPatterns.h"
#include "ContentTestSupport.h"
#include "HostileTexts.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <functional>

#include <random>

namespace {

using ContentPatterns::Id;

TEST(PatternCatalogue, EveryPatternCompiles)
{
    const auto catalogue = ContentPatterns::catalogue();
    ASSERT_GT(catalogue.size(), static_cast<qsizetype>(Id::count));
    for (const auto &entry : catalogue) {
        Rx::Pattern pattern(entry.source, entry.options);
        EXPECT_TRUE(pattern.isValid()) << entry.name.toStdString() << ": "
                                       << pattern.errorText().toStdString();
    }
    for (int i = 0; i < static_cast<int>(Id::count); ++i)
        EXPECT_TRUE(ContentPatterns::get(static_cast<Id>(i)).isValid()) << i;
}

using HostileTexts::hostileTexts;

TEST(PatternCatalogue, EveryPatternStaysFastOnLongHostileText)
{
    // Generous: a linear scan takes milliseconds; quadratic backtracking over 200,000
    // characters takes minutes.
    constexpr double boundSeconds = 10.0;
    const auto texts = hostileTexts();
    for (const auto &entry : ContentPatterns::catalogue()) {
        for (const auto &[label, text] : texts) {
            const Rx::ScanResult result = ContentPatterns::scan(entry, text);
            EXPECT_FALSE(result.hitLimit) << entry.name.toStdString() << " on " << label.toStdString()
                                          << ": " << result.error.toStdString();
            EXPECT_LT(result.seconds, boundSeconds)
                << entry.name.toStdString() << " on " << label.toStdString();
        }
    }
}

TEST(PatternCatalogue, EveryReaderStaysFastOnLongHostileText)
{
    using namespace ScenarioDetector;
    const PinnedEnvironment pinned;
    const QStringList dateAnchors{"Invoice Date", "Date", "开票日期", "日期"};
    const QList<std::pair<const char *, std::function<void(const QString &)>>> readers{
        {"amount", [](const QString &t) { amount(t); }},
        {"invoiceTotal", [](const QString &t) { invoiceTotal(t); }},
        {"invoiceParties", [](const QString &t) { invoiceParties(t); }},
        {"enParties", [](const QString &t) { enParties(t); }},
        {"enInstitution bank", [](const QString &t) { enInstitution(t, ContentPatterns::bankTail()); }},
        {"enInstitution travel", [](const QString &t) { enInstitution(t, ContentPatterns::travelTail()); }},
        {"contentDateHit", [&](const QString &t) { contentDateHit(t, dateAnchors); }},
        {"contentMonth", [&](const QString &t) { contentMonth(t, dateAnchors); }},
        {"isGenericName", [](const QString &t) { isGenericName(t); }},
        {"cleanOrgName", [](const QString &t) { cleanOrgName(t); }},
        {"slug", [](const QString &t) { slug(t); }},
        {"grounded Latin", [](const QString &t) { grounded("Acme Blue Widgets", t); }},
        {"grounded CJK", [](const QString &t) { grounded("北京甲乙科技有限公司", t); }},
    };
    constexpr double boundSeconds = 10.0;
    for (const auto &[label, text] : hostileTexts()) {
        for (const auto &[name, read] : readers) {
            QElapsedTimer timer;
            timer.start();
            read(text);
            EXPECT_LT(timer.nsecsElapsed() / 1e9, boundSeconds) << name << " on " << label.toStdString();
        }
    }
}

// ---------------------------------------------------------------------------------------
// The rewritten forms against the plain ones.

// Random tokens, and often a known match spoiled a little (a token put somewhere into it)
// somewhere among them, so texts come near matching and across its edges.
QString randomText(std::mt19937 &random, const QStringList &tokens, const QStringList &examples)
{
    QString text;
    const int count = static_cast<int>(random() % 12);
    const int exampleAt = !examples.isEmpty() && random() % 3 != 0 ? int(random() % (count + 1)) : -1;
    for (int i = 0; i <= count; ++i) {
        if (i == exampleAt) {
            QString example = examples[random() % examples.size()];
            if (random() % 2)
                example.insert(random() % (example.size() + 1), tokens[random() % tokens.size()]);
            text += example;
        }
        if (i < count)
            text += tokens[random() % tokens.size()];
    }
    return text;
}

// The chosen groups of every match, in order.
QStringList picked(const QString &source, Rx::Options options, const QString &text,
                   const QList<int> &groupIndexes)
{
    QStringList out;
    for (const QStringList &match : Rx::allMatches(source, text, options)) {
        QStringList chosen;
        for (int index : groupIndexes)
            chosen << (index < match.size() ? match[index] : QStringLiteral("<none>"));
        out << chosen.join(u'|');
    }
    return out;
}

struct Pair
{
    const char *name;
    QString plain;
    QString rewritten;
    Rx::Options options;
    QList<int> groups;
    QStringList tokens;
    QStringList examples;
    bool capitalisedStart = false; // the rewritten form is searched with capitalisedMatches()
};

QStringList pickedCapitalised(const QString &source, const QString &text, int group)
{
    return ContentPatterns::capitalisedMatches(Rx::Pattern(source, Rx::NoOptions), text, group);
}

void expectSameMatches(const Pair &pair, int samples = 3000)
{
    ASSERT_TRUE(Rx::Pattern(pair.plain, pair.options).isValid()) << pair.name;
    ASSERT_TRUE(Rx::Pattern(pair.rewritten, pair.options).isValid()) << pair.name;
    std::mt19937 random(11);
    int withMatches = 0;
    for (int i = 0; i < samples; ++i) {
        const QString text = randomText(random, pair.tokens, pair.examples);
        const QStringList expected = picked(pair.plain, pair.options, text, pair.groups);
        const QStringList actual = pair.capitalisedStart
                                       ? pickedCapitalised(pair.rewritten, text, pair.groups.first())
                                       : picked(pair.rewritten, pair.options, text, pair.groups);
        withMatches += !expected.isEmpty();
        ASSERT_EQ(actual, expected) << pair.name << " on \"" << text.toStdString() << '"';
    }
    // The generated texts must exercise the pattern, not just miss it.
    EXPECT_GT(withMatches, samples / 20) << pair.name;
}

QString fixedSource(Id id)
{
    return ContentPatterns::get(id).source();
}

constexpr auto nameWord = uR"([A-Za-z0-9&'’.-])";

TEST(PatternCatalogue, FileNamePatternsMatchTheirPlainForms)
{
    const QStringList tokens{" ", "_", "-", ".", "(", ")", "1", "12", "2024", "a", "IMG", "\t",
                             "123", "(1)", "(12)", "(123)", "(1234)", "03-05"};
    expectSameMatches({"copy counter", R"(\s*\(\d{1,3}\)$)", fixedSource(Id::genericCopyCounter),
                       Rx::NoOptions, {0}, tokens, {"x (12)", "a(1)", "  (123)"}});
    expectSameMatches({"trailing number",
                       R"([ _-]*(?:\d{1,4}[-_.]\d{1,2}[-_.]\d{1,4}|\d{1,14})$)",
                       fixedSource(Id::genericTrailingNumber), Rx::NoOptions, {0}, tokens,
                       {"IMG_20240305", "a 2024-03-05", "x-12"}});
}

TEST(PatternCatalogue, ChinesePatternsMatchTheirPlainForms)
{
    const QStringList totals{"小写）", "小 写 )", "票价：", "价税合计", "¥", "￥", " ", "128",
                             ",", ".00", ".5", "1", "中", "x", "\n", "  "};
    expectSameMatches({"figures", R"(小\s*写\s*[)）]\s*[¥￥]?\s*([0-9][0-9,]*\.[0-9]{2}))",
                       fixedSource(Id::totalFigures), Rx::CaseInsensitive, {0, 1}, totals,
                       {"（小写）¥128.00", "小 写 ) 1,234.56"}});
    expectSameMatches({"ticket price", R"(票价[：:]\s*[¥￥]?\s*([0-9][0-9,]*\.[0-9]{2}))",
                       fixedSource(Id::totalTicketPrice), Rx::CaseInsensitive, {0, 1}, totals,
                       {"票价：¥45.50", "票价:12.00"}});
    expectSameMatches({"tax included", R"(价税合计[^¥￥]{0,60}?[¥￥]\s*([0-9][0-9,]*\.[0-9]{2}))",
                       fixedSource(Id::totalTaxIncluded), Rx::CaseInsensitive, {0, 1}, totals,
                       {"价税合计（大写）壹佰元整 （小写）¥100.00", "价税合计 ￥ 88.00"}});

    const QStringList names{"中", "国", "有限", "公司", "店", "（", "）", "A", "b", " ", "\n",
                            "纳税人识别号", "名称：", "统一社会信用代码", "部", "1", "·", "股份",
                            "中中中中中中中中中中", "行"};
    expectSameMatches({"name before tax number",
                       R"(([\u4e00-\u9fa5][\u4e00-\u9fa5A-Za-z0-9（）()·&]{3,39})\s*(?:统一社会信用代码|纳税人识别号))",
                       fixedSource(Id::nameBeforeTaxNumber), Rx::CaseInsensitive, {0, 1}, names,
                       {"北京某某科技有限公司 纳税人识别号", "上海甲乙丙丁统一社会信用代码"}});
    expectSameMatches({"name after label",
                       R"(名称[：:]\s*([\u4e00-\u9fa5][\u4e00-\u9fa5A-Za-z0-9（）()·&]{3,39}))",
                       fixedSource(Id::nameAfterLabel), Rx::CaseInsensitive, {0, 1}, names,
                       {"名称：北京某某科技有限公司", "名称: 上海甲乙丙"}});
    expectSameMatches({"name with organisation word",
                       R"(([\u4e00-\u9fa5（）()A-Za-z]{2,30}?(?:有限公司|股份有限公司|有限责任公司|个体工商户|集团|中心|事务所|研究院|酒店|宾馆|饭店|超市|药房|门市部|经营部|服务部|商行|商店|公司|厂|店|社|行|部))(?![\u4e00-\u9fa5]))",
                       fixedSource(Id::nameWithOrgWord), Rx::CaseInsensitive, {0, 1}, names,
                       {"北京某某科技有限公司 ", "某某酒店A", "中国银行行"}});
}

TEST(PatternCatalogue, EnglishNamePatternsMatchTheirPlainForms)
{
    const QString w = QString::fromUtf16(nameWord);
    const QStringList tokens{"Acme", "A", "b", "c", ".", "-", "&", "'", " ", ",", "Inc", "LLC",
                             "Co.", "Ltd", "\n", "é", "_", "3", "中", "x", "Pty Ltd", "  "};
    expectSameMatches(
        {"company",
         QStringLiteral(R"(\b([A-Z]%1*(?:\s+[A-Z]%1*){0,4}[,\s]\s*(?:Inc\.?|LLC|L\.L\.C\.?|Ltd\.?|Limited|Corp\.?|Corporation|Co\.|GmbH|PLC|LLP|Pty\s+Ltd|AG|N\.V\.|B\.V\.)))")
             .arg(w),
         fixedSource(Id::enOrgs), Rx::NoOptions, {1}, tokens,
         {"Acme Corp, Inc.", "Foo Bar LLC", "J.P. Morgan Co.", "x.Acme Ltd"}, true});

    const QStringList institution{"First", "National", "Bank", "of", "the", "and", "Acme", " ",
                                  "\t", ",", ".", "A", "b", "-", "\n", "Credit", "Union", "x",
                                  "N.A", "bank", "é", "3", "First National Bank", " Bank",
                                  " of ", "Credit Union", " N.A.", "Acme Bank"};
    const QString tail = ContentPatterns::bankTail();
    const QString core =
        QStringLiteral(R"(([A-Z]%1*(?:[ \t]+(?:of|the|and|[A-Z]%1*)){0,4}(?:[ \t]*,)?[ \t]+(?i:%2)\b(?:[ \t]*,?[ \t]*[A-Z]%1*){0,2}\.?))")
            .arg(w, tail);
    expectSameMatches({"institution anywhere", R"(\b)" + core,
                       ContentPatterns::institutionAnywhere(tail), Rx::NoOptions, {1}, institution,
                       {"First National Bank of Omaha", "Acme Credit Union, N.A.", "The Bank\n"},
                       true});
    expectSameMatches({"institution on a line", R"(^[ \t]*)" + core + R"([ \t]*$)",
                       ContentPatterns::institutionOnLine(tail), Rx::AnchorsMatchLines, {0, 1},
                       institution, {"First National Bank of Omaha\n", "\nAcme Bank, N.A. \n"}});
}

TEST(PatternCatalogue, MonthNameDatesMatchTheirPlainForm)
{
    const QString m =
        R"((?:Jan(?:uary)?|Feb(?:ruary)?|Mar(?:ch)?|Apr(?:il)?|May|Jun(?:e)?|Jul(?:y)?|Aug(?:ust)?|Sept?(?:ember)?|Oct(?:ober)?|Nov(?:ember)?|Dec(?:ember)?))";
    const QStringList tokens{"Mar", "March", "Sept.", "May", " ", ", ", ".", "5", "12", "2024",
                             "24", "th", "Date: ", "\n", "x", "  ", "Mar 5", " 2024", "5 March",
                             ", 24", "Date", "MAR", "12MAR", "MAR24"};
    for (const QString &prefix : {QString(), ContentPatterns::anchorPrefix("Date")}) {
        const QString plain =
            prefix + R"((?:\b()" + m + R"()\.?\s+(\d{1,2})(?:st|nd|rd|th)?\s*(?:,\s*|\s+)(\d{4}|\d{2}))"
            + R"(|\b(\d{1,2})(?:st|nd|rd|th)?\s+()" + m + R"()\.?,?\s+(\d{4}|\d{2}))"
            + R"(|\b(\d{1,2})(JAN|FEB|MAR|APR|MAY|JUN|JUL|AUG|SEP|OCT|NOV|DEC)(\d{4}|\d{2})(?![A-Za-z]))(?![0-9]))";
        expectSameMatches({"month name date", plain, ContentPatterns::monthNameDate(prefix),
                           Rx::CaseInsensitive, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, tokens,
                           {"March 5, 2024", "5th Mar 24", "Date: Sept. 5th, 2024", "12MAR24"}});
    }
}

TEST(PatternCatalogue, AddressCommaMatchesItsPlainForm)
{
    expectSameMatches({"address comma", R"(,\s*\d)", fixedSource(Id::orgAddressComma),
                       Rx::NoOptions, {0}, {",", " ", "1", "a", "\n", ",,"}, {", 12", ",  3"}});
}

} // namespace
