#include "ContentIndex.h"
#include "ContentIndexQuery.h"
#include "Localization.h"

#include <gtest/gtest.h>

using namespace ContentIndexQuery;

TEST(ContentIndexQuery, FtsExpression)
{
    const struct
    {
        QString query;
        QString expression;
    } cases[] = {
        {"invoice", "\"invoice\"*"},
        {"  hotel   booking ", "\"hotel\"* AND \"booking\"*"},
        {"alpha，beta", "\"alpha\"* AND \"beta\"*"},
        {"alpha,beta、gamma\nδ", "\"alpha\"* AND \"beta\"* AND \"gamma\"* AND \"δ\"*"},
        {"!?.;:()", ""},
        {"a+b", "\"ab\"*"},
        {"\"quoted\"", "\"quoted\"*"},
        {"发票abc", "\"发票abc\""},
        {"e-mail snake_case", "\"e-mail\"* AND \"snake_case\"*"},
        {"café\u0301 😀x", "\"café\u0301\"* AND \"x\"*"},
        {"2023年 报告", "\"2023年\" AND \"报告\""},
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ftsExpression(c.query), c.expression) << c.query.toStdString();
}

TEST(ContentIndexQuery, ContainsCJK)
{
    const struct
    {
        QString text;
        bool cjk;
    } cases[] = {
        {"", false},       {"hello", false},   {"、", true},        {"，", false},
        {"。", true},       {"カタカナ", true},  {"한국어", false},   {"abc发", true},
        {"⺀", true},       {"豈", true},       {"😀", false},      {"e\u0301", false},
        // A character is CJK when any of its code points is: an ideograph with a
        // combining mark is still CJK.
        {"x\u0301字\u20DD", true},
    };
    for (const auto &c : cases)
        EXPECT_EQ(containsCJK(c.text), c.cjk) << c.text.toStdString();
}

TEST(ContentIndexQuery, CjkFallbackTerms)
{
    const struct
    {
        QString query;
        QStringList terms;
    } cases[] = {
        {"风", {"风"}},
        {"", {""}},
        {"一帆风顺", {"一帆风顺", "一帆", "帆风", "风顺"}},
        {"发a票b据", {"发a票b据"}},
        {"哈哈", {"哈哈"}},
        {"哈哈哈", {"哈哈哈", "哈哈"}},
        {"合同 违约金", {"合同 违约金", "合同", "违约", "约金"}},
        {"发票😀金额", {"发票😀金额", "发票", "金额"}},
        // Combining marks stay with their character: the window holds whole characters.
        {"字\u0301文章", {"字\u0301文章", "字\u0301文", "文章"}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(cjkFallbackTerms(c.query), c.terms) << c.query.toStdString();
}

TEST(ContentIndexQuery, SnippetWindowInCharacters)
{
    const QString thousand = QString(1000, u'x');
    QString atTen = thousand;
    atTen.replace(10, 4, QStringLiteral("HIT!"));
    QString at200 = thousand;
    at200.replace(200, 4, QStringLiteral("HIT!"));

    // Near the start: no leading ellipsis; 130 characters after the hit's end.
    const QString near = snippet(atTen, QStringLiteral("hit!"));
    EXPECT_TRUE(near.startsWith(u"xxxxxxxxxxHIT!"));
    EXPECT_EQ(near.size(), 10 + 4 + 130 + 1);
    EXPECT_TRUE(near.endsWith(u'…'));

    // At character 200: starts at 110 with "…", ends with "…".
    const QString middle = snippet(at200, QStringLiteral("nothing HIT!"));
    EXPECT_EQ(middle, u'…' + at200.mid(110, 90 + 4 + 130) + u'…');

    // No word occurs: the first 220 characters, no ellipsis.
    EXPECT_EQ(snippet(thousand, QStringLiteral("absent")), thousand.left(220));
    EXPECT_EQ(snippet(QString(), QStringLiteral("x")), QString());

    // Hit at the very end: the window is clamped to the text.
    const QString tail = QString(300, u'a') + QStringLiteral("END");
    EXPECT_EQ(snippet(tail, QStringLiteral("end")), u'…' + tail.mid(210));
}

TEST(ContentIndexQuery, SnippetCountsEmojiAndCombiningMarksAsOneCharacter)
{
    // 100 emoji (two code units each) before the hit: the window starts 90 characters
    // back, not 90 code units back.
    QString text;
    for (int i = 0; i < 100; ++i)
        text += QStringLiteral("😀");
    text += QStringLiteral("目标");
    for (int i = 0; i < 200; ++i)
        text += QStringLiteral("e\u0301");
    const QString result = snippet(text, QStringLiteral("目标"));
    QString expected = QStringLiteral("…");
    for (int i = 0; i < 90; ++i)
        expected += QStringLiteral("😀");
    expected += QStringLiteral("目标");
    for (int i = 0; i < 130; ++i)
        expected += QStringLiteral("e\u0301");
    expected += u'…';
    EXPECT_EQ(result, expected);
}

TEST(ContentIndexQuery, SnippetMatchesCaseInsensitivelyAndKeepsTheTextsCase)
{
    EXPECT_EQ(snippet(QStringLiteral("Hotel GRAND Plaza"), QStringLiteral("grand")),
              QStringLiteral("Hotel GRAND Plaza"));
    // The first query word that occurs decides, in query order.
    const QString text = QString(200, u'.') + QStringLiteral("beta") + QString(200, u'.')
                         + QStringLiteral("alpha");
    EXPECT_TRUE(snippet(text, QStringLiteral("gamma beta alpha")).contains(u"beta"));
    // A CJK query matched through a window only: no whole hit, so the text's start.
    const QString chinese = QString(300, QChar(u'字'));
    EXPECT_EQ(snippet(chinese, QStringLiteral("一帆风顺")), chinese.left(220));
}

TEST(ContentIndexQuery, SourceLabels)
{
    Loc::shared().setOverride(QStringLiteral("zh-Hans"));
    const struct
    {
        QString source;
        QString label;
    } cases[] = {
        {"pdf-text", "PDF 文本"}, {"pdf-ocr", "OCR"},   {"image-ocr", "OCR"},
        {"office", "Office"},     {"text", "文本"},     {"online", "在线占位"},
        {"metadata", "文件名"},   {"", "文件名"},       {"PDF-TEXT", "文件名"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ContentIndex::sourceLabel(c.source), c.label) << c.source.toStdString();
    Loc::shared().setOverride(std::nullopt);
}
