// The system-model engine: never available on Linux; its instructions, prompt and answer
// clean-up.
#include "SystemModel.h"

#include <gtest/gtest.h>

namespace {

TEST(SystemModel, IsNeverAvailableHereAndAnswersNothing)
{
    EXPECT_FALSE(SystemModel::isAvailable());
    EXPECT_FALSE(SystemModel::describe("Who issued this invoice?", "Invoice from Acme Ltd"));
}

TEST(SystemModel, InstructionsFollowTheInterfaceLanguage)
{
    const QString en = SystemModel::instructions("en");
    const QString zh = SystemModel::instructions("zh-Hans");
    EXPECT_EQ(en, QStringLiteral("你是文件信息提取助手。只输出答案本身（公司名/标题/主题等真实内容），绝不解释、绝不复述问题。"
                                 "答案语言跟随内容语言：中文内容用中文，英文内容用英文、不要翻成中文；判断不了时用English。"
                                 "长度控制在2 to 48 characters。内容若乱码读不懂，name 返回空字符串。"));
    EXPECT_TRUE(zh.contains(QStringLiteral("判断不了时用中文。长度控制在2 到 24 个字。")));
    EXPECT_FALSE(zh.contains(QStringLiteral("English")));
}

TEST(SystemModel, PromptCutsTheSnippetButNeverTheQuestion)
{
    const QString question = QString("Q").repeated(2000);
    const QString snippet = QString("👍🏽").repeated(1600); // one character of two scalars each
    EXPECT_EQ(SystemModel::prompt(question, snippet),
              question + QStringLiteral("\n内容片段：\n") + QString("👍🏽").repeated(1500));
    EXPECT_EQ(SystemModel::prompt("q", "short"), QStringLiteral("q\n内容片段：\nshort"));
}

TEST(SystemModel, AnswersAreCleanedAndCutByLanguage)
{
    struct Case {
        QString answer;
        const char *language;
        std::optional<QString> expected;
    };
    const QString thirty = QStringLiteral("abcdefghijklmnopqrstuvwxyz1234");
    const Case cases[] = {
        {QStringLiteral("\"Acme Ltd\""), "en", QStringLiteral("Acme Ltd")},
        {QStringLiteral("{name: 季度报告}"), "zh-Hans", QStringLiteral("name 季度报告")},
        {QStringLiteral("<a\\b>\n\r\tc"), "en", QStringLiteral("abc")},
        {QStringLiteral("\" { } \" : < >"), "en", std::nullopt},
        {QStringLiteral("   "), "zh-Hans", std::nullopt},
        {thirty, "zh-Hans", thirty.left(24)},
        {thirty, "en", thirty},
        // Trimmed again after the cut.
        {QStringLiteral("12345678901234567890123 5"), "zh-Hans", QStringLiteral("12345678901234567890123")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(SystemModel::cleanAnswer(c.answer, c.language), c.expected) << c.answer.toStdString();
}

} // namespace
